// The card engine: random numbers, the deal, turns, replacements, reshuffles, scoring.
#include <QtTest>
#include <algorithm>
#include <set>

#include "cardchecks.h"
#include "host/gamerandom.h"
#include "hostfixture.h"

using mbtest::cardAccountingFault;
using mbtest::Table;

namespace {

// The hands dealt from kTestSeed when two seats play (worked out independently of the host).
const mb::Hand kSeat1Hand{1, 20, 8, 21, 18, 35, 12, 27, 32, 33};
const mb::Hand kSeat2Hand{11, 5, 6, 40, 31, 15, 22, 13, 19, 9};
constexpr int kFirstTop = 25;
constexpr int kFirstNext = 24;
constexpr int kSecondNext = 16;

// Plays the turn seat's move by the computer's rules, as a careful human might.
void playSensibly(Table& t) {
    const int seat = t.core.turnSeat();
    const mb::ComputerMove m =
        mb::computersort(t.core.seat(seat).hand, t.core.piles().topCard(),
                         t.core.piles().nextDraw(), t.core.playersThisRound());
    QVERIFY(!m.settled());
    t.move(seat, m.source, m.slot);
}

// Two humans play sensibly until a hand is complete. Returns the seat that completed it.
int playRoundToCompletion(Table& t) {
    for (int turn = 0; turn < 10'000; ++turn) {
        const int seat = t.core.turnSeat();
        playSensibly(t);
        if (!t.io.to(1, "CMD_roundover").isEmpty()) return seat;
        if (!cardAccountingFault(t.core).isEmpty()) return 0;
        t.endPause();
    }
    return 0;
}

}  // namespace

class CardEngineTest : public QObject {
    Q_OBJECT
private slots:
    void randomGeneratorKnownAnswers();
    void dealKnownAnswer();
    void deckSizes_data();
    void deckSizes();
    void hisplayHidesCardAndSlotFromOthers();
    void onlyTheTurnSeatMovesOncePerTurn();
    void reshuffleAfterNineteenDraws();
    void completedOrderScoresAndStartsNextRound();
    void winnerEndsTheGame();
    void startRequestDetails();
    void newGameReplacesRunningGame();
};

void CardEngineTest::randomGeneratorKnownAnswers() {
    mb::GameRandom zero(0);
    QList<int> got;
    for (int i = 0; i < 8; ++i) got.append(zero.below(100));
    QCOMPARE(got, (QList<int>{0, 3, 86, 20, 27, 67, 31, 16}));
    QCOMPARE(zero.seed(), std::optional<quint32>(694906232u));

    mb::GameRandom one(1);
    got.clear();
    for (int i = 0; i < 5; ++i) got.append(one.below(1000));
    QCOMPARE(got, (QList<int>{31, 861, 202, 272, 671}));

    mb::GameRandom top(0xFFFFFFFFu);
    got.clear();
    for (int i = 0; i < 5; ++i) got.append(top.below(60));
    QCOMPARE(got, (QList<int>{58, 12, 31, 7, 52}));

    // Unseeded, there is no state to work back to, and two hosts deal apart (alike: 1 in 40^20).
    mb::GameRandom system, other;
    QVERIFY(!system.seed());
    QList<int> first, second;
    for (int i = 0; i < 20; ++i) {
        first.append(system.below(40));
        second.append(other.below(40));
    }
    QVERIFY(first != second);
}

void CardEngineTest::dealKnownAnswer() {
    Table t;
    t.join("Alice");
    t.start();
    QCOMPARE(t.io.to(1),
             (QList<QByteArray>{"CMD_sendlogininfo+1", "CMD_newplayerinfo+1+Alice+0",
                                "CMD_startgame+Alice+1000+", "CMD_roundstart+1+1+1+2+1+3+0+4+0",
                                "CMD_mycards+1" + mbtest::handText(kSeat1Hand), "CMD_topcard+25+",
                                "CMD_nextplayer+1+24+"}));
    // Nobody holds seat 2: it is dealt in, and its hand goes to nobody.
    QCOMPARE(t.core.seat(2).hand, kSeat2Hand);
    QVERIFY(t.core.seat(2).playing);
    QCOMPARE(t.io.sent.size(), size_t(7));
    QCOMPARE(t.core.piles().topCard(), kFirstTop);
    QCOMPARE(t.core.piles().nextDraw(), kFirstNext);
    QCOMPARE(t.core.turnSeat(), 1);
    QVERIFY(!t.core.computerTimerActive());
}

