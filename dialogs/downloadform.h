#pragma once
#include <QDialog>

class Tdownload : public QDialog {
    Q_OBJECT
public:
    explicit Tdownload(QWidget* parent = nullptr);
};
