// The first player at a dedicated host holds seat 1 and its rights: their window shows what
// the hosting copy shows and starts a game through File > Start Game and the start dialog; a
// player in seat 2 is offered none of it.
#include <QAction>
#include <QTest>

#include "client/application.h"
#include "client/spylistform.h"
#include "dialogs/gamestartform.h"
#include "tests/support/hostprocess.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scratchsettings.h"

namespace {

std::unique_ptr<Application> joinCopy(const QString& name, quint16 port) {
    // Lobby port 1: nothing listens there, as for a copy started by hand.
    auto app = std::make_unique<Application>(QStringList{name, "127.0.0.1", "false"},
                                             Tchat::Ports{port, 1});
    app->main().setSettingsFile(mbtest::scratchSettingsFile());
    app->main().show();
    return app;
}

}  // namespace

class TestSeatOne : public QObject {
    Q_OBJECT
private slots:
    void seatOneStartsAtADedicatedHost() {
        mbtest::HostProcess host;
        QVERIFY(host.start({"--no-announce"}));
        auto ann = joinCopy("Ann", host.port);
        QVERIFY(host.waitLog("Seat 1 logged in as Ann"));
        auto bob = joinCopy("Bob", host.port);
        QVERIFY(host.waitLog("Seat 2 logged in as Bob"));
        QTRY_COMPARE(bob->main().state().myseat, 2);

        Tchat& first = ann->main();
        QVERIFY(mbtest::action(&first, "StartGame1")->isEnabled());
        QVERIFY(mbtest::startButton(&first)->isVisible());
        QVERIFY(ann->spylist().removeAction()->isEnabled());
        QTRY_COMPARE(first.table().seat(2).name, "Bob");
        const mb::SeatMenuState menu = first.table().seatMenu(2);
        QVERIFY(menu.remove && menu.setWatch && menu.unsetWatch);

        Tchat& second = bob->main();
        QVERIFY(!mbtest::action(&second, "StartGame1")->isEnabled());
        QVERIFY(!mbtest::startButton(&second)->isVisible());
        QVERIFY(!bob->spylist().removeAction()->isEnabled());
        QVERIFY(!second.table().seatMenu(1).remove);

        mbtest::action(&first, "StartGame1")->trigger();
        QVERIFY(ann->gamestart().isVisible());
        ann->gamestart().button_startClick();
        QVERIFY(host.waitLog("Game started by Ann"));
        QTRY_VERIFY(!mbtest::startButton(&first)->isVisible());
        QTRY_VERIFY(second.table().playToScore.startsWith("Play to Score: "));
    }
};

QTEST_MAIN(TestSeatOne)
#include "test_seatone.moc"
