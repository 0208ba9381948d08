#pragma once
#include <QDialog>

class Tgamestart : public QDialog {
    Q_OBJECT
public:
    explicit Tgamestart(QWidget* parent = nullptr);
};
