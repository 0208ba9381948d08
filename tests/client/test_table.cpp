// The table's rules, driven by host messages and clicks, without a window.
#include <QTest>

#include "client/tablemodel.h"

using namespace mb;

namespace {

struct Recorder : TableEffects {
    QList<QByteArray> sent;
    QStringList sounds;
    QStringList lines;
    QStringList tally;
    int settingsLoads = 0;
    int turnSoundTag = 0;
    int attention = 0;
    void sendToHost(const QByteArray& m) override { sent << m; }
    void playsounds(const QString& n) override { sounds << n; }
    void addSystemLine(const QString& l) override { lines << l; }
    void addcounter(int t) override { tally << QStringLiteral("counter:%1").arg(t); }
    void addgame(const mb::GameWinner& w) override { tally << "game:" + w.value_or("mine"); }
    void loadinifile() override { ++settingsLoads; }
    int turnSound() const override { return turnSoundTag; }
    void myTurnBegins() override { ++attention; }
};

struct Table {
    ClientState st;
    Recorder fx;
    TableModel t{st, fx};
    explicit Table(int seat = 1, bool host = true) {
        st.myseat = seat;
        st.isconnected = true;
        st.ishost = host;
    }
    // Seats 1 and 2 present, a game to 100 started and the first turn given to `turn`.
    void startGame(int turn = 1) {
        t.newplayerinfo("1+Ann+0");
        t.startthegame("Ann+100+");
        t.roundstart("1+1+1+2+1+3+0+4+0");
        t.mycards(QByteArray::number(st.myseat) +
                  "+1+5+2+9+3+13+4+17+5+21+6+25+7+29+8+33+9+37+10+3");
        t.topcard("11+");
        t.getnextplayer(QByteArray::number(turn) + "+30+");
    }
};

}  // namespace

class TestTable : public QObject {
    Q_OBJECT
private slots:
    void turnStateMachine() {
        Table x;
        x.startGame(1);
        QCOMPARE(x.t.status, QStringLiteral("Your Turn."));
        QCOMPARE(x.fx.sounds.last(), QStringLiteral("turn"));
        QCOMPARE(x.t.numTurns, QStringLiteral("Turns: 1"));
        QCOMPARE(x.fx.attention, 1);

        x.t.handClick(4);  // before a pile
        QCOMPARE(x.t.status, QStringLiteral("Please Pick Up a Card First."));
        QCOMPARE(x.fx.sounds.last(), QStringLiteral("invalid"));
        QVERIFY(x.fx.sent.isEmpty());

        x.t.pileClick(kDrawPile);
        QCOMPARE(x.t.drawPileCard, 30);  // the announced card, face up
        QVERIFY(x.t.pileRaised[kDrawPile]);
        QCOMPARE(x.t.status, QStringLiteral("Select a Card to Replace."));
        QCOMPARE(x.fx.sounds.last(), QStringLiteral("select"));

        x.t.pileClick(kDiscardPile);  // a second pile
        QCOMPARE(x.t.status, QStringLiteral("You have already picked up a card"));
        QCOMPARE(x.fx.sounds.last(), QStringLiteral("invalid"));
        QCOMPARE(x.st.pickedpile, kDrawPile);

        x.t.handClick(8);
        x.t.handClick(9);
        x.t.pileClick(kDrawPile);
        QCOMPARE(x.fx.sent, QList<QByteArray>{"CMD_replacecard+1+1+8"});  // one move a turn
        QCOMPARE(x.t.handCard(8), 33);  // unchanged until the host answers

        x.t.hisplay("1+30+8+33+1+");
        QCOMPARE(x.t.handCard(8), 30);
        QCOMPARE(x.t.topCard, 33);
        QCOMPARE(x.t.drawPileCard, 0);
        QVERIFY(!x.t.pileRaised[kDrawPile]);
        QCOMPARE(x.t.status, QString());
        QCOMPARE(x.fx.sounds.last(), QStringLiteral("replace"));
    }

    void othersMovesAndHints() {
        Table x;
        x.startGame(2);
        // Seat 2 is empty, so the computer plays it as Duro, greeted once.
        QVERIFY(x.fx.lines.contains("0+I am Duro the bot. Good Luck!"));
        QCOMPARE(x.t.seat(2).name, QStringLiteral("Duro"));
        QCOMPARE(x.t.status, QStringLiteral("Duro's turn."));
        QCOMPARE(x.t.turnArrowSeat, 2);
        x.t.pileClick(kDrawPile);  // out of turn: nothing
        x.t.handClick(1);
        QVERIFY(x.fx.sent.isEmpty());
        QCOMPARE(x.t.status, QStringLiteral("Duro's turn."));
        x.t.hisplay("2+0+0+40+1+");
        QCOMPARE(x.t.status, QStringLiteral("Duro drew a card."));
        x.t.hisplay("2+0+0+41+2+");
        QCOMPARE(x.t.status, QStringLiteral("Duro took the top card from the discard pile."));
        QCOMPARE(x.t.handCard(1), 5);
        for (int seat : {3, 4}) {
            x.t.getnextplayer(QByteArray::number(seat) + "+1+");
            QCOMPARE(x.t.seat(seat).name,
                     seat == 3 ? QStringLiteral("Klick") : QStringLiteral("Kling"));
        }
        Table y(2, false);
        y.t.newplayerinfo("1+Ann+0+2+Bob+0");
        y.t.startthegame("Ann+100+");
        QVERIFY(!y.fx.lines.contains("0+I am Duro the bot. Good Luck!"));
        QVERIFY(y.fx.lines.contains("0+Ann has started a game."));
        QCOMPARE(Table().t.seat(1).hint, QString());
    }

