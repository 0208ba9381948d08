#pragma once
#include <QDialog>

class Tphrases : public QDialog {
    Q_OBJECT
public:
    explicit Tphrases(QWidget* parent = nullptr);
};
