#include "widgets/clicklabel.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

namespace mb {

ClickLabel::ClickLabel(int tag, QWidget* parent) : QLabel(parent), tag_(tag) {
    setTextFormat(Qt::PlainText);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(tag_);
}

void ClickLabel::contextMenuEvent(QContextMenuEvent* event) {
    emit rightClicked(tag_, event->globalPos());
}

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
}

void PictureButton::setPictures(QPixmap normal, QPixmap pressed) {
    normal_ = std::move(normal);
    pressed_ = std::move(pressed);
    resize(sizeHint());
    update();
}

QSize PictureButton::sizeHint() const {
    return (normal_.deviceIndependentSize()).toSize();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(rect(), isDown() ? pressed_ : normal_);
}

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
