#pragma once
// Works off a queue one entry per tick, like a fixed-rate timer, but only ticks while there is
// work: an idle table costs no CPU.
//
// Waking from idle handles the first entry at once rather than a whole tick later, so a lone
// message (a move, a chat line) is not held back by the tick. The tick then runs on: another
// entry, whether already waiting or woken during that tick, waits for the next tick, so entries
// are never handled faster than one per interval and a flood is paced exactly as before. Only a
// tick that finds nothing to do puts the pump back to idle.
//
// "At once" is the next pass of the event loop, not inside wake(): wake() is called from socket
// read and close notifications, and a step may close that very socket or its window.
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
    // Call after queueing work. From idle the step runs on the next pass of the event loop;
    // while ticking, the work waits for the next tick.
    void wake();
    // Awake: a step is due now or at the next tick.
    bool isTicking() const { return stepDue_ || timer_.isActive(); }

private:
    void stepNow();
    void tick();
    QTimer timer_;
    std::function<bool()> step_;
    bool stepDue_ = false;  // the step of a wake from idle is posted and has not run
    bool more_ = false;     // the next tick has an entry to handle
};

}  // namespace mb
