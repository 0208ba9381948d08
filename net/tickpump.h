#pragma once
// Works off a queue one entry per tick, like a fixed-rate timer, but only ticks while there is
// work: an idle table costs no CPU.
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace mb {

class TickPump : public QObject {
    Q_OBJECT
public:
    // `step` handles one entry and returns whether more work is waiting.
    TickPump(std::chrono::milliseconds interval, std::function<bool()> step,
             QObject* parent = nullptr);
    // Call after queueing work; starts ticking if idle.
    void wake();
    bool isTicking() const { return timer_.isActive(); }

private:
    void tick();
    QTimer timer_;
    std::function<bool()> step_;
};

}  // namespace mb
