#pragma once
// The card table on screen: the hand, the piles and their captions, the seats with their names,
// scores and marks, the turn arrow, the status lines, the start button and the round's end. It
// draws the table model's state at the board's scale and reports clicks; what they do is the
// window's affair, as are the chat and the quick instructions that sit on the board.
#include <array>

#include "client/boardscale.h"
#include "client/tablemodel.h"
#include "widgets/backgroundpanel.h"

class QFrame;
class QLabel;

namespace mb {
class ClickLabel;
class PictureButton;
}  // namespace mb

class TableBoard : public mb::BackgroundPanel {
    Q_OBJECT
public:
    // Every piece at its classic place, for a board of the classic size.
    TableBoard(const mb::TableModel& table, QWidget* parent);

    // The board laid out for `geometry`; true when its scale changed, so that the pictures
    // must be drawn again (applyPictures).
    bool applyGeometry(const mb::BoardGeometry& geometry);
    // Every picture drawn again for the window's density and the board's scale; the next
    // render sets each card afresh.
    void applyPictures();
    // The model's state to pixels; a card picture is set only when its card changed.
    void render();

signals:
    void handClicked(int slot);
    void pileClicked(int pile);
    void winnerDoneClicked();
    void startClicked();
    void seatMenuRequested(int seat, const QPoint& globalPos);

private:
    void placeSeatRow(int seat, const mb::SeatView& view);
    void fitWinnerText();

    const mb::TableModel& table_;
    mb::BoardScaler scaler_;
    std::array<mb::ClickLabel*, mb::kHandSize + 1> image_card{};
    mb::ClickLabel* image_drawpile = nullptr;
    mb::ClickLabel* image_topcard = nullptr;
    mb::ClickLabel* label_draw = nullptr;
    mb::ClickLabel* label_discard = nullptr;
    QLabel* image_Turn = nullptr;
    std::array<mb::ClickLabel*, mb::kTableSeats + 1> label_playername{};
    std::array<QLabel*, mb::kTableSeats + 1> label_score{};
    std::array<QLabel*, mb::kTableSeats + 1> label_bonus{};
    std::array<QLabel*, mb::kTableSeats + 1> image_playing{};
    std::array<QLabel*, mb::kTableSeats + 1> image_eyes{};
    QLabel* label_status = nullptr;
    QLabel* label_playtoscore = nullptr;
    QLabel* label_roundnum = nullptr;
    QLabel* label_numturns = nullptr;
    mb::PictureButton* button_start = nullptr;
    QFrame* panel_winnercards = nullptr;
    std::array<mb::ClickLabel*, mb::kHandSize + 1> image_wcard{};
    QLabel* label_completed = nullptr;
    QFrame* panel_winner = nullptr;
    QLabel* label_winner1 = nullptr;
    QLabel* label_winner2 = nullptr;
    // Card numbers on screen, so a repaint only touches pictures that changed.
    std::array<int, mb::kHandSize + 1> shownHand_{};
    std::array<int, mb::kHandSize + 1> shownWinner_{};
    int shownDraw_ = -2;
    int shownTop_ = -2;
};
