#include "dialogs/downloadform.h"

Tdownload::Tdownload(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Marrowby Lobby"));
}
