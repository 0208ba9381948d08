// Computer players, and seats that change hands while a round runs.
#include <QtTest>
#include <algorithm>

#include "cardchecks.h"
#include "hostfixture.h"

using mbtest::cardAccountingFault;
using mbtest::Table;
using namespace std::chrono_literals;

namespace {
const mb::Hand kExample{3, 7, 30, 15, 20, 2, 26, 31, 34, 40};
}

class ComputerPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void bandsAndSettledSlots();
    void rulesOnExampleHand_data();
    void rulesOnExampleHand();
    void settledHandMakesNoMove();
    void moveComesOneIntervalAfterTurnAtCurrentSpeed();
    void botsPlayWholeGameToWinner();
    void newcomerTakesOverDealtSeat();
    void leavingDuringOwnTurn();
    void leavingAfterMovingDoesNotSkipNextSeat();
    void gameStatsTurnsField();
};

void ComputerPlayerTest::bandsAndSettledSlots() {
    // Two players: bands of four cards.
    QCOMPARE(mb::cardBand(1, 2), 1);
    QCOMPARE(mb::cardBand(4, 2), 1);
    QCOMPARE(mb::cardBand(5, 2), 2);
    QCOMPARE(mb::cardBand(40, 2), 10);
    // Four players: bands of six.
    QCOMPARE(mb::cardBand(6, 4), 1);
    QCOMPARE(mb::cardBand(7, 4), 2);
    QCOMPARE(mb::cardBand(60, 4), 10);
    QList<int> unsettled;
    for (int slot = 1; slot <= mb::kHandSize; ++slot)
        if (!mb::computercheckn(slot, kExample[slot - 1], 2)) unsettled.append(slot);
    QCOMPARE(unsettled, (QList<int>{3, 6}));
}

void ComputerPlayerTest::rulesOnExampleHand_data() {
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("next");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("slot");
    QTest::newRow("discard fits slot 3") << 10 << 23 << mb::kDiscardPile << 3;
    QTest::newRow("draw fits slot 6") << 18 << 23 << mb::kDrawPile << 6;
    QTest::newRow("nothing fits: lowest open slot") << 18 << 1 << mb::kDrawPile << 3;
    QTest::newRow("discard fits a settled slot") << 29 << 36 << mb::kDrawPile << 3;
    QTest::newRow("both fit: discard first") << 22 << 9 << mb::kDiscardPile << 6;
}

void ComputerPlayerTest::rulesOnExampleHand() {
    QFETCH(int, top);
    QFETCH(int, next);
    QFETCH(int, source);
    QFETCH(int, slot);
    const mb::ComputerMove m = mb::computersort(kExample, top, next, 2);
    QCOMPARE(m.source, source);
    QCOMPARE(m.slot, slot);
}

void ComputerPlayerTest::settledHandMakesNoMove() {
    const mb::Hand settled{1, 5, 9, 13, 17, 21, 25, 29, 33, 37};
    QVERIFY(mb::computersort(settled, 2, 3, 2).settled());
    QVERIFY(!mb::computersort(settled, 2, 3, 3).settled());  // bands differ with three players
}