void CardEngineTest::deckSizes_data() {
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<int>("players");
    QTest::addColumn<int>("size");
    QTest::newRow("host alone") << QList<int>{1} << 2 << 40;
    QTest::newRow("two") << QList<int>{1, 2} << 2 << 40;
    QTest::newRow("seats 1 and 3") << QList<int>{1, 3} << 3 << 50;
    QTest::newRow("three") << QList<int>{1, 2, 3} << 3 << 50;
    QTest::newRow("four") << QList<int>{1, 2, 3, 4} << 4 << 60;
    QTest::newRow("four and spies") << QList<int>{1, 2, 3, 4, 5, 9} << 4 << 60;
    QTest::newRow("host and spies") << QList<int>{1, 5, 9} << 2 << 40;
}

void CardEngineTest::deckSizes() {
    QFETCH(QList<int>, present);
    QFETCH(int, players);
    QFETCH(int, size);
    Table t;
    for (int s = 1; s <= mb::kMaxSeats; ++s) t.join("P" + QByteArray::number(s));
    for (int s = 1; s <= mb::kMaxSeats; ++s)
        if (!present.contains(s)) t.core.seatClosed(s);
    t.start();
    QCOMPARE(t.core.playersThisRound(), players);
    QCOMPARE(t.core.piles().dealtSize, size);
    // 19 cards are left to draw whenever two to four play.
    QCOMPARE(t.core.piles().deckSize - t.core.piles().drawIndex, size - 10 * players - 1);
    QCOMPARE(t.core.piles().discardCount, 1);
    QCOMPARE(cardAccountingFault(t.core), QString());
    QCOMPARE(t.core.turnSeat(), 1);
}

void CardEngineTest::hisplayHidesCardAndSlotFromOthers() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    for (int s = 3; s <= 5; ++s) t.join("Spy");  // 3 and 4 join after the deal below
    t.core.seatClosed(3);
    t.core.seatClosed(4);
    t.start();
    t.io.clear();

    t.move(1, mb::kDrawPile, 4);
    QCOMPARE(t.io.to(1), QList<QByteArray>{"CMD_hisplay+1+24+4+21+1+"});
    QCOMPARE(t.io.to(2), QList<QByteArray>{"CMD_hisplay+1+0+0+21+1+"});
    QCOMPARE(t.io.to(5), QList<QByteArray>{"CMD_hisplay+1+0+0+21+1+"});
    QCOMPARE(t.core.seat(1).hand[3], kFirstNext);
    QCOMPARE(t.core.piles().discardCount, 2);

    // The next turn begins one pause tick later.
    QVERIFY(t.core.breaksTimerActive());
    QVERIFY(t.io.breaksRunning);
    t.io.clear();
    t.core.breaksTick();
    QVERIFY(!t.core.breaksTimerActive());
    // Only the mover learns the card its draw would yield; the others, the spectator too, 0.
    QCOMPARE(t.io.receivers("CMD_nextplayer+2+16+"), (QList<int>{2}));
    QCOMPARE(t.io.receivers("CMD_nextplayer+2+0+"), (QList<int>{1, 5}));
    QCOMPARE(kSecondNext, t.core.piles().nextDraw());

    // Taking the discard top keeps the pile's size and puts the replaced card on top.
    t.io.clear();
    t.move(2, mb::kDiscardPile, 1);
    QCOMPARE(t.io.to(2), QList<QByteArray>{"CMD_hisplay+2+21+1+11+2+"});
    QCOMPARE(t.io.to(1), QList<QByteArray>{"CMD_hisplay+2+0+0+11+2+"});
    QCOMPARE(t.core.piles().discardCount, 2);
    QCOMPARE(t.core.piles().topCard(), 11);
    QCOMPARE(cardAccountingFault(t.core), QString());
}

