#pragma once
// A host core wired to a recording transport and hand-driven timers: a test connects seats,
// sends messages and steps the clock, then reads exactly what each seat was sent.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <utility>
#include <vector>

#include "core/errornotice.h"
#include "core/version.h"
#include "host/hostcore.h"

namespace mbtest {

class RecordingTransport : public mb::HostOutput, public mb::HostTimers {
public:
    void send(int seat, const QByteArray& message) override { sent.emplace_back(seat, message); }
    void closeSeat(int seat) override { closed.push_back(seat); }
    void startBreaksTimer() override { breaksRunning = true; }
    void stopBreaksTimer() override { breaksRunning = false; }
    void startComputerTimer(std::chrono::milliseconds interval) override {
        computerRunning = true;
        computerIntervals.push_back(interval);
    }
    void stopComputerTimer() override { computerRunning = false; }

    // Messages sent to `seat`, oldest first.
    QList<QByteArray> to(int seat) const {
        QList<QByteArray> out;
        for (const auto& [s, m] : sent)
            if (s == seat) out.append(m);
        return out;
    }
    // Messages to `seat` whose command is `command`.
    QList<QByteArray> to(int seat, const QByteArray& command) const {
        QList<QByteArray> out;
        for (const QByteArray& m : to(seat))
            if (m.startsWith(command + '+')) out.append(m);
        return out;
    }
    // The seats that received `message`, in the order they received it.
    QList<int> receivers(const QByteArray& message) const {
        QList<int> out;
        for (const auto& [s, m] : sent)
            if (m == message) out.append(s);
        return out;
    }
    void clear() {
        sent.clear();
        closed.clear();
    }

    std::vector<std::pair<int, QByteArray>> sent;
    std::vector<int> closed;
    bool breaksRunning = false;
    bool computerRunning = false;
    std::vector<std::chrono::milliseconds> computerIntervals;
};

// Collects conversion-error notices while alive.
class NoticeCatcher {
public:
    NoticeCatcher() {
        previous_ = mb::setErrorSink([this](const QString& text) { notices.append(text); });
    }
    ~NoticeCatcher() { mb::setErrorSink(previous_); }
    QStringList notices;

private:
    mb::ErrorSink previous_;
};

inline constexpr quint32 kTestSeed = 20240607;

struct Table {
    explicit Table(quint32 seed = kTestSeed) : core(io, io, mb::GameRandom(seed)) {
        core.setClock([this] { return clock; });
    }
    // Moves the core's clock on and runs its deadline checks.
    void advance(std::chrono::milliseconds by) {
        clock += by;
        core.housekeepingTick();
    }

    int connect() { return core.acceptConnection(); }
    void say(int seat, const QByteArray& entry) { core.dispatchEntry(seat, entry); }
    int join(const QByteArray& name, const QByteArray& version = mb::kProgramVersion) {
        const int seat = connect();
        say(seat, "CMD_logininfo+" + QByteArray::number(seat) + '+' + version + '+' + name);
        return seat;
    }
    void start(int bySeat = 1, int playTo = 1000) {
        say(bySeat, "CMD_startgame+Starter+" + QByteArray::number(playTo) + '+');
    }
    void move(int seat, int source, int slot) {
        say(seat, "CMD_replacecard+" + QByteArray::number(seat) + '+' + QByteArray::number(source) +
                      '+' + QByteArray::number(slot) + '+');
    }
    // Runs the pause timer until it stops: the next turn or round has begun.
    void endPause() {
        while (core.breaksTimerActive()) core.breaksTick();
    }
    // Steps whichever timer runs until `done` holds or nothing runs any more. Returns `done()`.
    template <typename Done>
    bool runUntil(Done done, int maxSteps = 1'000'000) {
        for (int i = 0; i < maxSteps && !done(); ++i) {
            if (core.computerTimerActive())
                core.computerTick();
            else if (core.breaksTimerActive())
                core.breaksTick();
            else
                break;
        }
        return done();
    }

    RecordingTransport io;
    mb::HostCore core;
    std::chrono::milliseconds clock{1'000'000};
};

inline QByteArray handText(const mb::Hand& hand) {
    QByteArray out;
    for (int slot = 1; slot <= mb::kHandSize; ++slot)
        out += '+' + QByteArray::number(slot) + '+' + QByteArray::number(hand[slot - 1]);
    return out;
}

}  // namespace mbtest
