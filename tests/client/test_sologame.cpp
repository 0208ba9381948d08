// A whole solo game against the computer, played by clicking the table's widgets.
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "assets/soundplayer.h"
#include "client/application.h"
#include "dialogs/gamestartform.h"
#include "records/tallylistform.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scratchsettings.h"
#include "tests/support/tabledriver.h"

namespace {
constexpr std::chrono::milliseconds kQuickPauses{10};
constexpr int kGameTimeoutMs = 240000;
}  // namespace

class TestSoloGame : public QObject {
    Q_OBJECT
private slots:
    void playsToTheEnd() {
        Application app({}, Tchat::Ports{0, 1}, kQuickPauses);
        Tchat& chat = app.main();
        chat.setSettingsFile(mbtest::scratchSettingsFile());
        chat.show();
        QStringList sounds;
        connect(&chat.soundPlayer(), &mb::SoundPlayer::requested, this,
                [&](const QString& name) { sounds << name; });
        mbtest::action(&chat, QStringLiteral("Fast1"))->trigger();
        QCOMPARE(chat.botSpeed(), 500);
        QTRY_VERIFY(chat.state().isconnected);
        QTRY_VERIFY(sounds.contains(QStringLiteral("entered")));
        // The settings just read put the bot speed back to the stored Normal.
        mbtest::action(&chat, QStringLiteral("Fast1"))->trigger();

        QTest::mouseClick(mbtest::startButton(&chat), Qt::LeftButton);
        QVERIFY(app.gamestart().isVisible());
        app.gamestart().setPlayToScore(100);
        app.gamestart().button_startClick();

        QStringList statuses;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            const QString s = mbtest::statusLabel(&chat)->text();
            if (statuses.isEmpty() || statuses.last() != s) statuses << s;
        });
        watcher.start(1);

        int myTurns = 0;
        QElapsedTimer clock;
        clock.start();
        while (chat.table().winnerText.isEmpty() && clock.elapsed() < kGameTimeoutMs) {
            if (!QTest::qWaitFor(
                    [&] { return testdriver::myTurn(chat) || !chat.table().winnerText.isEmpty(); },
                    kGameTimeoutMs))
                break;
            if (!chat.table().winnerText.isEmpty()) break;
            QCOMPARE(mbtest::statusLabel(&chat)->text(), QStringLiteral("Your Turn."));
            ++myTurns;
            if (myTurns == 1) {
                // Out of order first: a hand card before a pile.
                QTest::mouseClick(mbtest::handCard(&chat, 1), Qt::LeftButton);
                QCOMPARE(mbtest::statusLabel(&chat)->text(),
                         QStringLiteral("Please Pick Up a Card First."));
                QCOMPARE(sounds.last(), QStringLiteral("invalid"));
            }
            const testdriver::Move m = testdriver::pickPile(chat, 2);
            QCOMPARE(mbtest::statusLabel(&chat)->text(),
                     QStringLiteral("Select a Card to Replace."));
            QCOMPARE(sounds.last(), QStringLiteral("select"));
            if (myTurns == 1) {
                QTest::mouseClick(
                    mbtest::child<QWidget>(
                        &chat, 3 - m.pile == mb::kDrawPile ? "label_draw" : "label_discard"),
                    Qt::LeftButton);
                QCOMPARE(mbtest::statusLabel(&chat)->text(),
                         QStringLiteral("You have already picked up a card"));
                QCOMPARE(sounds.last(), QStringLiteral("invalid"));
            }
            const qsizetype heard = sounds.size();
            testdriver::replace(chat, m);
            QVERIFY(!testdriver::myTurn(chat));
            // A winning move's round-over and winner sounds may follow before the next look.
            QTRY_VERIFY(sounds.mid(heard).contains(QStringLiteral("replace")));
        }
        const QString winner = chat.table().winnerText;
        QVERIFY2(winner == QStringLiteral("You have Won the Game!") ||
                     winner == QStringLiteral("Duro has Won the Game!"),
                 qPrintable(winner));
        QTRY_COMPARE(mbtest::statusLabel(&chat)->text(), QStringLiteral("Game Over!"));
        QVERIFY(chat.findChild<QLabel*>("label_winner1")->isVisible());
        QVERIFY(mbtest::startButton(&chat)->isVisible());
        QVERIFY(sounds.contains(QStringLiteral("turn")));
        QVERIFY(sounds.contains(QStringLiteral("roundover")));
        QCOMPARE(sounds.last(), QStringLiteral("winner"));
        QVERIFY(statuses.contains(QStringLiteral("Duro's turn.")));
        QVERIFY(statuses.contains(QStringLiteral("Duro drew a card.")) ||
                statuses.contains(QStringLiteral("Duro took the top card from the discard pile.")));
        // The tally heard of the game: the winner, and of any round this player completed.
        const QStringList& tally = app.tallylist().reports();
        QCOMPARE(tally.last(), winner.startsWith(QStringLiteral("You"))
                                   ? QStringLiteral("game:addtomine")
                                   : QStringLiteral("game:Duro"));
        QVERIFY(mbtest::chatLines(&chat).contains("0+" + winner));
        qInfo("game over after %d turns of the local player: %s", myTurns, qPrintable(winner));
    }
};

QTEST_MAIN(TestSoloGame)
#include "test_sologame.moc"
