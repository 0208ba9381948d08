// Seats, login, roster, relays, removal, just watch and the inbound queue of the host core.
#include <QtTest>

#include "host/connectionthrottle.h"
#include "host/logtext.h"
#include "hostfixture.h"

using mbtest::NoticeCatcher;
using mbtest::Table;
using namespace std::chrono_literals;

class HostSessionTest : public QObject {
    Q_OBJECT
private slots:
    void seatsFillLowestFirstAndAreReused();
    void bareConnectionsGiveWay();
    void tenthConnectionIsRefused();
    void closeReportsAreIdempotent();
    void loginAnnouncesNewcomerAndListsOthers();
    void versionMismatchWarnsBothSides();
    void playerNamesAreMadeSafe_data();
    void playerNamesAreMadeSafe();
    void relaysCarryExactTexts();
    void senderIdentityBelongsToConnection();
    void conversionErrorStopsOnlyThatMessage();
    void onlySeatOneRemovesPlayers();
    void justWatchRules();
    void disconnectTellsOthersOnly();
    void queueServesConnectionsInTurn();
    void floodingConnectionIsClosed();
    void closedConnectionLosesQueuedEntries();
    void framingAcrossReads();
    void connectionSpeaksAfterOneLogin();
    void sameNamesAreTellApart();
    void bareConnectionsLoseTheirSeat();
    void relayFloodIsCut();
    void hostSeatStaysWithTheComputerDuringAGame();
    void turnLimitMovesForAnIdlePlayer();
    void logTextIsPrintable();
    void throttleTableStaysSmall();
};

namespace {

// What the core reports for a log, one line per event.
struct EventLog : mb::HostObserver {
    void loginTimedOut(int seat) override { lines << QStringLiteral("late %1").arg(seat); }
    void relaysDropped(int seat, const QByteArray& name) override {
        lines << QStringLiteral("flood %1 %2").arg(seat).arg(QString::fromUtf8(name));
    }
    void turnTimedOut(int seat, const QByteArray&) override {
        lines << QStringLiteral("idle %1").arg(seat);
    }
    QStringList lines;
};

}  // namespace

void HostSessionTest::seatsFillLowestFirstAndAreReused() {
    Table t;
    for (int expected = 1; expected <= mb::kMaxSeats; ++expected) {
        QCOMPARE(t.connect(), expected);
        QCOMPARE(t.io.to(expected),
                 QList<QByteArray>{"CMD_sendlogininfo+" + QByteArray::number(expected)});
    }
    t.core.seatClosed(3);
    t.core.seatClosed(7);
    QCOMPARE(t.core.seatForNewConnection(), 3);
    QCOMPARE(t.connect(), 3);
    QCOMPARE(t.connect(), 7);
    QVERIFY(t.core.seat(3).present);
    QVERIFY(t.core.seat(3).name.isEmpty());
}

void HostSessionTest::bareConnectionsGiveWay() {
    Table t;
    t.join("Alice");
    for (int seat = 2; seat <= mb::kMaxSeats; ++seat) {
        t.clock += 1ms;
        QCOMPARE(t.connect(), seat);
    }
    t.start();
    // The computer plays a bare seat's turns: seat 2 was dealt in and has nobody to move it.
    t.move(1, mb::kDrawPile, 1);
    t.endPause();
    QCOMPARE(t.core.turnSeat(), 2);
    QVERIFY(t.core.computerTimerActive());
    // A newcomer to the full table takes the oldest bare seat; seat 1 stays with its player.
    t.io.clear();
    QCOMPARE(t.connect(), 2);
    QCOMPARE(t.io.to(2).first(), QByteArray("CMD_full+"));
    QCOMPARE(t.io.closed, std::vector<int>{2});
    QVERIFY(t.io.to(1, "CMD_playerdisconnected").isEmpty());
    t.clock += 1ms;
    QCOMPARE(t.connect(), 3);
}

