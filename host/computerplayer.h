#pragma once
// The computer player's rules, free of any host state: it sees one hand, the discard top and
// the card the next draw will yield, and picks one replacement.
#include <array>

#include "host/hostlimits.h"

namespace mb {

using Hand = std::array<int, kHandSize>;  // slot 1 is index 0

// The band of card `card` when `players` seats play: a run of players + 2 consecutive cards per
// slot, so a hand holding band i in slot i is in order.
constexpr int cardBand(int card, int players) {
    return (card - 1) / (players + 2) + 1;
}

// True when `card` belongs in `slot` (1..10).
constexpr bool computercheckn(int slot, int card, int players) {
    return cardBand(card, players) == slot;
}

struct ComputerMove {
    int source = 0;  // kDrawPile or kDiscardPile; 0 when every slot is settled
    int slot = 0;    // 1..10
    bool settled() const { return source == 0; }
};

// Rules in order: the discard top into its unsettled slot; else the announced draw card into
// its unsettled slot; else a draw into the lowest unsettled slot; none when all are settled.
ComputerMove computersort(const Hand& hand, int discardTop, int nextDraw, int players);

}  // namespace mb
