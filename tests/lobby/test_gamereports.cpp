// What a game copy tells the lobby over the link as it ends, for each way a game ends: the
// player closed it, the table could not be reached, the table was full, the table went away.
// Real copies in this process, a real host on an ephemeral port and the lobby's real link.
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include "client/application.h"
#include "host/serverform.h"
#include "lobby/lobbylink.h"
#include "tests/support/hostprocess.h"
#include "tests/support/messageboxes.h"
#include "tests/support/rawpeer.h"
#include "tests/support/scratchsettings.h"

using mb::GameEnd;

Q_DECLARE_METATYPE(mb::GameEnd)

namespace {

struct Fixture {
    mb::LobbyLink link{0};
    QSignalSpy closed{&link, &mb::LobbyLink::linkClosed};
    std::unique_ptr<mb::TServer> host;

    Fixture() {
        link.listen();
        mb::ServerOptions options;
        options.port = QStringLiteral("0");
        host = std::make_unique<mb::TServer>(options);
        host->startListening();
    }
    std::unique_ptr<Application> join(quint16 port) {
        auto app = std::make_unique<Application>(QStringList{"Ann", "127.0.0.1", "false"},
                                                 Tchat::Ports{port, link.port()});
        app->main().setSettingsFile(mbtest::scratchSettingsFile());
        app->main().show();
        return app;
    }
    bool linked() {
        return QTest::qWaitFor([&] { return link.openLinks() == 1; }, mbtest::kNetWaitMs);
    }
    // The copy's window has closed; its program ends, and with it the link.
    GameEnd end(std::unique_ptr<Application>& app) {
        if (!QTest::qWaitFor([&] { return !app->main().isVisible(); }, mbtest::kNetWaitMs))
            return GameEnd::Unknown;
        app.reset();
        if (!QTest::qWaitFor([&] { return closed.size() == 1; }, mbtest::kNetWaitMs))
            return GameEnd::Unknown;
        return closed.first().at(0).value<GameEnd>();
    }
};

}  // namespace

class TestGameReports : public QObject {
    Q_OBJECT
private slots:
    void closedByThePlayer() {
        Fixture f;
        auto app = f.join(f.host->listenPort());
        QVERIFY(f.linked());
        QTRY_VERIFY(app->main().state().isconnected);
        app->main().close();
        QCOMPARE(f.end(app), GameEnd::Closed);
    }

    void tableNotReached() {
        Fixture f;
        auto app = f.join(mbtest::freePort());
        QVERIFY(f.linked());
        app->main().close();
        QCOMPARE(f.end(app), GameEnd::Unreachable);
    }

    void tableFull() {
        Fixture f;
        std::vector<std::unique_ptr<mbtest::RawClient>> seated;
        for (int seat = 1; seat <= mb::kMaxSeats; ++seat) {
            seated.push_back(std::make_unique<mbtest::RawClient>(f.host->listenPort()));
            QCOMPARE(seated.back()->login("P" + QByteArray::number(seat)), seat);
            // Seated only once the host has announced it: a bare connection would give way.
            QVERIFY(!seated.back()->next("CMD_newplayerinfo").isEmpty());
        }
        auto app = f.join(f.host->listenPort());
        QTRY_VERIFY(mbtest::findBox(QStringLiteral("Game is full")));
        mbtest::findBox(QStringLiteral("Game is full"))->accept();
        QCOMPARE(f.end(app), GameEnd::Full);
    }

    void tableWentAway() {
        Fixture f;
        auto app = f.join(f.host->listenPort());
        QTRY_VERIFY(app->main().state().isconnected);
        f.host.reset();
        QCOMPARE(f.end(app), GameEnd::Lost);
    }
};

QTEST_MAIN(TestGameReports)
#include "test_gamereports.moc"