void HostSessionTest::tenthConnectionIsRefused() {
    Table t;
    // Only a table of connections that all logged in is full (see bareConnectionsGiveWay).
    for (int i = 0; i < mb::kMaxSeats; ++i) t.join("P" + QByteArray::number(i));
    t.io.clear();
    QCOMPARE(t.connect(), mb::kRefusedSeat);
    QCOMPARE(t.io.to(mb::kRefusedSeat), QList<QByteArray>{"CMD_full+"});
    QCOMPARE(t.io.closed, std::vector<int>{mb::kRefusedSeat});
    QVERIFY(!t.core.seat(mb::kRefusedSeat).present);
    // Nobody else hears about it, and the close report of the refused one changes nothing.
    t.core.seatClosed(mb::kRefusedSeat);
    QCOMPARE(t.io.sent.size(), size_t(1));
    for (int s = 1; s <= mb::kMaxSeats; ++s) QVERIFY(t.core.seat(s).present);
}

void HostSessionTest::closeReportsAreIdempotent() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.io.clear();
    t.core.seatClosed(2);
    QCOMPARE(t.io.to(1), QList<QByteArray>{"CMD_playerdisconnected+2+Bob"});
    t.io.clear();
    t.core.seatClosed(2);  // the socket reports a peer close twice
    t.core.seatClosed(0);
    t.core.seatClosed(42);
    QVERIFY(t.io.sent.empty());
}

void HostSessionTest::loginAnnouncesNewcomerAndListsOthers() {
    Table t;
    t.join("Alice");
    // Alone: only the announcement of herself, no roster list.
    QCOMPARE(t.io.to(1), (QList<QByteArray>{"CMD_sendlogininfo+1", "CMD_newplayerinfo+1+Alice+0"}));

    t.connect();  // seat 2, present but not logged in yet: it hears, but is not listed
    t.io.clear();
    t.join("Carol");
    const QByteArray announce = "CMD_newplayerinfo+3+Carol+0";
    QCOMPARE(t.io.receivers(announce), (QList<int>{1, 2, 3}));
    QCOMPARE(t.io.to(3, "CMD_existingplayers"), QList<QByteArray>{"CMD_existingplayers+1+Alice+0"});
    QVERIFY(t.io.to(1, "CMD_existingplayers").isEmpty());
    // No game has started, so no game state for the newcomer.
    QVERIFY(t.io.to(3, "CMD_gamestats").isEmpty());
}

void HostSessionTest::versionMismatchWarnsBothSides() {
    Table t;
    t.join("Alice");
    t.join("Bob", "0.9.1");
    QCOMPARE(t.io.to(1, "CMD_havewrongversion"), QList<QByteArray>{"CMD_havewrongversion+Bob"});
    QCOMPARE(t.io.to(2, "CMD_wrongversion"), QList<QByteArray>{"CMD_wrongversion+"});
    QVERIFY(t.core.seat(2).present);  // a warning, not a refusal
    t.io.clear();
    t.join("Carol");
    QVERIFY(t.io.to(1, "CMD_havewrongversion").isEmpty());
    QVERIFY(t.io.to(3, "CMD_wrongversion").isEmpty());
}

void HostSessionTest::playerNamesAreMadeSafe_data() {
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("plain") << QByteArray("Alice Smith") << QByteArray("Alice Smith");
    QTest::newRow("separator") << QByteArray("A+B") << QByteArray("A_B");
    QTest::newRow("colour bar") << QByteArray("A|B") << QByteArray("A_B");
    QTest::newRow("controls") << QByteArray("A\rB\tC\x01") << QByteArray("A_B_C_");
    QTest::newRow("empty") << QByteArray("") << QByteArray("Player 2");
    QTest::newRow("end marker") << QByteArray("@") << QByteArray("Player 2");
    QTest::newRow("marker inside") << QByteArray("@home") << QByteArray("@home");
    QTest::newRow("8-bit") << QByteArray("J\xF6rg") << QByteArray("J\xF6rg");
    QTest::newRow("long") << QByteArray(10'000, 'n') << QByteArray(mb::kMaxNameBytes, 'n');
    // Cut before a two-byte character that would not fit whole.
    QTest::newRow("cut at character") << QByteArray(31, 'a') + "\xC3\xA9z" << QByteArray(31, 'a');
    QTest::newRow("fits whole") << QByteArray(30, 'a') + "\xC3\xA9z"
                                << QByteArray(30, 'a') + "\xC3\xA9";
    QTest::newRow("invisible") << QByteArray(
                                      "a\xE2\x80\x8B"
                                      "b\xC2\xAD"
                                      "c\xE2\x80\xAE"
                                      "d\xEF\xBB\xBF")
                               << QByteArray("abcd");
    QTest::newRow("spaces") << QByteArray("  a \xC2\xA0 b\xE3\x80\x80") << QByteArray("a b");
    QTest::newRow("colon") << QByteArray("alice chats: I") << QByteArray("alice chats_ I");
    QTest::newRow("only invisible") << QByteArray("\xE2\x80\x8B ") << QByteArray("Player 2");
    QTest::newRow("C1 control") << QByteArray(
                                       "a\xC2\x85"
                                       "b")
                                << QByteArray("a_b");
}

void HostSessionTest::playerNamesAreMadeSafe() {
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, kept);
    QCOMPARE(mb::safePlayerName(typed, 2), kept);

    Table t;
    t.join("Alice");
    t.join(typed);
    QCOMPARE(t.core.seat(2).name, kept);
    QCOMPARE(t.io.receivers("CMD_newplayerinfo+2+" + kept + "+0"), (QList<int>{1, 2}));
}

