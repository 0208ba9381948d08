#include "widgets/backgroundpanel.h"

#include <QPainter>

namespace mb {

BackgroundPanel::BackgroundPanel(QWidget* parent) : QFrame(parent) {}

void BackgroundPanel::setTile(const QPixmap& tile) {
    tile_ = tile;
    update();
}

void BackgroundPanel::paintEvent(QPaintEvent* event) {
    if (!tile_.isNull()) {
        QPainter p(this);
        p.drawTiledPixmap(rect(), tile_);
    }
    QFrame::paintEvent(event);
}

}  // namespace mb
