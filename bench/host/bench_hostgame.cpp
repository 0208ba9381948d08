// Headless game throughput: four present seats, all watching, so the computer plays every turn
// of every round. Timers are stepped by hand; every message is built and counted as if sent.
#include <sys/resource.h>

#include <QElapsedTimer>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "host/hostcore.h"

namespace {

constexpr int kDefaultRounds = 100'000;
constexpr quint32 kSeed = 7772;

class CountingTransport : public mb::HostOutput, public mb::HostTimers, public mb::HostObserver {
public:
    void send(int, const QByteArray& message) override {
        ++messages;
        bytes += message.size() + 1;
    }
    void closeSeat(int) override {}
    void startBreaksTimer() override {}
    void stopBreaksTimer() override {}
    void startComputerTimer(std::chrono::milliseconds) override {}
    void stopComputerTimer() override {}
    void roundOver(int, int, int) override { ++rounds; }
    void gameWon(int, int) override { ++games; }

    long long messages = 0;
    long long bytes = 0;
    long long rounds = 0;
    long long games = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const long long target = argc > 1 ? std::atoll(argv[1]) : kDefaultRounds;
    CountingTransport io;
    mb::HostCore core(io, io, mb::GameRandom(kSeed));
    core.setObserver(&io);
    for (int s = 1; s <= mb::kTableSeats; ++s) {
        core.acceptConnection();
        core.dispatchEntry(s, "CMD_logininfo+" + QByteArray::number(s) + "+1.0.0+Bot");
    }
    // No total ever wins: rounds follow each other until the target is reached.
    core.dispatchEntry(1, "CMD_startgame+Bench+" + QByteArray::number(INT_MAX) + '+');
    for (int s = 1; s <= mb::kTableSeats; ++s)
        core.dispatchEntry(s, "CMD_justwatch+" + QByteArray::number(s) + "+1");

    long long turns = 0;
    QElapsedTimer timer;
    timer.start();
    while (io.rounds < target) {
        if (core.computerTimerActive()) {
            core.computerTick();
            ++turns;
        } else if (core.breaksTimerActive()) {
            core.breaksTick();
        } else {
            std::fprintf(stderr, "the game stalled after %lld rounds\n", io.rounds);
            return 1;
        }
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("host game: %lld four-seat rounds, %lld computer turns in %.3f s\n", io.rounds,
                turns, seconds);
    std::printf("  %.0f rounds/s, %.1f turns per round, %.2f M messages (%.1f MB) built\n",
                double(io.rounds) / seconds, double(turns) / double(io.rounds),
                double(io.messages) / 1e6, double(io.bytes) / 1e6);
    std::printf("  peak memory (max RSS): %ld KiB\n", usage.ru_maxrss);
    return 0;
}