void HostSessionTest::relaysCarryExactTexts() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.connect();  // seat 3, not logged in: still hears everything
    t.io.clear();

    t.say(2, "CMD_chat+2+1 + 1 = 2 :)#12|clRed");
    QCOMPARE(t.io.receivers("CMD_chat+2+Bob chats: 1 + 1 = 2 :)#12|clRed"), (QList<int>{1, 2, 3}));
    t.say(2, "CMD_action+2+waves|$00FF0000");
    QCOMPARE(t.io.receivers("CMD_action+2+Bob waves|$00FF0000"), (QList<int>{1, 2, 3}));
    t.say(1, "CMD_playasound+1+wave7+");
    QCOMPARE(t.io.receivers("CMD_playasound+1+wave7+"), (QList<int>{1, 2, 3}));
    QCOMPARE(t.io.sent.size(), size_t(9));

    // Unknown commands and entries without a command are dropped silently.
    t.io.clear();
    t.say(1, "CMD_Chat+1+hi");
    t.say(1, "CMD_chat");
    t.say(1, "");
    QVERIFY(t.io.sent.empty());
}

void HostSessionTest::senderIdentityBelongsToConnection() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.start();
    t.io.clear();
    // Bob's connection speaks for seat 1.
    t.say(2, "CMD_logininfo+1+1.0.0+Mallory");
    t.say(2, "CMD_chat+1+I resign|clBlack");
    t.say(2, "CMD_action+1+resigns|clBlack");
    t.say(2, "CMD_playasound+1+wave3+");
    t.say(2, "CMD_replacecard+1+1+5+");  // seat 1 holds the turn
    QVERIFY(t.io.sent.empty());
    QCOMPARE(t.core.seat(1).name, QByteArray("Alice"));
    QVERIFY(t.core.turnOpen());
}

void HostSessionTest::conversionErrorStopsOnlyThatMessage() {
    NoticeCatcher catcher;
    Table t;
    t.join("Alice");
    t.io.clear();
    t.say(1, "CMD_chat+one+hello");
    QCOMPARE(catcher.notices, QStringList{"'one' is not a valid integer value"});
    QVERIFY(t.io.sent.empty());
    t.say(1, "CMD_chat+1+hello");
    QCOMPARE(t.io.to(1), QList<QByteArray>{"CMD_chat+1+Alice chats: hello"});
}

void HostSessionTest::onlySeatOneRemovesPlayers() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.join("Carol");
    t.io.clear();
    t.say(2, "CMD_kickhim+1+3+");  // claims to be seat 1 from seat 2's connection
    t.say(1, "CMD_kickhim+2+3+");  // seat 1's connection, wrong sender field
    t.say(1, "CMD_kickhim+1+12+");
    t.say(1, "CMD_kickhim+1+0+");
    QVERIFY(t.io.sent.empty());
    QVERIFY(t.io.closed.empty());

    t.say(1, "CMD_kickhim+1+3+");
    QCOMPARE(t.io.closed, std::vector<int>{3});
    QVERIFY(!t.core.seat(3).present);
    QCOMPARE(t.io.receivers("CMD_playerdisconnected+3+Carol"), (QList<int>{1, 2}));
    // The socket's own close report afterwards changes nothing.
    const size_t before = t.io.sent.size();
    t.core.seatClosed(3);
    QCOMPARE(t.io.sent.size(), before);
}

