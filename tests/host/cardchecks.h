#pragma once
// Card accounting shared by the engine tests: every dealt card sits in exactly one place.
#include <QString>
#include <vector>

#include "host/hostcore.h"

namespace mbtest {

// Empty when the draw pile remainder, the discard pile and the playing hands hold each card
// 1..dealt size exactly once; otherwise a description of the first fault.
inline QString cardAccountingFault(const mb::HostCore& core) {
    const mb::CardPiles& p = core.piles();
    std::vector<int> seen(size_t(p.dealtSize) + 1, 0);
    auto count = [&](int card) -> QString {
        if (card < 1 || card > p.dealtSize) return QStringLiteral("card %1 out of range").arg(card);
        ++seen[size_t(card)];
        return {};
    };
    for (int i = p.drawIndex; i < p.deckSize; ++i)
        if (auto f = count(p.deck[size_t(i)]); !f.isEmpty()) return "draw pile: " + f;
    for (int i = 0; i < p.discardCount; ++i)
        if (auto f = count(p.discard[size_t(i)]); !f.isEmpty()) return "discard pile: " + f;
    for (int s = 1; s <= mb::kTableSeats; ++s) {
        if (!core.seat(s).playing) continue;
        for (int card : core.seat(s).hand)
            if (auto f = count(card); !f.isEmpty()) return QStringLiteral("seat %1: ").arg(s) + f;
    }
    for (int card = 1; card <= p.dealtSize; ++card)
        if (seen[size_t(card)] != 1)
            return QStringLiteral("card %1 held %2 times").arg(card).arg(seen[size_t(card)]);
    return {};
}

}  // namespace mbtest
