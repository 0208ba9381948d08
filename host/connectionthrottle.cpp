#include "host/connectionthrottle.h"

#include <iterator>

namespace mb {

ConnectionThrottle::Verdict ConnectionThrottle::admit(const QString& address,
                                                      std::chrono::milliseconds now) {
    if (addresses_.size() >= kMaxTrackedAddresses) forgetOld(now);
    if (addresses_.size() >= kMaxTrackedAddresses && !addresses_.contains(address)) {
        // A crowd of addresses each below the bound: count afresh, but keep serving the bans.
        for (auto it = addresses_.begin(); it != addresses_.end();)
            it = now < it->bannedUntil ? std::next(it) : addresses_.erase(it);
    }
    Record& r = addresses_[address];
    if (now < r.bannedUntil) return Verdict::Refused;
    while (!r.opened.empty() && now - r.opened.front() >= kConnectWindow) r.opened.pop_front();
    if (r.opened.size() >= size_t(kMaxConnectsPerWindow)) {
        r.opened.clear();
        r.bannedUntil = now + kConnectBan;
        return Verdict::Banned;
    }
    r.opened.push_back(now);
    return Verdict::Admitted;
}

void ConnectionThrottle::forgetOld(std::chrono::milliseconds now) {
    for (auto it = addresses_.begin(); it != addresses_.end();) {
        const Record& r = it.value();
        const bool quiet = r.opened.empty() || now - r.opened.back() >= kConnectWindow;
        if (quiet && now >= r.bannedUntil)
            it = addresses_.erase(it);
        else
            ++it;
    }
}

}  // namespace mb