void HostSessionTest::justWatchRules() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.join("Carol");
    t.join("Dave");
    t.join("Spy");  // seat 5
    t.io.clear();

    t.say(2, "CMD_justwatch+2+1");  // no game yet: nothing
    QVERIFY(t.io.sent.empty());
    t.say(2, "CMD_justwatch+2+2");  // playing again is always announced
    QCOMPARE(t.io.receivers("CMD_justwatching+2+2"), (QList<int>{1, 2, 3, 4, 5}));

    t.start();
    QVERIFY(t.core.gameStarted());
    t.io.clear();
    t.say(5, "CMD_justwatch+5+1");  // spectators have no table seat
    t.say(2, "CMD_justwatch+3+1");  // only the hosting player chooses for another seat
    t.say(2, "CMD_justwatch+2+7");
    QVERIFY(t.io.sent.empty());
    t.say(2, "CMD_justwatch+2+1");
    QCOMPARE(t.io.receivers("CMD_justwatching+2+1"), (QList<int>{1, 2, 3, 4, 5}));
    t.say(1, "CMD_justwatch+3+1");
    QVERIFY(t.core.seat(3).watching);

    // A newcomer sees who watches.
    t.io.clear();
    t.join("Eve");
    QCOMPARE(t.io.to(6, "CMD_existingplayers"),
             QList<QByteArray>{"CMD_existingplayers+1+Alice+0+2+Bob+1+3+Carol+1+4+Dave+0+5+Spy+0"});

    // Seat 1 watching during its own turn passes the turn to the computer at once.
    QCOMPARE(t.core.turnSeat(), 1);
    t.io.clear();
    t.say(1, "CMD_justwatch+1+1");
    QCOMPARE(t.core.turnSeat(), 2);
    QCOMPARE(t.io.to(1, "CMD_nextplayer").size(), 1);
    QVERIFY(t.core.computerTimerActive());
}

void HostSessionTest::disconnectTellsOthersOnly() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.join("Carol");
    t.io.clear();
    t.core.seatClosed(2);
    QCOMPARE(t.io.receivers("CMD_playerdisconnected+2+Bob"), (QList<int>{1, 3}));
    QVERIFY(!t.core.seat(2).present);
    QVERIFY(t.core.seat(2).name.isEmpty());
    // A connection that never logged in was never announced, so its leaving is not either.
    t.connect();
    t.io.clear();
    t.core.seatClosed(2);
    QVERIFY(t.io.sent.empty());
}

void HostSessionTest::queueServesConnectionsInTurn() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.join("Carol");
    t.io.clear();
    QByteArray burst;
    for (int i = 0; i < 50; ++i) burst += "CMD_chat+1+spam " + QByteArray::number(i) + '\xFF';
    t.core.receive(1, burst);
    t.core.receive(2, "CMD_chat+2+hi\xFF");
    t.core.receive(3, "CMD_chat+3+hey\xFF");
    QCOMPARE(t.core.queuedEntries(1), 50);

    QVERIFY(t.core.socktimerTimer());
    QVERIFY(t.core.socktimerTimer());
    QVERIFY(t.core.socktimerTimer());
    // One entry per tick, one connection after the other.
    QCOMPARE(t.io.to(1),
             (QList<QByteArray>{"CMD_chat+1+Alice chats: spam 0", "CMD_chat+2+Bob chats: hi",
                                "CMD_chat+3+Carol chats: hey"}));
    int ticks = 3;
    // A second per tick: slower than the relay bound, so nothing is dropped.
    for (t.advance(1s); t.core.socktimerTimer(); t.advance(1s)) ++ticks;
    ++ticks;
    QCOMPARE(ticks, 52);
    QCOMPARE(t.io.to(2).size(), 52);
    QVERIFY(!t.core.hasQueuedInput());
    QVERIFY(!t.core.socktimerTimer());  // an idle tick does nothing
}

