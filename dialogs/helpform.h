#pragma once
#include <QDialog>

class Thelp : public QDialog {
    Q_OBJECT
public:
    explicit Thelp(QWidget* parent = nullptr);
};
