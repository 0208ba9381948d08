#pragma once
// Works off a queue one entry per tick, like a fixed-rate timer, but only ticks while there is
// work: an idle table costs no CPU.
//
// Waking from idle handles the first entry at once rather than a whole tick later, so a lone
// message (a move, a chat line) is not held back by the tick. Steps are paced by a schedule that
// advances one interval per step: a step that would run ahead of it by more than `burst - 1`
// intervals waits until it may, so a flood is handled one entry per interval however it arrives.
// With a burst of 2, a message that comes just after another one (a player's chat line, then
// the move) is handled at once too instead of waiting out the first one's tick; the schedule
// takes that step back from the next entry, so the long-run rate stays one per interval.
//
// "At once" is the next pass of the event loop, not inside wake(): wake() is called from socket
// read and close notifications, and a step may close that very socket or its window.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace mb {

class TickPump : public QObject {
    Q_OBJECT
public:
    // `step` handles one entry and returns whether more work is waiting. `burst` (at least 1)
    // is how many steps may follow each other without waiting a tick in between.
    TickPump(std::chrono::milliseconds interval, std::function<bool()> step,
             QObject* parent = nullptr, int burst = 1);
    // Call after queueing work. A step runs on the next pass of the event loop when the pacing
    // allows it, otherwise at the earliest tick that does.
    void wake();
    // Awake: a step is due now or at a coming tick.
    bool isTicking() const { return stepDue_ || timer_.isActive(); }

private:
    void stepNow();
    void schedule();
    std::chrono::nanoseconds now() const { return std::chrono::nanoseconds(clock_.nsecsElapsed()); }
    QTimer timer_;
    QElapsedTimer clock_;
    std::function<bool()> step_;
    std::chrono::nanoseconds interval_;
    std::chrono::nanoseconds slack_;  // how far a step may run ahead of the schedule
    std::chrono::nanoseconds due_{};  // when the next step is due by the schedule
    bool stepDue_ = false;            // a step is posted and has not run
    bool stepping_ = false;           // inside the step: wakes only mark more work
    bool more_ = false;               // woken while stepping
};

}  // namespace mb
