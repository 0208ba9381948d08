#include "host/gamerandom.h"

#include <QRandomGenerator>

namespace mb {

int GameRandom::below(int n) {
    if (!seed_) return int(QRandomGenerator::system()->bounded(quint32(n)));
    *seed_ = *seed_ * kMultiplier + 1u;
    return int((quint64(*seed_) * quint32(n)) >> 32);
}

}  // namespace mb
