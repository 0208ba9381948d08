// libFuzzer target for the host core. Each input is a little program: connections open and
// close, arbitrary bytes arrive on them and go through framing and dispatch, messages that are
// nearly well-formed are dispatched directly, the three timers tick and the clock moves on.
// After every step the cards must still be accounted for, seats and turn must stay in range,
// and names must stay short and distinct.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <vector>

#include <QString>

#include "host/hostcore.h"
#include "tests/fuzz/inputreader.h"

namespace {

constexpr int kMaxDrainTicks = 300;
constexpr int kMaxTimerSteps = 1024;
constexpr int kMaxFields = 5;

class NullTransport : public mb::HostOutput, public mb::HostTimers {
public:
    void send(int seat, const QByteArray&) override {
        check(seat >= 1 && seat <= mb::kRefusedSeat);
    }
    void closeSeat(int seat) override { check(seat >= 1 && seat <= mb::kRefusedSeat); }
    void startBreaksTimer() override {}
    void stopBreaksTimer() override {}
    void startComputerTimer(std::chrono::milliseconds) override {}
    void stopComputerTimer() override {}

    static void check(bool ok) {
        if (!ok) {
            std::fprintf(stderr, "host sent to a seat out of range\n");
            __builtin_trap();
        }
    }
};

using Reader = mbfuzz::InputReader;

[[noreturn]] void fail(const char* what, int value) {
    std::fprintf(stderr, "invariant broken: %s (%d)\n", what, value);
    __builtin_trap();
}

void checkInvariants(const mb::HostCore& core) {
    for (int s = 1; s <= mb::kMaxSeats; ++s)
        if (core.queuedEntries(s) > mb::kMaxBacklog) fail("backlog bound", s);
    if (core.seat(mb::kRefusedSeat).present) fail("refused seat present", 0);
    for (int s = 1; s <= mb::kMaxSeats; ++s) {
        const mb::SeatRecord& r = core.seat(s);
        if (r.loggedIn && !r.present) fail("logged in but gone", s);
        // The cap, plus the mark that tells equal names apart.
        if (r.name.size() > mb::kMaxNameBytes + 4) fail("name too long", s);
        for (int o = 1; o < s; ++o)
            if (r.loggedIn && core.seat(o).loggedIn &&
                QString::fromUtf8(r.name).compare(QString::fromUtf8(core.seat(o).name),
                                                  Qt::CaseInsensitive) == 0)
                fail("two seats share a name", s);
    }
    const int turn = core.turnSeat();
    if (turn < 0 || turn > mb::kTableSeats) fail("turn seat range", turn);

    const mb::CardPiles& p = core.piles();
    if (!core.gameStarted()) {
        if (p.dealtSize != 0) fail("cards dealt before any game", p.dealtSize);
        return;
    }
    if (turn == 0 || !core.seat(turn).playing) fail("turn seat not playing", turn);
    if (p.dealtSize != 40 && p.dealtSize != 50 && p.dealtSize != 60)
        fail("dealt size", p.dealtSize);
    if (p.deckSize < 0 || p.deckSize > mb::kMaxDeckSize) fail("deck size", p.deckSize);
    if (p.drawIndex < 0 || p.drawIndex > p.deckSize) fail("draw index", p.drawIndex);
    if (p.discardCount < 1 || p.discardCount > mb::kMaxDeckSize)
        fail("discard count", p.discardCount);
    if (core.turnOpen() && p.drawIndex >= p.deckSize) fail("open turn with empty draw pile", 0);

    // Every card in exactly one place: draw pile remainder, discard pile, or a playing hand.
    std::vector<int> seen(size_t(p.dealtSize) + 1, 0);
    auto count = [&](int card, const char* where) {
        if (card < 1 || card > p.dealtSize) fail(where, card);
        if (++seen[size_t(card)] > 1) fail("card held twice", card);
    };
    for (int i = p.drawIndex; i < p.deckSize; ++i) count(p.deck[size_t(i)], "draw pile card");
    for (int i = 0; i < p.discardCount; ++i) count(p.discard[size_t(i)], "discard pile card");
    for (int s = 1; s <= mb::kTableSeats; ++s)
        if (core.seat(s).playing)
            for (int card : core.seat(s).hand) count(card, "hand card");
    for (int card = 1; card <= p.dealtSize; ++card)
        if (seen[size_t(card)] != 1) fail("card missing", card);
}

// A message that is close to what a client sends: a known command, numbers mostly in range.
QByteArray nearlyValidMessage(Reader& in) {
    static const char* const kCommands[] = {"CMD_logininfo", "CMD_kickhim",    "CMD_chat",
                                            "CMD_action",    "CMD_playasound", "CMD_startgame",
                                            "CMD_justwatch", "CMD_replacecard"};
    static const char* const kTexts[] = {"",      "@",  "1.0.0",      "Ann", "x|clRed", "+",
                                         "wave3", "-1", "2147483648", "0",   "abc"};
    return mbfuzz::nearlyValidMessage(in, kCommands, kTexts, kMaxFields, 0, 13);
}

void runTimers(mb::HostCore& core, int steps) {
    for (int i = 0; i < steps; ++i) {
        if (core.computerTimerActive())
            core.computerTick();
        else if (core.breaksTimerActive())
            core.breaksTick();
        else
            return;
        checkInvariants(core);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mbfuzz::silenceErrorNotices();

    Reader in(data, size);
    quint32 seed = 0;
    for (int i = 0; i < 4; ++i) seed = seed << 8 | in.byte();
    NullTransport io;
    mb::HostCore core(io, io, mb::GameRandom(seed));
    std::chrono::milliseconds now{0};
    core.setClock([&now] { return now; });
    // The seed's low bits pick the options of a host without a player of its own.
    core.setKeepHostSeatInGame(seed & 1);
    if (seed & 2) core.setTurnLimit(std::chrono::seconds(1 + (seed >> 2) % 30));

    while (in.more()) {
        switch (in.byte() % 11) {
            case 0:
                core.acceptConnection();
                break;
            case 1:
                core.seatClosed(in.byte() % 12);
                break;
            case 2: {
                const int seat = in.byte() % 12;
                core.receive(seat, in.bytes(in.byte()));
                break;
            }
            case 3:
                core.socktimerTimer();
                break;
            case 4:
                for (int i = 0; i < kMaxDrainTicks && core.socktimerTimer(); ++i)
                    checkInvariants(core);
                break;
            case 5:
                core.breaksTick();
                break;
            case 6:
                core.computerTick();
                break;
            case 7: {
                const int seat = in.byte() % 11;
                core.dispatchEntry(seat, nearlyValidMessage(in));
                break;
            }
            case 8:
                runTimers(core, 1 + in.byte() * kMaxTimerSteps / 256);
                break;
            case 9:
                core.disconnectsock(in.byte() % 12);
                break;
            case 10:
                now += std::chrono::milliseconds(in.byte()) * 100;
                core.housekeepingTick();
                break;
        }
        checkInvariants(core);
    }
    return 0;
}
