#include "records/tallylistform.h"

Ttallylist::Ttallylist(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Tally"));
}
