#pragma once
#include <QDialog>

// The list of spectators ("spies") at the table.
class Tspylist : public QDialog {
    Q_OBJECT
public:
    explicit Tspylist(QWidget* parent = nullptr);
};
