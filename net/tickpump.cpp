#include "net/tickpump.h"

namespace mb {

TickPump::TickPump(std::chrono::milliseconds interval, std::function<bool()> step, QObject* parent)
    : QObject(parent), step_(std::move(step)) {
    timer_.setInterval(interval);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TickPump::tick);
}

void TickPump::wake() {
    if (!timer_.isActive()) timer_.start();
}

void TickPump::tick() {
    if (!step_()) timer_.stop();
}

}  // namespace mb