    void cardsForAnotherSeatChangeNothing() {
        Table x;
        x.startGame(1);
        x.t.mycards("2+1+40+2+39+3+38+4+37+5+36+6+35+7+34+8+33+9+32+10+31");
        QCOMPARE(x.t.handCard(1), 5);
        // Out-of-range slots in a message never touch memory beside the hand.
        x.t.mycards("1+0+7+11+8+-3+9");
        QCOMPARE(x.t.handCard(1), 5);
    }

    void roundAndGameEndTellTheTally() {
        Table x;
        x.startGame(1);
        x.t.roundover("1+150+150+1+1+2+2+3+3+4+4+5+5+6+6+7+7+8+8+9+9+10+60");
        QCOMPARE(x.t.status, QStringLiteral("You completed the order!"));
        QVERIFY(x.t.winnerCardsVisible);
        QCOMPARE(x.t.winnerCard(10), 60);
        QCOMPARE(x.t.seat(1).score, QStringLiteral("150"));
        QCOMPARE(x.t.seat(1).bonus, QStringLiteral("+150"));
        x.t.winner("1+");
        QCOMPARE(x.t.winnerText, QStringLiteral("You have Won the Game!"));
        QCOMPARE(x.t.status, QStringLiteral("Game Over!"));
        QVERIFY(x.t.startVisible);
        QCOMPARE(x.fx.tally, (QStringList{"counter:1", "game:mine"}));
        QCOMPARE(x.fx.sounds.mid(x.fx.sounds.size() - 2), (QStringList{"roundover", "winner"}));
        // The next round starts the count again.
        x.t.roundstart("2+1+1+2+1+3+0+4+0");
        QCOMPARE(x.st.myturncount, 0);
        QVERIFY(!x.t.winnerCardsVisible);
    }

    void spectatorNeverPlaysAndIsNotTallied() {
        Table x(6, false);
        x.t.newplayerinfo("6+Eve+0");
        x.fx.lines.clear();
        x.t.newplayerinfo("1+Ann+0");
        x.fx.lines.clear();
        x.t.newplayerinfo("6+Eve+0");
        QCOMPARE(x.fx.lines,
                 (QStringList{"0+You are Connected.", "0+Click Control-i for Quick Instructions.",
                              "0+You are spying."}));
        QCOMPARE(x.t.spies, QStringList{"6: Eve"});
        x.t.startthegame("Ann+100+");
        QVERIFY(x.fx.lines.contains("0+Ann has started a game."));
        x.t.getnextplayer("1+5+");
        x.t.pileClick(kDrawPile);
        x.t.handClick(1);
        QVERIFY(x.fx.sent.isEmpty());
        x.t.roundover("1+100+100+1+1+2+2+3+3+4+4+5+5+6+6+7+7+8+8+9+9+10+60");
        x.t.winner("1+");
        QVERIFY(x.fx.tally.isEmpty());
        QCOMPARE(x.t.winnerText, QStringLiteral("Ann has Won the Game!"));
    }

    void newcomerDuringAGame() {
        Table x(3, false);
        x.t.newplayerinfo("3+Cy+0");
        x.t.newplayerinfo("1+Ann+0+2++0");
        x.t.gamestats("2+600+3+4+27+1+120+1+2+55+1+3+0+0+4+0+0");
        QCOMPARE(x.t.playToScore, QStringLiteral("Play to Score: 600"));
        QCOMPARE(x.t.roundNumber, QStringLiteral("Round: 3"));
        QCOMPARE(x.t.numTurns, QStringLiteral("Turns: 4"));
        QCOMPARE(x.t.topCard, 27);
        QCOMPARE(x.t.seat(1).score, QStringLiteral("120"));
        QVERIFY(x.t.seat(3).notPlaying);
        QVERIFY(!x.t.seat(2).notPlaying);
        QCOMPARE(x.t.turnArrowSeat, 0);  // the turn shows with the next turn message
        QCOMPARE(x.st.currentturn, 0);
    }