void HostSessionTest::floodingConnectionIsClosed() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.io.clear();
    QByteArray flood;
    for (qsizetype i = 0; i <= mb::kMaxBacklog; ++i) flood += "CMD_chat+2+x\xFF";
    t.core.receive(2, flood);
    QCOMPARE(t.io.closed, std::vector<int>{2});
    QVERIFY(!t.core.seat(2).present);
    QCOMPARE(t.core.queuedEntries(2), 0);
    QCOMPARE(t.io.to(1), QList<QByteArray>{"CMD_playerdisconnected+2+Bob"});

    // A message that never ends is cut off the same way, and the others carry on.
    t.join("Carol");
    t.io.clear();
    t.core.receive(2, QByteArray(mb::kMaxRemainder + 1, 'x'));
    QCOMPARE(t.io.closed, std::vector<int>{2});
    t.core.receive(1, "CMD_chat+1+still here\xFF");
    QVERIFY(!t.core.socktimerTimer());
    QCOMPARE(t.io.to(1).last(), QByteArray("CMD_chat+1+Alice chats: still here"));
}

void HostSessionTest::closedConnectionLosesQueuedEntries() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.core.receive(2,
                   "CMD_chat+2+one\xFF"
                   "CMD_chat+2+two\xFF"
                   "CMD_chat+2+thr");
    t.core.seatClosed(2);
    QCOMPARE(t.core.queuedEntries(2), 0);
    // A newcomer in the same seat starts clean: no old entries, no old remainder.
    QCOMPARE(t.join("Dan"), 2);
    t.io.clear();
    t.core.receive(2, "ee\xFF");
    while (t.core.socktimerTimer()) {
    }
    QVERIFY(t.io.sent.empty());
}

void HostSessionTest::framingAcrossReads() {
    Table t;
    t.join("Alice");
    t.io.clear();
    t.core.receive(1, "CMD_chat+1+hel");
    QCOMPARE(t.core.queuedEntries(1), 0);
    t.core.receive(1,
                   "lo\xFF\xFF"
                   "CMD_chat+1+again\xFF");
    QCOMPARE(t.core.queuedEntries(1), 3);  // the empty message takes an entry and a tick
    while (t.core.socktimerTimer()) {
    }
    QCOMPARE(t.io.to(1),
             (QList<QByteArray>{"CMD_chat+1+Alice chats: hello", "CMD_chat+1+Alice chats: again"}));
    // Bytes from a seat nobody holds are dropped.
    t.core.receive(4, "CMD_chat+4+ghost\xFF");
    QCOMPARE(t.core.queuedEntries(4), 0);
}

void HostSessionTest::connectionSpeaksAfterOneLogin() {
    Table t;
    QCOMPARE(t.connect(), 1);
    t.join("Bob");
    t.io.clear();
    // Seat 1 has not logged in: its start, chat and removal requests are not heard.
    t.start();
    t.say(1, "CMD_chat+1+hi");
    t.say(1, "CMD_kickhim+1+2+");
    QVERIFY(t.io.sent.empty());
    QVERIFY(!t.core.gameStarted());

    t.say(1, "CMD_logininfo+1+1.0.0+Alice");
    t.start();
    QCOMPARE(t.io.to(2, "CMD_startgame"), QList<QByteArray>{"CMD_startgame+Alice+1000+"});
    // A second login renames nothing and announces nothing.
    t.io.clear();
    t.say(2, "CMD_logininfo+2+1.0.0+Alice");
    QVERIFY(t.io.sent.empty());
    QCOMPARE(t.core.seat(2).name, QByteArray("Bob"));
}

