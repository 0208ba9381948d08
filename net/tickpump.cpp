#include "net/tickpump.h"

#include <algorithm>

namespace mb {

TickPump::TickPump(std::chrono::milliseconds interval, std::function<bool()> step, QObject* parent,
                   int burst)
    : QObject(parent),
      step_(std::move(step)),
      interval_(interval),
      slack_(interval * (std::max(burst, 1) - 1)) {
    clock_.start();
    due_ = now();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TickPump::stepNow);
}

void TickPump::wake() {
    if (stepping_) {
        more_ = true;
        return;
    }
    if (isTicking()) return;
    schedule();
}

void TickPump::schedule() {
    const std::chrono::nanoseconds wait = due_ - slack_ - now();
    if (wait <= std::chrono::nanoseconds::zero()) {
        stepDue_ = true;
        QMetaObject::invokeMethod(this, &TickPump::stepNow, Qt::QueuedConnection);
        return;
    }
    // Rounded up: a step never runs ahead of the schedule.
    timer_.start(std::chrono::ceil<std::chrono::milliseconds>(wait));
}

void TickPump::stepNow() {
    stepDue_ = false;
    // A pump that stood idle starts the schedule afresh from now; a busy one keeps to it, and a
    // late timer moves it on, so the steps that follow never crowd together to catch up.
    due_ = std::max(due_, now()) + interval_;
    stepping_ = true;
    more_ = false;
    const bool more = step_();
    stepping_ = false;
    if (more || more_) schedule();
}

}  // namespace mb
