#pragma once
#include <QDialog>

class QLabel;

// The About window. Its `version` label is the program version the client reports at login.
class Tabout : public QDialog {
    Q_OBJECT
public:
    explicit Tabout(QWidget* parent = nullptr);
    QString versionText() const;

private:
    QLabel* version = nullptr;
};
