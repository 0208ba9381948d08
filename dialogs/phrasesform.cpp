#include "dialogs/phrasesform.h"

Tphrases::Tphrases(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Phrases"));
}