void CardEngineTest::onlyTheTurnSeatMovesOncePerTurn() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.start();
    t.io.clear();
    t.move(2, mb::kDrawPile, 1);  // not Bob's turn
    t.move(1, mb::kDrawPile, 0);  // no such slot
    t.move(1, mb::kDrawPile, 11);
    t.move(1, 3, 1);  // no such pile
    t.move(1, 0, 1);
    QVERIFY(t.io.sent.empty());
    QVERIFY(t.core.turnOpen());

    t.move(1, mb::kDrawPile, 1);
    QCOMPARE(t.io.to(1, "CMD_hisplay").size(), 1);
    // The same seat again, in the pause and before it: one move per turn.
    t.move(1, mb::kDiscardPile, 2);
    t.move(1, mb::kDrawPile, 3);
    QCOMPARE(t.io.to(1, "CMD_hisplay").size(), 1);
    QCOMPARE(t.core.seat(1).hand[1], kSeat1Hand[1]);

    t.endPause();
    QCOMPARE(t.core.turnSeat(), 2);
    t.move(2, mb::kDrawPile, 1);
    t.endPause();
    QCOMPARE(t.core.turnSeat(), 1);
    t.move(1, mb::kDrawPile, 3);  // the next turn of the same seat is a new chance
    QCOMPARE(t.io.to(1, "CMD_hisplay").size(), 3);
    QCOMPARE(cardAccountingFault(t.core), QString());
}

void CardEngineTest::reshuffleAfterNineteenDraws() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.start();
    // Slot 10 changes only; neither dealt hand can come into order that way.
    for (int draw = 0; draw < 19; ++draw) {
        if (draw > 0) t.endPause();
        t.move(t.core.turnSeat(), mb::kDrawPile, 10);
    }
    QVERIFY(t.io.to(1, "CMD_roundover").isEmpty());
    const mb::CardPiles before = t.core.piles();
    QCOMPARE(before.drawIndex, before.deckSize);
    QCOMPARE(before.discardCount, 20);
    const std::multiset<int> underTop(before.discard.begin(), before.discard.begin() + 19);

    t.io.clear();
    t.endPause();
    const mb::CardPiles& after = t.core.piles();
    QCOMPARE(after.deckSize, 19);
    QCOMPARE(after.drawIndex, 0);
    QCOMPARE(after.discardCount, 1);
    QCOMPARE(after.topCard(), before.topCard());
    QCOMPARE(std::multiset<int>(after.deck.begin(), after.deck.begin() + 19), underTop);
    QCOMPARE(t.io.to(2),
             QList<QByteArray>{"CMD_nextplayer+2+" + QByteArray::number(after.deck[0]) + '+'});
    QCOMPARE(cardAccountingFault(t.core), QString());

    // Play continues from the new pile.
    t.move(2, mb::kDrawPile, 10);
    QCOMPARE(t.core.seat(2).hand[9], after.deck[0]);
    QCOMPARE(cardAccountingFault(t.core), QString());
}

void CardEngineTest::completedOrderScoresAndStartsNextRound() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.start(1, 100000);
    const int seat = playRoundToCompletion(t);
    QVERIFY(seat == 1 || seat == 2);
    const mb::Hand& hand = t.core.seat(seat).hand;
    QVERIFY(std::is_sorted(hand.begin(), hand.end()));
    int points = 0;
    for (int c : hand) points += c;
    QVERIFY(points >= 55);
    QCOMPARE(t.core.seat(seat).score, points);
    QCOMPARE(t.core.seat(3 - seat).score, 0);
    const QByteArray over = "CMD_roundover+" + QByteArray::number(seat) + '+' +
                            QByteArray::number(points) + '+' + QByteArray::number(points) +
                            mbtest::handText(hand);
    QCOMPARE(t.io.receivers(over), (QList<int>{1, 2}));
    QVERIFY(t.io.to(1, "CMD_winner").isEmpty());

    // Seven pause ticks, then round 2 opens with the seat after the one that completed.
    t.io.clear();
    for (int tick = 1; tick < mb::kRoundPauseTicks; ++tick) t.core.breaksTick();
    QVERIFY(t.io.sent.empty());
    t.core.breaksTick();
    QCOMPARE(t.io.to(1, "CMD_roundstart"), QList<QByteArray>{"CMD_roundstart+2+1+1+2+1+3+0+4+0"});
    QCOMPARE(t.io.to(1, "CMD_mycards").size(), 1);
    QCOMPARE(t.core.turnSeat(), 3 - seat);
    QCOMPARE(t.core.seat(seat).score, points);
    QCOMPARE(cardAccountingFault(t.core), QString());
}

