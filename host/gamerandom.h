#pragma once
// The game's random numbers: the classic 32-bit linear congruential generator, so a given seed
// always deals the same cards on every platform.
#include <QTime>
#include <QtGlobal>

namespace mb {

class GameRandom {
public:
    explicit GameRandom(quint32 seed = 0) : seed_(seed) {}

    // A number in 0 .. n-1, taken from the upper bits of the advanced seed.
    int below(int n) {
        seed_ = seed_ * kMultiplier + 1u;
        return int((quint64(seed_) * quint32(n)) >> 32);
    }
    quint32 seed() const { return seed_; }

private:
    static constexpr quint32 kMultiplier = 0x08088405u;
    quint32 seed_;
};

// ((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds of the given time of day.
quint32 timeOfDaySeed(const QTime& time);
// The seed a program uses at start: the current UTC time of day.
quint32 clockSeed();

}  // namespace mb
