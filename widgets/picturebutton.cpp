#include "widgets/picturebutton.h"

#include <QPainter>

namespace mb {

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

}  // namespace mb
