#include "dialogs/aboutform.h"

#include <QLabel>
#include <QVBoxLayout>

#include "net/protocol.h"

Tabout::Tabout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Marrowby"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Marrowby"), this);
    title->setTextFormat(Qt::PlainText);
    version = new QLabel(QString::fromLatin1(mb::kProgramVersion), this);
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);
    layout->addWidget(title);
    layout->addWidget(version);
}

QString Tabout::versionText() const {
    return version->text();
}
