#pragma once
#include <QDialog>

// The tally of past games. The table reports finished orders and games here as they happen.
class Ttallylist : public QDialog {
    Q_OBJECT
public:
    explicit Ttallylist(QWidget* parent = nullptr);
};