void ComputerPlayerTest::moveComesOneIntervalAfterTurnAtCurrentSpeed() {
    Table t;
    std::chrono::milliseconds speed = mb::kBotSpeedSlow;
    int reads = 0;
    t.core.setBotSpeedSource([&] {
        ++reads;
        return speed;
    });
    t.join("Alice");
    t.start();
    t.move(1, mb::kDrawPile, 10);
    t.endPause();
    QCOMPARE(t.core.turnSeat(), 2);
    QVERIFY(t.io.computerRunning);
    QCOMPARE(t.io.computerIntervals, (std::vector<std::chrono::milliseconds>{2000ms}));
    QCOMPARE(reads, 1);

    // Nothing happens before the interval has passed once.
    QVERIFY(t.io.to(1, "CMD_hisplay").size() == 1);
    t.core.computerTick();
    QVERIFY(!t.io.computerRunning);
    const QList<QByteArray> plays = t.io.to(1, "CMD_hisplay");
    QCOMPARE(plays.size(), 2);
    QVERIFY(plays.last().startsWith("CMD_hisplay+2+0+0+"));

    // The speed is read afresh at the computer's next turn.
    speed = mb::kBotSpeedFast;
    t.endPause();
    t.move(1, mb::kDrawPile, 10);
    t.endPause();
    QCOMPARE(t.io.computerIntervals, (std::vector<std::chrono::milliseconds>{2000ms, 500ms}));
    QCOMPARE(reads, 2);

    // Without a source the computer plays at Normal speed.
    Table plain;
    plain.join("Alice");
    plain.say(1, "CMD_justwatch+1+2");
    plain.start();
    plain.say(1, "CMD_justwatch+1+1");
    QCOMPARE(plain.io.computerIntervals, std::vector<std::chrono::milliseconds>{1000ms});
}

void ComputerPlayerTest::botsPlayWholeGameToWinner() {
    Table t(123456789);
    t.join("Alice");
    t.join("Bob");
    t.join("Carol");
    t.join("Dave");
    t.start(1, 400);
    for (int s = 1; s <= 4; ++s) t.say(s, "CMD_justwatch+" + QByteArray::number(s) + "+1");

    int steps = 0;
    QString fault;
    const bool won = t.runUntil([&] {
        if (fault.isEmpty()) fault = cardAccountingFault(t.core);
        ++steps;
        return t.core.gameOver() || !fault.isEmpty();
    });
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(won);

    const QList<QByteArray> overs = t.io.to(1, "CMD_roundover");
    QVERIFY(overs.size() >= 1);
    int totals[5] = {};
    for (const QByteArray& over : overs) {
        const QList<QByteArray> f = over.split('+');
        QCOMPARE(f.size(), 4 + 2 * mb::kHandSize);
        const int seat = f[1].toInt();
        int sum = 0;
        int previous = 0;
        for (int slot = 0; slot < mb::kHandSize; ++slot) {
            QCOMPARE(f[4 + 2 * slot].toInt(), slot + 1);
            const int card = f[5 + 2 * slot].toInt();
            QVERIFY(card > previous);
            previous = card;
            sum += card;
        }
        QCOMPARE(f[3].toInt(), sum);
        totals[seat] += sum;
        QCOMPARE(f[2].toInt(), totals[seat]);
    }
    const QList<QByteArray> winners = t.io.to(1, "CMD_winner");
    QCOMPARE(winners.size(), 1);
    const int winner = winners[0].split('+')[1].toInt();
    QVERIFY(totals[winner] >= 400);
    QCOMPARE(t.io.to(3, "CMD_roundstart").size(), overs.size());
    QCOMPARE(t.core.roundNumber(), int(overs.size()));
}

void ComputerPlayerTest::newcomerTakesOverDealtSeat() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.start();
    t.core.seatClosed(2);  // Bob leaves while Alice holds the turn
    QCOMPARE(t.core.turnSeat(), 1);
    QVERIFY(t.core.seat(2).playing);
    t.move(1, mb::kDrawPile, 10);
    t.endPause();
    QCOMPARE(t.core.turnSeat(), 2);
    QVERIFY(t.core.computerTimerActive());  // the computer plays the empty seat

    t.io.clear();
    QCOMPARE(t.join("Carol"), 2);
    const mb::Hand hand = t.core.seat(2).hand;
    QCOMPARE(hand, (mb::Hand{11, 5, 6, 40, 31, 15, 22, 13, 19, 9}));
    const QByteArray stats = "CMD_gamestats+2+1000+1+1+" +
                             QByteArray::number(t.core.piles().topCard()) +
                             "+1+0+1+2+0+1+3+0+0+4+0+0";
    const QList<QByteArray> toCarol = t.io.to(2);
    QCOMPARE(toCarol.mid(toCarol.size() - 2),
             (QList<QByteArray>{stats, "CMD_mycards+2" + mbtest::handText(hand)}));

    // The computer move pending for the seat is still made; Carol plays the seat's next turn.
    t.core.computerTick();
    QCOMPARE(t.io.to(2, "CMD_hisplay").size(), 1);
    t.move(2, mb::kDrawPile, 1);  // already moved this turn
    QCOMPARE(t.io.to(2, "CMD_hisplay").size(), 1);
    t.endPause();
    t.move(1, mb::kDrawPile, 10);
    t.endPause();
    QCOMPARE(t.core.turnSeat(), 2);
    QVERIFY(!t.core.computerTimerActive());
    t.move(2, mb::kDrawPile, 1);
    QCOMPARE(t.io.to(2, "CMD_hisplay").size(), 3);
    QCOMPARE(cardAccountingFault(t.core), QString());

    // A spectator joining mid-round gets the state but no hand.
    t.join("Spy");
    QCOMPARE(t.io.to(3, "CMD_gamestats").size(), 1);
    QVERIFY(t.io.to(3, "CMD_mycards").isEmpty());
}

