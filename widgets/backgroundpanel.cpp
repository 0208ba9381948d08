#include "widgets/backgroundpanel.h"

#include <QPainter>
#include <utility>

namespace mb {

BackgroundPanel::BackgroundPanel(QWidget* parent) : QFrame(parent) {}

void BackgroundPanel::setTile(TileMaker maker) {
    maker_ = std::move(maker);
    tile_ = QPixmap();
    tileDpr_ = 0;
    update();
}

void BackgroundPanel::paintEvent(QPaintEvent* event) {
    const qreal dpr = devicePixelRatioF();
    if (maker_ && dpr != tileDpr_) {
        tile_ = maker_(dpr);
        tileDpr_ = dpr;
    }
    if (!tile_.isNull()) {
        QPainter p(this);
        p.drawTiledPixmap(rect(), tile_);
    }
    QFrame::paintEvent(event);
}

}  // namespace mb
