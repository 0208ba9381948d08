// libFuzzer target for the card table of a copy that joined someone else's host: whatever that
// host sends. Each input is a little program: bytes arrive and go through framing, the inbound
// queue and dispatch as the client's own do, messages that are nearly well-formed are dispatched
// directly, the host gives a seat at login, and the player clicks the piles, the hand and the
// seat menus. After every step the table must stay within what its window draws (a turn arrow
// at a seat, one spy list entry per spectator seat, the settings read once), and whatever the
// table sends back must be one well-formed message of a kind the host takes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <vector>

#include "client/tablemodel.h"
#include "net/commands.h"
#include "net/dispatch.h"
#include "net/framing.h"
#include "tests/fuzz/inputreader.h"

namespace {

constexpr int kMaxFields = 12;
// A table line is a name or a number and a few words: the longest is an entry and a sentence.
constexpr qsizetype kMaxLineLength = mb::kMaxEntryLength + 64;

[[noreturn]] void fail(const char* what, qsizetype value = 0) {
    std::fprintf(stderr, "invariant broken: %s (%lld)\n", what, static_cast<long long>(value));
    __builtin_trap();
}

class Recorder : public mb::TableEffects {
public:
    explicit Recorder(bool newTurnSound) : newTurnSound_(newTurnSound) {}

    void sendToHost(const QByteArray& message) override {
        // One frame: a terminator or a line break inside would make two messages of it.
        if (message.contains('\xFF') || message.contains('\n')) fail("split message to host");
        bool known = false;
        for (const mb::Command& c : mb::kCommands)
            if (mb::receivedBy(c.receiver, mb::Receiver::Host) &&
                message.startsWith(QByteArray(c.name) + '+'))
                known = true;
        if (!known) fail("message the host does not take", message.size());
        if (message.size() > 64) fail("long message to host", message.size());
    }
    void playsounds(const QString& name) override {
        if (name.isEmpty() || name.size() > 16) fail("sound name", name.size());
    }
    void addSystemLine(const QString& line) override {
        if (!line.startsWith(QLatin1String("0+"))) fail("system line without its style");
        if (line.size() > kMaxLineLength) fail("system line length", line.size());
    }
    void addcounter(int) override {}
    void addgame(const mb::GameWinner& winner) override {
        if (winner && winner->size() > kMaxLineLength) fail("tally name length", winner->size());
    }
    void loadinifile() override {
        if (++settingsReads_ > 1) fail("settings read again", settingsReads_);
    }
    int turnSound() const override { return newTurnSound_ ? 1 : 0; }
    void myTurnBegins() override {}

private:
    bool newTurnSound_;
    int settingsReads_ = 0;
};

using Reader = mbfuzz::InputReader;

void checkTable(const mb::TableModel& table) {
    if (table.turnArrowSeat < 0 || table.turnArrowSeat > mb::kTableSeats)
        fail("turn arrow seat", table.turnArrowSeat);
    if (table.spies.size() > mb::kMaxSeats - mb::kTableSeats)
        fail("spy list entries", table.spies.size());
    for (const QString& entry : table.spies) {
        const int seat = entry.section(QLatin1Char(':'), 0, 0).toInt();
        if (seat <= mb::kTableSeats || seat > mb::kMaxSeats) fail("spy list seat", seat);
    }
    for (int s = 1; s <= mb::kTableSeats; ++s) {
        const mb::SeatView& v = table.seat(s);
        if (v.name.size() > mb::kMaxEntryLength || v.score.size() > mb::kMaxEntryLength ||
            v.bonus.size() > mb::kMaxEntryLength + 1)
            fail("seat text length", s);
    }
    for (const QString* text : {&table.status, &table.completed, &table.winnerText,
                                &table.playToScore, &table.roundNumber, &table.numTurns})
        if (text->size() > kMaxLineLength) fail("table text length", text->size());
}

// A message close to what a host sends: a command the table answers to (from its own dispatch
// table), numbers mostly in range, now and then a list's end marker or a word for a number.
QByteArray nearlyValidMessage(Reader& in, const std::vector<const char*>& commands) {
    static const char* const kTexts[] = {"",    "@",      "Ann", "<Waiting>", "Duro",
                                         "1",   "2",      "-1",  "61",        "2147483647",
                                         "x+y", "9: Ann", "abc", "600",       "@@"};
    return mbfuzz::nearlyValidMessage(in, commands, kTexts, kMaxFields, -1, 14);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mbfuzz::silenceErrorNotices();

    Reader in(data, size);
    const uint8_t options = in.byte();
    mb::ClientState st;
    Recorder effects(options & 1);
    mb::TableModel table(st, effects);
    mb::Dispatcher dispatcher;
    table.addHandlers(dispatcher);
    const std::vector<QByteArray> names = dispatcher.commands();
    std::vector<const char*> commands;
    for (const QByteArray& name : names) commands.push_back(name.constData());
    mb::FrameDecoder remainder;
    mb::InboundQueue received;

    const auto run = [&](const QByteArray& entry) {
        dispatcher.dispatch(entry);
        checkTable(table);
    };
    while (in.more()) {
        switch (in.byte() % 9) {
            case 0: {
                // Bytes off the wire, through the client's framing and queue.
                const size_t length = in.byte() | size_t(in.byte()) << 8;
                QList<QByteArray> messages;
                if (remainder.feed(in.bytes(length), messages) ==
                    mb::FrameDecoder::Result::Overflow)
                    return 0;  // the client drops such a host
                for (const QByteArray& m : messages) received.push(m);
                while (!received.empty()) run(received.pop());
                break;
            }
            case 1:
                run(nearlyValidMessage(in, commands));
                break;
            case 2:
                // The login answer: any number a host cares to give.
                st.myseat = int(int8_t(in.byte())) % 12;
                st.isconnected = true;
                st.ishost = options & 2;
                break;
            case 3:
                table.pileClick(int(in.byte() % 4));
                checkTable(table);
                break;
            case 4:
                table.handClick(int(in.byte() % 13) - 1);
                checkTable(table);
                break;
            case 5:
                table.JustWatch1Click();
                break;
            case 6: {
                const int seat = int(in.byte() % 12) - 1;
                table.seatMenu(seat);
                table.setJustWatch(seat, in.byte() & 1);
                table.kicking(seat);
                break;
            }
            case 7:
                table.winnerDone();
                break;
            case 8:
                table.clearall();
                checkTable(table);
                break;
        }
    }
    return 0;
}
