#include "widgets/followdensity.h"

#include <QEvent>
#include <QWidget>
#include <utility>

namespace mb {

namespace {

class DensityWatch : public QObject {
public:
    DensityWatch(QWidget* widget, std::function<void(qreal)> apply, qreal applied)
        : QObject(widget), widget_(widget), apply_(std::move(apply)), applied_(applied) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A window that changes screens tells each of its widgets, shown or not.
        const bool moved = event->type() == QEvent::ScreenChangeInternal;
        if (watched == widget_ && (event->type() == QEvent::Show || moved) &&
            widget_->isVisible()) {
            const qreal dpr = widget_->devicePixelRatioF();
            if (dpr != applied_) {
                applied_ = dpr;
                apply_(dpr);
            }
        }
        return false;
    }

private:
    QWidget* widget_;
    std::function<void(qreal)> apply_;
    qreal applied_;
};

}  // namespace

void followDensity(QWidget* widget, std::function<void(qreal dpr)> apply, qreal applied) {
    new DensityWatch(widget, std::move(apply), applied);
}

}  // namespace mb