void HostSessionTest::sameNamesAreTellApart() {
    Table t;
    t.join("Alice");
    t.join("aLiCe");
    QCOMPARE(t.core.seat(2).name, QByteArray("aLiCe (2)"));
    // The mark itself cannot be borrowed.
    t.join("alice (2)");
    QCOMPARE(t.core.seat(3).name, QByteArray("alice (2) (3)"));
    t.join(QByteArray(40, 'A'));
    t.join(QByteArray(40, 'a'));
    QCOMPARE(t.core.seat(5).name, QByteArray(mb::kMaxNameBytes - 4, 'a') + " (5)");
    // A name of someone who left is free again.
    t.core.seatClosed(1);
    QCOMPARE(t.join("ALICE"), 1);
    QCOMPARE(t.core.seat(1).name, QByteArray("ALICE"));

    // Nine long names still fit the roster a client reads whole.
    Table full;
    for (int s = 1; s <= mb::kMaxSeats; ++s) full.join(QByteArray(10'000, char('a' + s)));
    const QByteArray roster = full.io.to(9, "CMD_existingplayers").value(0);
    QVERIFY(roster.size() < mb::kMaxEntryLength);
    QCOMPARE(roster.count('+'), 3 * 8);
}

void HostSessionTest::bareConnectionsLoseTheirSeat() {
    Table t;
    EventLog log;
    t.core.setObserver(&log);
    t.join("Alice");
    t.connect();
    t.advance(mb::kLoginDeadline / 2);
    t.connect();
    t.io.clear();
    t.advance(mb::kLoginDeadline / 2 - 1ms);
    QVERIFY(t.io.closed.empty());
    t.advance(1ms);
    QCOMPARE(t.io.closed, std::vector<int>{2});
    QVERIFY(!t.core.seat(2).present);
    QVERIFY(t.io.sent.empty());  // never announced, so its leaving is not either
    t.advance(mb::kLoginDeadline / 2);
    QCOMPARE(t.io.closed, (std::vector<int>{2, 3}));
    QCOMPARE(log.lines, (QStringList{"late 2", "late 3"}));
    t.advance(mb::kLoginDeadline * 10);
    QVERIFY(t.core.seat(1).present);
}

void HostSessionTest::relayFloodIsCut() {
    Table t;
    EventLog log;
    t.core.setObserver(&log);
    t.join("Alice");
    t.join("Bob");
    t.io.clear();
    // Chat lines, actions and sounds share one budget per connection.
    for (int i = 0; i < mb::kMaxRelaysPerWindow; ++i) {
        t.say(1, "CMD_chat+1+line " + QByteArray::number(i));
        t.advance(100ms);
    }
    t.say(1, "CMD_action+1+dances");
    t.say(1, "CMD_playasound+1+wave1+");
    t.say(1, "CMD_chat+1+too much");
    QCOMPARE(t.io.to(2).size(), mb::kMaxRelaysPerWindow);
    QCOMPARE(log.lines, QStringList{"flood 1 Alice"});
    // Others are not held back.
    t.say(2, "CMD_chat+2+hi");
    QCOMPARE(t.io.to(1).last(), QByteArray("CMD_chat+2+Bob chats: hi"));
    // Once the oldest relay is a window old, one more goes through. A flood that goes on is
    // logged once; one that begins after a quiet window is logged again.
    t.advance(mb::kRelayWindow - 1000ms);
    t.say(1, "CMD_chat+1+later");
    QCOMPARE(t.io.to(2).last(), QByteArray("CMD_chat+1+Alice chats: later"));
    t.say(1, "CMD_chat+1+again");
    QCOMPARE(log.lines, QStringList{"flood 1 Alice"});
    t.advance(mb::kRelayWindow);
    for (int i = 0; i <= mb::kMaxRelaysPerWindow; ++i) t.say(1, "CMD_chat+1+again");
    QCOMPARE(log.lines, (QStringList{"flood 1 Alice", "flood 1 Alice"}));
    // Dropped relays take no tick of their own: the next real message goes out in the same one.
    t.io.clear();
    t.core.receive(1,
                   "CMD_chat+1+x\xFF"
                   "CMD_chat+1+y\xFF"
                   "\xFF"
                   "CMD_chat+2+z\xFF");
    t.core.receive(2, "CMD_chat+2+from Bob\xFF");
    QVERIFY(t.core.socktimerTimer());
    QCOMPARE(t.io.to(1), QList<QByteArray>{"CMD_chat+2+Bob chats: from Bob"});
    QVERIFY(!t.core.socktimerTimer());  // the rest come to nothing, all in one tick
    QCOMPARE(t.io.to(1).size(), 1);
}

void HostSessionTest::hostSeatStaysWithTheComputerDuringAGame() {
    Table t;
    t.core.setKeepHostSeatInGame(true);
    t.join("Alice");
    t.join("Bob");
    t.start(1, 0);  // the first completed hand ends the game
    QCOMPARE(t.core.turnSeat(), 1);
    t.core.seatClosed(1);
    // The owner's turn goes on to the next seat; seat 1 and its rights are nobody's.
    QCOMPARE(t.core.turnSeat(), 2);
    QCOMPARE(t.join("Mallory"), 3);
    t.say(3, "CMD_startgame+Mallory+5+");
    t.say(3, "CMD_kickhim+1+2+");
    QVERIFY(t.io.closed.empty());
    QCOMPARE(t.core.playTo(), 0);

    // A table everybody has left has nobody to protect: someone must be able to start again.
    t.core.seatClosed(2);
    t.core.seatClosed(3);
    QCOMPARE(t.join("Dora"), 1);
    t.core.seatClosed(1);

    QCOMPARE(t.join("Bea"), 1);
    QCOMPARE(t.join("Mallory"), 2);
    t.say(1, "CMD_justwatch+1+1");
    QVERIFY(t.core.gameRunning());
    t.core.seatClosed(1);
    QCOMPARE(t.join("Eve"), 3);
    t.say(2, "CMD_justwatch+2+1");
    QVERIFY(t.runUntil([&] { return t.core.gameOver(); }));
    // Between games the lowest free seat is given again.
    QCOMPARE(t.join("Carol"), 1);
}

void HostSessionTest::turnLimitMovesForAnIdlePlayer() {
    Table t;
    EventLog log;
    t.core.setObserver(&log);
    t.core.setTurnLimit(20s);
    t.join("Alice");
    t.join("Bob");
    t.start();
    const mb::ComputerMove expected =
        mb::computersort(t.core.seat(1).hand, t.core.piles().topCard(), t.core.piles().nextDraw(),
                         t.core.playersThisRound());
    t.io.clear();
    t.advance(20s - 1ms);
    QVERIFY(t.io.sent.empty());
    t.advance(1ms);
    QCOMPARE(log.lines, QStringList{"idle 1"});
    const QList<QByteArray> seen = t.io.to(1, "CMD_hisplay");
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].split('+')[3], QByteArray::number(expected.slot));
    QCOMPARE(seen[0].split('+')[5], QByteArray::number(expected.source));

    // Bob moves in time: the limit does not touch him, nor a turn that has ended.
    t.endPause();
    QCOMPARE(t.core.turnSeat(), 2);
    t.advance(10s);
    t.move(2, mb::kDrawPile, 1);
    t.advance(30s);
    QCOMPARE(log.lines, QStringList{"idle 1"});
    QCOMPARE(t.io.to(2, "CMD_hisplay").size(), 2);
}

