#pragma once
// The About window: logo, version, credits, and the maker's web site. Its `version` label is the
// program version the client reports at login.
#include <QDialog>

class QLabel;

namespace mb {
class ClickLabel;
}

class QUrl;

class Tabout : public QDialog {
    Q_OBJECT
public:
    explicit Tabout(QWidget* parent = nullptr);
    QString versionText() const;
    // Opens the web site with the desktop's default handler; the logo and the address do this.
    static void openWebSite();
    // The maker's web site, as the build names it; the label shows it without its scheme.
    static QUrl webSite();

private:
    QLabel* version = nullptr;
    mb::ClickLabel* image_aboutlogo = nullptr;
    mb::ClickLabel* label_url = nullptr;
};
