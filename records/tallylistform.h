#pragma once
// The tally of past games: the local player's totals and, for each opponent the user chose,
// head-to-head counts over all time and this session. Loaded when created, saved when destroyed.
#include <QDialog>
#include <QStringList>
#include <array>
#include <functional>

#include "records/tallybook.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class Ttallylist : public QDialog {
    Q_OBJECT
public:
    // tallyFile empty: the program's own tally file.
    explicit Ttallylist(QWidget* parent = nullptr, const QString& tallyFile = {});
    ~Ttallylist() override;

    // A completed order of the local player, with the turns it took.
    void addcounter(int turns);
    // A finished game and who won it. The caller refills `checklist` with the players at the
    // table first.
    void addgame(const mb::GameWinner& winner);

    const mb::TallyBook& tally() const { return book_; }
    QString tallyFile() const { return file_; }
    // Asks a Yes/No question; a message box unless a test puts its own answer here.
    std::function<bool(const QString&)> confirm;

    // The opponents of the current game (checked ones are tallied) and the tallied names.
    QListWidget* checklist = nullptr;
    QListWidget* listbox_tally = nullptr;
    QPushButton* button_reset = nullptr;
    QPushButton* button_done = nullptr;
    std::array<QLabel*, 4> mylabel{};  // mylabel_1..3 at 1..3
    std::array<QLabel*, 9> label{};    // label_1..8 at 1..8
    QLabel* label_hisname = nullptr;
    QLabel* label_hisnametop = nullptr;

    // What the table has reported, in order ("counter:7", "game:addtomine").
    const QStringList& reports() const { return reports_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void loadtally();
    void addtomineincrease(int col);
    void addTalliedItem(const QString& name);
    void checklistClickCheck(QListWidgetItem* item);
    void listbox_tallyClickCheck(QListWidgetItem* item);
    void listbox_tallyClick();
    void button_resetClick();
    void buildWindow();

    mb::TallyBook book_;
    QString file_;
    bool mayReplace_ = true;
    QStringList reports_;
};