void ComputerPlayerTest::leavingDuringOwnTurn() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.start();
    t.move(1, mb::kDrawPile, 10);
    t.endPause();
    QCOMPARE(t.core.turnSeat(), 2);

    // Another seat leaving on its turn passes the turn at once.
    t.io.clear();
    t.core.seatClosed(2);
    QCOMPARE(t.core.turnSeat(), 1);
    QCOMPARE(t.io.to(1, "CMD_nextplayer").size(), 1);
    QVERIFY(t.core.seat(2).playing);

    // The hosting player's seat keeps its turn when it leaves; whoever takes seat 1 moves.
    t.io.clear();
    t.core.seatClosed(1);
    QCOMPARE(t.core.turnSeat(), 1);
    QVERIFY(t.core.turnOpen());
    QVERIFY(!t.core.computerTimerActive());
    QVERIFY(t.io.sent.empty());
    QCOMPARE(t.join("Alice again"), 1);
    QCOMPARE(t.io.to(1, "CMD_gamestats").size(), 1);
    t.move(1, mb::kDrawPile, 10);
    QCOMPARE(t.io.to(1, "CMD_hisplay").size(), 1);
    t.endPause();
    QCOMPARE(t.core.turnSeat(), 2);
    QVERIFY(t.core.computerTimerActive());
}

void ComputerPlayerTest::leavingAfterMovingDoesNotSkipNextSeat() {
    Table t;
    t.join("Alice");
    t.join("Bob");
    t.join("Carol");
    t.start();
    t.move(1, mb::kDrawPile, 10);
    t.endPause();
    t.move(2, mb::kDrawPile, 10);
    t.io.clear();
    t.core.seatClosed(2);  // Bob has moved; his pause will pass the turn
    QVERIFY(t.io.to(1, "CMD_nextplayer").isEmpty());
    t.endPause();
    QCOMPARE(t.io.to(1, "CMD_nextplayer").size(), 1);
    QCOMPARE(t.core.turnSeat(), 3);
}

void ComputerPlayerTest::gameStatsTurnsField() {
    // A dedicated host counts seat 1's turns of the round itself.
    Table t;
    t.join("Alice");
    t.start();
    for (int turn = 0; turn < 3; ++turn) {
        t.move(1, mb::kDrawPile, 10);
        t.endPause();
        t.core.computerTick();
        t.endPause();
    }
    t.join("Bob");
    QVERIFY(t.io.to(2, "CMD_gamestats").value(0).startsWith("CMD_gamestats+1+1000+1+4+"));

    // In the windowed program the hosting player's own count is used.
    Table windowed;
    windowed.core.setHostTurnCountSource([] { return 17; });
    windowed.join("Alice");
    windowed.start();
    windowed.join("Bob");
    QVERIFY(windowed.io.to(2, "CMD_gamestats").value(0).startsWith("CMD_gamestats+1+1000+1+17+"));
}

QTEST_GUILESS_MAIN(ComputerPlayerTest)
#include "test_computerplayer.moc"
