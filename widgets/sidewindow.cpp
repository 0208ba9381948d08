#include "widgets/sidewindow.h"

#include <QWidget>

namespace mb {

void centreOn(QWidget* side, const QWidget* window) {
    if (side) side->move(window->geometry().center() - side->rect().center());
}

void showCentredOn(QWidget* side, const QWidget* window) {
    if (!side) return;
    centreOn(side, window);
    side->show();
    side->raise();
}

}  // namespace mb