    void rosterLines() {
        Table x(1, true);
        x.t.newplayerinfo("1+Ann+0");
        QCOMPARE(x.fx.settingsLoads, 1);
        // A host naming our seat again, alone or many times in one list, gets no second read.
        x.t.newplayerinfo("1+Ann+0+1+Ann+0+1+Ann+0");
        x.t.newplayerinfo("1+Ann+0");
        QCOMPARE(x.fx.settingsLoads, 1);
        x.fx.sounds.clear();
        x.t.newplayerinfo("2+Bob+0+3+Cy+1+7+Dee+1");
        QCOMPARE(x.fx.sounds, QStringList{"entered"});  // once for the whole list
        QVERIFY(x.t.seat(3).eyes);
        QVERIFY(!x.t.seat(2).eyes);
        QCOMPARE(x.t.spies, QStringList{"7: Dee"});
        x.t.justwatching("2+1");
        QVERIFY(x.fx.lines.contains("0+Bob is just watching"));
        QVERIFY(x.t.seat(2).eyes);
        x.t.justwatching("1+1");
        QVERIFY(x.t.justWatchChecked);
        x.t.JustWatch1Click();
        QCOMPARE(x.fx.sent.last(), QByteArray("CMD_justwatch+1+2"));
        QVERIFY(x.t.justWatchChecked);  // only the host's answer clears it
        x.t.justwatching("1+2");
        QVERIFY(!x.t.justWatchChecked);
        QVERIFY(x.fx.lines.contains("0+Ann is now playing again"));
        x.t.playerdisconnected("3+Cy");
        QVERIFY(x.fx.lines.contains("0+Cy disconnected."));
        QCOMPARE(x.t.seat(3).name, kWaiting);
        QVERIFY(!x.t.seat(3).eyes);
        x.t.playerdisconnected("7+Dee");
        QVERIFY(x.fx.lines.contains("0+Dee has left."));
        QVERIFY(x.t.spies.isEmpty());
        const qsizetype before = x.fx.lines.size();
        x.t.playerdisconnected("8+Nobody");
        x.t.playerdisconnected("3+Cy");  // already <Waiting>: no line
        QCOMPARE(x.fx.lines.size(), before);
        QCOMPARE(x.t.opponents(), QStringList{"Bob"});
    }

    void aHostCannotGrowTheSpyListWithoutEnd() {
        Table x(1, false);
        // A seat announced again keeps one entry, under the name given last.
        x.t.newplayerinfo("7+Dee+0");
        for (int i = 0; i < 1000; ++i) x.t.newplayerinfo("7+Dee+0+5+Eve+0");
        x.t.newplayerinfo("7+Dora+0");
        QCOMPARE(x.t.spies, (QStringList{"7: Dora", "5: Eve"}));
        x.t.playerdisconnected("7+Dee");  // not listed under that name any more
        QCOMPARE(x.t.spies, (QStringList{"7: Dora", "5: Eve"}));
        // No spectator sits past the last seat: nothing is listed or said for one.
        x.fx.lines.clear();
        x.t.newplayerinfo("10+Zed+0+2147483647+Max+0");
        QCOMPARE(x.t.spies, (QStringList{"7: Dora", "5: Eve"}));
        QVERIFY(!x.fx.lines.join('|').contains("spying"));
    }

    void seatMenuAndKickRights() {
        Table host(1, true);
        host.t.newplayerinfo("1+Ann+0+2+Bob+0");
        QCOMPARE(host.t.seatMenu(2).remove, true);
        const SeatMenuState empty = host.t.seatMenu(3);
        QVERIFY(!empty.remove && empty.setWatch && empty.unsetWatch);
        host.t.kicking(2);
        QCOMPARE(host.fx.sent.last(), QByteArray("CMD_kickhim+1+2+"));
        host.t.setJustWatch(2, true);
        QCOMPARE(host.fx.sent.last(), QByteArray("CMD_justwatch+2+1"));
        host.t.setJustWatch(5, true);  // not a table seat
        QCOMPARE(host.fx.sent.size(), 2);

        Table guest(2, false);
        guest.t.newplayerinfo("1+Ann+0+2+Bob+0");
        const SeatMenuState m = guest.t.seatMenu(1);
        QVERIFY(!m.remove && !m.setWatch && !m.unsetWatch);
        guest.t.kicking(1);
        QVERIFY(guest.fx.sent.isEmpty());
        guest.st.isconnected = false;
        guest.t.JustWatch1Click();
        QVERIFY(guest.fx.sent.isEmpty());
    }

    void turnSoundFollowsTheOption() {
        Table x;
        x.fx.turnSoundTag = 1;
        x.startGame(1);
        QCOMPARE(x.fx.sounds.last(), QStringLiteral("turnnew"));
    }

    void winnerPanelCardsCountAsHandSlots() {
        Table x;
        x.startGame(1);
        x.t.pileClick(kDiscardPile);
        x.t.handClick(3);  // the window routes winner-panel card 3 here
        QCOMPARE(x.fx.sent.last(), QByteArray("CMD_replacecard+1+2+3"));
    }
};

QTEST_GUILESS_MAIN(TestTable)
#include "test_table.moc"