void HostSessionTest::logTextIsPrintable() {
    QCOMPARE(mb::printableText("J\xC3\xB6rg \xE2\x82\xAC"), QStringLiteral("J\u00F6rg \u20AC"));
    QCOMPARE(mb::printableText("a\\b\tc\x7F"), QStringLiteral("a\\\\b\\x09c\\x7F"));
    // Invalid, cut short or overlong sequences, and C1 controls, are shown byte by byte.
    QCOMPARE(mb::printableText("\xF6\xC3"), QStringLiteral("\\xF6\\xC3"));
    QCOMPARE(mb::printableText("\xC0\xAF\xC2\x85"), QStringLiteral("\\xC0\\xAF\\xC2\\x85"));
    QCOMPARE(mb::printableText(QByteArray(mb::kMaxLoggedBytes + 1, 'x')),
             QString(mb::kMaxLoggedBytes, QLatin1Char('x')) + QStringLiteral("..."));
}

void HostSessionTest::throttleTableStaysSmall() {
    mb::ConnectionThrottle throttle;
    std::chrono::milliseconds now{0};
    for (int i = 0; i < 3 * int(mb::kMaxTrackedAddresses); ++i) {
        QCOMPARE(throttle.admit(QStringLiteral("10.0.%1.%2").arg(i / 256).arg(i % 256), now),
                 mb::ConnectionThrottle::Verdict::Admitted);
        now += 1ms;
    }
    QVERIFY(throttle.trackedAddresses() <= mb::kMaxTrackedAddresses);
    // A storm is still caught while the table turns over.
    const QString stormy = QStringLiteral("10.9.9.9");
    for (int i = 0; i < mb::kMaxConnectsPerWindow; ++i)
        QCOMPARE(throttle.admit(stormy, now), mb::ConnectionThrottle::Verdict::Admitted);
    QCOMPARE(throttle.admit(stormy, now), mb::ConnectionThrottle::Verdict::Banned);
    QCOMPARE(throttle.admit(stormy, now + mb::kConnectBan - 1ms),
             mb::ConnectionThrottle::Verdict::Refused);
    QCOMPARE(throttle.admit(stormy, now + mb::kConnectBan),
             mb::ConnectionThrottle::Verdict::Admitted);
}

QTEST_GUILESS_MAIN(HostSessionTest)
#include "test_hostsession.moc"
