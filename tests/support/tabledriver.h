#pragma once
// Plays the local seat of a running table by clicking its widgets, as a person would: a pile
// first, then the hand card to replace. The choice of move mirrors the computer's banding so
// that games finish in a sensible number of rounds.
#include <QLabel>
#include <QTest>

#include "client/chatform.h"
#include "tests/support/mainwindow.h"

namespace testdriver {

// The band of card `card` with `players` seats in the round: runs of players + 2 values.
inline int band(int card, int players) {
    return (card - 1) / (players + 2) + 1;
}

struct Move {
    int pile = 1;
    int slot = 1;
};

inline Move chooseMove(const mb::TableModel& table, int discardTop, int nextDraw, int players) {
    std::array<bool, mb::kHandSize + 1> settled{};
    for (int s = 1; s <= mb::kHandSize; ++s)
        settled[size_t(s)] = band(table.handCard(s), players) == s;
    const int discardBand = band(discardTop, players);
    if (discardBand >= 1 && discardBand <= mb::kHandSize && !settled[size_t(discardBand)])
        return {mb::kDiscardPile, discardBand};
    const int drawBand = band(nextDraw, players);
    if (drawBand >= 1 && drawBand <= mb::kHandSize && !settled[size_t(drawBand)])
        return {mb::kDrawPile, drawBand};
    for (int s = 1; s <= mb::kHandSize; ++s)
        if (!settled[size_t(s)]) return {mb::kDrawPile, s};
    return {mb::kDrawPile, 1};
}

inline bool myTurn(const Tchat& chat) {
    return chat.state().myseat != 0 && chat.state().currentturn == chat.state().myseat;
}

// Takes the pile of the chosen move (click on the pile picture).
inline Move pickPile(Tchat& chat, int players) {
    const Move m =
        chooseMove(chat.table(), chat.table().topCard, chat.state().nextdrawcard, players);
    QTest::mouseClick(mbtest::pilePicture(&chat, m.pile), Qt::LeftButton);
    return m;
}

inline void replace(Tchat& chat, const Move& m) {
    QTest::mouseClick(mbtest::handCard(&chat, m.slot), Qt::LeftButton);
}

}  // namespace testdriver
