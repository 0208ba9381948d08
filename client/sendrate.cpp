#include "client/sendrate.h"

#include <utility>

namespace mb::chat {

SendRate::SendRate(Clock now) : now_(std::move(now)) {
    if (!now_)
        now_ = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch());
        };
}

SendRate::Verdict SendRate::take() {
    const std::chrono::milliseconds t = now_();
    if (count_ == kMaxRelaysPerWindow && t - sent_[size_t(next_)] < kRelayWindow + kRelaySlack)
        return std::exchange(refusing_, true) ? Verdict::RefuseQuietly : Verdict::Refuse;
    refusing_ = false;
    sent_[size_t(next_)] = t;
    next_ = (next_ + 1) % kMaxRelaysPerWindow;
    if (count_ < kMaxRelaysPerWindow) ++count_;
    return Verdict::Send;
}

}  // namespace mb::chat
