#pragma once
// The tally of past games. The table reports finished orders and games here as they happen.
#include <QDialog>
#include <QStringList>

class QListWidget;

class Ttallylist : public QDialog {
    Q_OBJECT
public:
    explicit Ttallylist(QWidget* parent = nullptr);

    // A completed order of the local player, with the turns it took.
    void addcounter(int turns);
    // A finished game: "addtomine" when the local player won, else the winner's name.
    void addgame(const QString& name);

    // The opponents of the current game (checked ones are tallied) and the tallied names.
    QListWidget* checklist = nullptr;
    QListWidget* listbox_tally = nullptr;

    // What the table has reported, in order ("counter:7", "game:addtomine").
    const QStringList& reports() const { return reports_; }

private:
    QStringList reports_;
};
