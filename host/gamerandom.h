#pragma once
// The game's random numbers. A game among people deals from the system's random source: the
// classic generator has only 2^32 states, and seeded from the clock it has a day's worth of
// milliseconds, so one player's ten cards and the top card would be enough to work out every
// hand and the whole draw order. Given a seed it is the classic 32-bit linear congruential
// generator, so that the same seed deals the same cards on every platform: tests and
// benchmarks play known games.
#include <QtGlobal>
#include <optional>

namespace mb {

class GameRandom {
public:
    // Numbers nobody can foresee.
    GameRandom() = default;
    // The classic generator from `seed`.
    explicit GameRandom(quint32 seed) : seed_(seed) {}

    // A number in 0 .. n-1 (n >= 1): from the system's source, or from the upper bits of the
    // advanced seed.
    int below(int n);
    // The classic generator's state; empty when the numbers come from the system's source.
    std::optional<quint32> seed() const { return seed_; }

private:
    static constexpr quint32 kMultiplier = 0x08088405u;
    std::optional<quint32> seed_;
};

}  // namespace mb
