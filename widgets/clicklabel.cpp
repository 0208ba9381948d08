#include "widgets/clicklabel.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

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

}  // namespace mb
