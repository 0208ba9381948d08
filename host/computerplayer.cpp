#include "host/computerplayer.h"

namespace mb {

ComputerMove computersort(const Hand& hand, int discardTop, int nextDraw, int players) {
    std::array<bool, kHandSize> settled{};
    for (int slot = 1; slot <= kHandSize; ++slot)
        settled[slot - 1] = computercheckn(slot, hand[slot - 1], players);

    // A card fits exactly one band, so each scan can only find that band's slot.
    for (int slot = 1; slot <= kHandSize; ++slot)
        if (computercheckn(slot, discardTop, players) && !settled[slot - 1])
            return {kDiscardPile, slot};
    for (int slot = 1; slot <= kHandSize; ++slot)
        if (computercheckn(slot, nextDraw, players) && !settled[slot - 1]) return {kDrawPile, slot};
    for (int slot = 1; slot <= kHandSize; ++slot)
        if (!settled[slot - 1]) return {kDrawPile, slot};
    return {};
}

}  // namespace mb