void CardEngineTest::winnerEndsTheGame() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.start(1, 0);  // the first completed hand wins
    const int seat = playRoundToCompletion(t);
    QVERIFY(seat != 0);
    const QList<QByteArray> last = t.io.to(1).mid(t.io.to(1).size() - 2);
    QVERIFY(last[0].startsWith("CMD_roundover+" + QByteArray::number(seat) + '+'));
    QCOMPARE(last[1], "CMD_winner+" + QByteArray::number(seat) + '+');
    QVERIFY(t.core.gameOver());
    QVERIFY(!t.core.breaksTimerActive());
    QVERIFY(!t.core.computerTimerActive());

    // Nothing moves any more; the turn stays with the winner.
    t.io.clear();
    t.move(seat, mb::kDrawPile, 1);
    t.move(3 - seat, mb::kDrawPile, 1);
    t.core.breaksTick();
    t.core.computerTick();
    QVERIFY(t.io.sent.empty());
    QCOMPARE(t.core.turnSeat(), seat);

    // A later newcomer still learns the final state.
    t.join("Carol");
    QCOMPARE(t.io.to(3, "CMD_gamestats").size(), 1);
}

void CardEngineTest::startRequestDetails() {
    Table t;
    t.join("Alice");
    // The starter relayed is always the seat's own stored name, whatever the request says.
    t.say(1, "CMD_startgame+Bob+abc+");
    QCOMPARE(t.io.to(1, "CMD_startgame").last(), QByteArray("CMD_startgame+Alice+5+"));
    QCOMPARE(t.core.playTo(), mb::kDefaultPlayTo);
    t.say(1, "CMD_startgame+Bob");
    QCOMPARE(t.io.to(1, "CMD_startgame").last(), QByteArray("CMD_startgame+Alice+5+"));
    t.say(1,
          "CMD_startgame+\x07"
          "Bob\r+250+");
    QCOMPARE(t.io.to(1, "CMD_startgame").last(), QByteArray("CMD_startgame+Alice+250+"));
    QCOMPARE(t.core.roundNumber(), 1);
}

void CardEngineTest::newGameReplacesRunningGame() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.start(1, 100000);
    t.say(2, "CMD_justwatch+2+1");
    t.move(1, mb::kDrawPile, 10);
    t.endPause();
    QVERIFY(t.core.computerTimerActive());  // the computer has Bob's turn

    // Only seat 1 starts games: a restart from anyone else changes nothing.
    t.io.clear();
    t.start(2, 300);
    QVERIFY(t.io.sent.empty());
    QVERIFY(t.core.computerTimerActive());
    t.start(1, 300);
    QVERIFY(!t.io.computerRunning);
    QVERIFY(!t.core.computerTimerActive());
    QVERIFY(!t.core.seat(2).watching);
    QCOMPARE(t.core.roundNumber(), 1);
    QCOMPARE(t.core.turnSeat(), 1);
    QCOMPARE(t.core.playTo(), 300);
    // The stale computer tick no longer moves anything.
    t.core.computerTick();
    QVERIFY(t.io.to(1, "CMD_hisplay").isEmpty());
    QCOMPARE(cardAccountingFault(t.core), QString());
}

QTEST_GUILESS_MAIN(CardEngineTest)
#include "test_cardengine.moc"
