#include "client/spylistform.h"

Tspylist::Tspylist(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("Spy List")); }
