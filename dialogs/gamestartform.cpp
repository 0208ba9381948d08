#include "dialogs/gamestartform.h"

Tgamestart::Tgamestart(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("Start Game")); }
