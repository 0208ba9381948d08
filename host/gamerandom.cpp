#include "host/gamerandom.h"

#include <QDateTime>

namespace mb {

quint32 timeOfDaySeed(const QTime& time) {
    return quint32(((time.hour() * 60 + time.minute()) * 60 + time.second()) * 1000 + time.msec());
}

quint32 clockSeed() {
    return timeOfDaySeed(QDateTime::currentDateTimeUtc().time());
}

}  // namespace mb
