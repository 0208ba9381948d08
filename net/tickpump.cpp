#include "net/tickpump.h"

namespace mb {

TickPump::TickPump(std::chrono::milliseconds interval, std::function<bool()> step, QObject* parent)
    : QObject(parent), step_(std::move(step)) {
    timer_.setInterval(interval);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TickPump::tick);
}

void TickPump::wake() {
    more_ = true;
    if (isTicking()) return;
    stepDue_ = true;
    QMetaObject::invokeMethod(this, &TickPump::stepNow, Qt::QueuedConnection);
}

void TickPump::stepNow() {
    stepDue_ = false;
    // Started before the step, so that the step's own wakes (and any that follow) find the
    // pump ticking and wait for the tick.
    timer_.start();
    more_ = step_();
}

void TickPump::tick() {
    if (!more_) {
        timer_.stop();
        return;
    }
    more_ = step_();
}

}  // namespace mb
