#include "dialogs/helpform.h"

Thelp::Thelp(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Marrowby Help"));
}
