#pragma once
// Refuses connection storms: an address that opens too many connections in a short time is
// turned away for a while, so connect-and-close loops cannot keep the host busy.
#include <QHash>
#include <QString>
#include <chrono>
#include <deque>

#include "host/hostlimits.h"

namespace mb {

class ConnectionThrottle {
public:
    enum class Verdict {
        Admitted,
        Banned,   // refused, and the address is refused from now on for a while
        Refused,  // refused: the address is serving its time
    };

    Verdict admit(const QString& address, std::chrono::milliseconds now);
    qsizetype trackedAddresses() const { return addresses_.size(); }

private:
    struct Record {
        std::deque<std::chrono::milliseconds> opened;  // within the window, oldest first
        std::chrono::milliseconds bannedUntil{};
    };
    // Drops what no longer matters, so the table stays small whatever the peers do.
    void forgetOld(std::chrono::milliseconds now);

    QHash<QString, Record> addresses_;
};

}  // namespace mb
