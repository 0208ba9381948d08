#pragma once
// The application's standard error notice. The windowed program routes it to a message box;
// headless programs and tests keep the default (standard error) or install their own sink.
#include <QString>
#include <chrono>
#include <functional>
#include <utility>

namespace mb {

using ErrorSink = std::function<void(const QString&)>;

void showErrorNotice(const QString& text);
// Returns the previous sink so a test can restore it.
ErrorSink setErrorSink(ErrorSink sink);

// A log that a peer could fill with malformed numbers by the hundred stays readable: the first
// few notices of each period are written, the rest only counted and summed up when it ends.
inline constexpr int kNoticesPerPeriod = 5;
inline constexpr std::chrono::minutes kNoticePeriod{1};

class NoticeThrottle {
public:
    // Whether this notice is to be written now; otherwise it is counted.
    bool admit() {
        if (shown_ < kNoticesPerPeriod) {
            ++shown_;
            return true;
        }
        ++held_;
        return false;
    }
    // Ends the period: returns how many notices were held back in it, and starts afresh.
    int endPeriod() {
        shown_ = 0;
        return std::exchange(held_, 0);
    }

private:
    int shown_ = 0;
    int held_ = 0;
};

}  // namespace mb
