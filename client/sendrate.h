#pragma once
// The client's own count of the chat lines, actions and chatter sounds it sends. The host
// relays at most kMaxRelaysPerWindow of them from one connection within kRelayWindow and drops
// the rest without a word to the sender; the client counts by the same rule, so that instead
// of sending one the host would drop it can say so.
#include <array>
#include <chrono>
#include <functional>

#include "host/hostlimits.h"

namespace mb::chat {

// Said once per burst of refused sends.
inline constexpr char kSendingTooFast[] = "0+You are sending too fast: wait a moment.";
// The host times a relay when it arrives, the client when it leaves; this much more than the
// host's window covers a line that the network held back and then delivered with the next.
inline constexpr std::chrono::milliseconds kRelaySlack{250};

class SendRate {
public:
    using Clock = std::function<std::chrono::milliseconds()>;
    enum class Verdict {
        Send,           // counted; send it
        Refuse,         // the first refusal of a burst: say so
        RefuseQuietly,  // the burst goes on: said already
    };

    // The clock is the steady clock unless a test gives its own.
    explicit SendRate(Clock now = {});
    // Asks to send one more; a refused one is not counted.
    Verdict take();

private:
    Clock now_;
    std::array<std::chrono::milliseconds, kMaxRelaysPerWindow> sent_{};  // a ring, oldest next
    int count_ = 0;
    int next_ = 0;
    bool refusing_ = false;  // a burst is on: it ends with the next send that goes out
};

}  // namespace mb::chat
