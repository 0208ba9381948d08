// The four ways the program starts, the login answer, and the ways the main window closes.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTcpServer>
#include <QTest>
#include <iterator>
#include <random>

#include "assets/art.h"
#include "client/application.h"
#include "client/noticebox.h"
#include "client/programinfo.h"
#include "core/errornotice.h"
#include "dialogs/aboutform.h"
#include "dialogs/downloadform.h"
#include "dialogs/helpform.h"
#include "host/hostlimits.h"
#include "host/serverform.h"
#include "net/commands.h"
#include "net/lobbylink.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "tests/support/mainwindow.h"
#include "tests/support/messageboxes.h"
#include "tests/support/rawpeer.h"
#include "tests/support/scratchsettings.h"
#include "widgets/gamestyle.h"
#include "widgets/programicons.h"

using mbtest::RawClient;
using mbtest::RawHost;

namespace {

using mbtest::findBox;

// The game port for a hosting copy is picked by its own host; the lobby stand-in is ours.
std::unique_ptr<Application> start(const QStringList& args, quint16 gamePort, quint16 lobbyPort) {
    auto app = std::make_unique<Application>(args, Tchat::Ports{gamePort, lobbyPort});
    app->main().setSettingsFile(mbtest::scratchSettingsFile());
    app->main().show();
    return app;
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { mb::useGameStyle(); }  // as the program's main does

    // First, while nothing else in this process has read a picture file.
    void startReadsNoPictureFile() {
        RawHost lobby;
        auto app = start({}, 0, lobby.port());
        QTRY_VERIFY(app->main().state().isconnected);
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY2(!mapped.contains("imageformats"), "an image-format plug-in was loaded");

        // The arrow Qt would have read, drawn for the screen: right, or turned to point down.
        const QIcon right = QApplication::style()->standardIcon(
            QStyle::SP_ToolBarHorizontalExtensionButton, nullptr, app->main().menuBar());
        const QIcon down =
            QApplication::style()->standardIcon(QStyle::SP_ToolBarVerticalExtensionButton);
        const QImage sharp = right.pixmap(QSize(16, 16), 2.0).toImage();
        QCOMPARE(sharp.size(), QSize(32, 32));
        QCOMPARE(sharp.devicePixelRatio(), 2.0);
        int inked = 0;
        for (int y = 0; y < sharp.height(); ++y)
            for (int x = 0; x < sharp.width(); ++x) inked += qAlpha(sharp.pixel(x, y)) > 128;
        QVERIFY(inked > 20);
        QCOMPARE(down.pixmap(QSize(16, 16), 2.0).toImage(),
                 sharp.transformed(QTransform().rotate(90)));
    }

    // Drawn when the programs were built, the window icons are the art's, at every size a
    // desktop may pick.
    void theCompiledInWindowIconIsTheArtsOwn() {
        mb::setApplicationIdentity();
        const QIcon icon = QGuiApplication::windowIcon();
        QCOMPARE(icon.availableSizes(),
                 (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}}));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("marrowby"));
        const auto same = [](const QIcon& icon, const QImage& art) {
            const int size = art.width();
            return icon.pixmap(QSize(size, size))
                       .toImage()
                       .convertToFormat(QImage::Format_ARGB32) ==
                   art.convertToFormat(QImage::Format_ARGB32);
        };
        QVERIFY(same(icon, mb::art::appIcon(16)) && same(icon, mb::art::appIcon(256)));
        QVERIFY(same(mb::compiledIcon(mb::lobbyIconData()), mb::art::lobbyIcon(32)));
    }

    void soloHostsAndLogsInAsYou() {
        RawHost lobby;
        auto app = start({}, 0, lobby.port());
        Tchat& chat = app->main();
        QCOMPARE(mbtest::chatLines(&chat).value(0),
                 QStringLiteral("0+Loading Solo Game..Please wait."));
        // The download window is offered once the player is in, and not made before.
        QVERIFY(chat.lobbyOfferPending());
        QVERIFY(app->server().isListening());
        {
            // Started by the lobby, a solo game does not offer the lobby again.
            qputenv(mb::lobbylink::kStartedByLobby, "1");
            auto fromLobby = start({}, 0, lobby.port());
            qunsetenv(mb::lobbylink::kStartedByLobby);
            QCOMPARE(mbtest::chatLines(&fromLobby->main()).value(0),
                     QStringLiteral("0+Loading Solo Game..Please wait."));
            QVERIFY(!fromLobby->main().lobbyOfferPending());
            QTRY_VERIFY(fromLobby->main().state().isconnected);
            QCoreApplication::processEvents();
            QVERIFY(!fromLobby->download().isVisible());
        }
        QTRY_VERIFY(app->download().isVisible());
        QCOMPARE(chat.state().myseat, 1);
        QCOMPARE(chat.state().playername, QStringLiteral("You"));
        QVERIFY(chat.state().ishost);
        QCOMPARE(mbtest::clientSocket(&chat)->hostName(), QStringLiteral("127.0.0.1"));

        // A second player gets seat 2 and learns that seat 1 is "You".
        RawClient other(app->server().listenPort());
        QVERIFY(other.waitFor("CMD_sendlogininfo+2"));
        other.send("CMD_logininfo+2+1.0.0+Bea");
        QVERIFY(other.waitFor("CMD_existingplayers+1+You+0"));
        // A link that is never opened has no event to wait for.
        QTest::qWait(50);
        QCOMPARE(lobby.count(), size_t(0));  // a solo game has no lobby link
    }

    void hostingUsesLoopbackAndOpensTheLobbyLink() {
        RawHost lobby;
        auto app = start({"Alice", "10.0.0.5", "true", "ignored"}, 0, lobby.port());
        Tchat& chat = app->main();
        QCOMPARE(mbtest::chatLines(&chat).value(0),
                 QStringLiteral("0+Loading Multi-player Game.. Please Wait."));
        QVERIFY(!app->download().isVisible());
        QTRY_VERIFY(chat.state().isconnected);
        QCOMPARE(mbtest::clientSocket(&chat)->hostName(), QStringLiteral("127.0.0.1"));
        QCOMPARE(chat.state().hostaddress, QStringLiteral("10.0.0.5"));
        QVERIFY(lobby.waitForConnection());
        RawClient other(app->server().listenPort());
        QCOMPARE(other.login("Bea"), 2);
        QVERIFY(other.waitFor("CMD_existingplayers+1+Alice+0"));
        // What comes over the link is never kept: a chatty program on the lobby's port cannot
        // fill the game's memory.
        auto* link = chat.findChild<mb::Sock*>(QStringLiteral("Sock11"));
        QVERIFY(link && link->isConnected());
        QSignalSpy reads(link, &mb::Sock::readyRead);
        lobby.at(0).sendRaw(QByteArray(256 * 1024, 'x'));
        QTRY_VERIFY(reads.count() > 0);
        QCOMPARE(link->bufferedInput(), 0);
        QVERIFY(link->isConnected());
    }

    void joiningIsCaseSensitiveAndAnswersTheLogin() {
        RawHost host;
        RawHost lobby;
        auto app = start({"Alice", "127.0.0.1", "True"}, host.port(), lobby.port());
        QVERIFY(host.waitForConnection());
        QVERIFY(lobby.waitForConnection());
        QVERIFY(!app->server().isListening());
        QVERIFY(!app->main().state().ishost);
        host.at(0).send("CMD_sendlogininfo+3");
        // The stored name ends in the terminator, so an empty message follows the login.
        QTRY_COMPARE(host.at(0).raw(), QByteArray("CMD_logininfo+3+1.0.0+Alice\xff\xff"));
        QCOMPARE(app->main().state().myseat, 3);
    }

    void oneOrTwoArgumentsStayIdle() {
        RawHost lobby;
        for (const QStringList& args : {QStringList{"Alice"}, QStringList{"Alice", "127.0.0.1"}}) {
            auto app = start(args, lobby.port(), lobby.port());
            QTest::qWait(100);  // staying idle has no event to wait for
            QCOMPARE(mbtest::chatLines(&app->main()),
                     QStringList{"0+Loading Multi-player Game.. Please Wait."});
            QVERIFY(!app->server().isListening());
            QVERIFY(!mbtest::clientSocket(&app->main())->isOpen());
            QCOMPARE(lobby.count(), size_t(0));
        }
    }

    void gameFullClosesAfterTheMessage() {
        RawHost host;
        auto app = start({"Alice", "127.0.0.1", "false"}, host.port(), 1);
        QVERIFY(host.waitForConnection());
        host.at(0).send("CMD_full");  // no separator: not a command
        // Messages run in order: once the next one shows, the first has had its turn.
        host.at(0).send("CMD_chat+0+next|clBlack");
        QTRY_VERIFY(mbtest::lastChatLine(&app->main()) == QStringLiteral("0+next"));
        QVERIFY(!findBox(QStringLiteral("Game is full")));
        host.at(0).send("CMD_full+");
        QTRY_VERIFY(findBox(QStringLiteral("Game is full")));
        QVERIFY(app->main().isVisible());
        findBox(QStringLiteral("Game is full"))->accept();
        QTRY_VERIFY(!app->main().isVisible());
    }

    void gameFullFromTheRealHostWaitsForTheUser() {
        mb::ServerOptions options;
        options.port = QStringLiteral("0");
        mb::TServer host(options);
        host.startListening();
        std::vector<std::unique_ptr<RawClient>> seated;
        for (int seat = 1; seat <= mb::kMaxSeats; ++seat) {
            seated.push_back(std::make_unique<RawClient>(host.listenPort()));
            QCOMPARE(seated.back()->login("P" + QByteArray::number(seat)), seat);
            // Logged in: a bare connection would give its seat to the tenth.
            QTRY_VERIFY(host.core().seat(seat).loggedIn);
        }
        // The host sends "CMD_full" and closes at once; the copy shows why and stays open.
        auto app = start({"Tenth", "127.0.0.1", "false"}, host.listenPort(), 1);
        QTRY_VERIFY(findBox(QStringLiteral("Game is full")));
        QTRY_VERIFY(!mbtest::clientSocket(&app->main())->isOpen());
        QTest::qWait(200);  // staying open has no event to wait for
        QVERIFY(app->main().isVisible());
        findBox(QStringLiteral("Game is full"))->accept();
        QTRY_VERIFY(!app->main().isVisible());
    }

    void floodingHostIsDroppedAndFullIsShownOnce() {
        RawHost host;
        auto app = start({"Alice", "127.0.0.1", "false"}, host.port(), 1);
        QVERIFY(host.waitForConnection());
        QByteArray flood;
        for (int i = 0; i < 300; ++i) flood += QByteArray("CMD_full+\xFF");
        host.at(0).socket()->write(flood);
        // Past the host's own per-connection bound the client closes, as on a lost connection.
        QVERIFY(host.at(0).waitClosed());
        QTRY_VERIFY(findBox(QStringLiteral("Game is full")));
        QTRY_VERIFY(mbtest::chatLines(&app->main()).size() >= 1);
        int boxes = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->text() == "Game is full")
                ++boxes;
        QCOMPARE(boxes, 1);
        findBox(QStringLiteral("Game is full"))->accept();
        QTRY_VERIFY(!app->main().isVisible());
    }

    void peersMalformedMessagesDoNotBlockTheHostingTable() {
        RawHost lobby;
        auto app = start({"Alice", "x", "true"}, 0, lobby.port());
        QTRY_VERIFY(app->main().state().isconnected);
        RawClient pest(app->server().listenPort());
        QCOMPARE(pest.next("CMD_sendlogininfo"), QByteArray("CMD_sendlogininfo+2"));
        for (int i = 0; i <= mb::kMaxMalformedPerWindow; ++i)
            pest.send("CMD_logininfo+\x1B" + QByteArray::number(i) + "+");
        QVERIFY(pest.waitClosed());
        auto notices = [&] {
            return mbtest::chatLines(&app->main())
                .filter(QStringLiteral("0+Error in another player's message: "));
        };
        QTRY_COMPARE(notices().size(), 1);
        QCOMPARE(notices()[0], QStringLiteral("0+Error in another player's message: "
                                              "'\\x1B0' is not a valid integer value"));
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!(qobject_cast<QMessageBox*>(w) && w->isVisible()));
    }

    void errorNoticeShowsOneBoxAtATime() {
        QWidget parent;
        mb::NoticeBox notices(&parent);
        auto boxes = [] {
            int n = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<QMessageBox*>(w) && w->isVisible()) ++n;
            return n;
        };
        for (int i = 0; i < 300; ++i)
            notices.show(QStringLiteral("'x%1' is not a valid integer value").arg(i));
        QCOMPARE(boxes(), 1);
        QCOMPARE(notices.box()->text(), QStringLiteral("'x0' is not a valid integer value"));
        QCOMPARE(notices.repeats(), 299);
        QVERIFY(notices.box()->informativeText().startsWith(QStringLiteral("299 more")));
        notices.box()->accept();
        QTRY_VERIFY(!notices.box());
        notices.show(QStringLiteral("again"));
        QCOMPARE(notices.repeats(), 0);
        QCOMPARE(notices.box()->text(), QStringLiteral("again"));
        QVERIFY(notices.box()->informativeText().isEmpty());
    }

    void lostConnectionClosesTheWindow() {
        RawHost host;
        auto app = start({"Alice", "127.0.0.1", "false"}, host.port(), 1);
        QVERIFY(host.waitForConnection());
        QTRY_VERIFY(mbtest::clientSocket(&app->main())->isConnected());
        host.at(0).socket()->close();
        QTRY_VERIFY(!app->main().isVisible());
    }

    void garbledMessagesFromAHostLeaveTheTablePlaying() {
        // A host that sends the table's messages with numbers and words of every kind: seats
        // and cards out of range, lists cut short, a word for a number, our own seat named as
        // anyone. The window draws each state it is left in and stays with the game.
        RawHost host;
        auto app = start({"Cy", "127.0.0.1", "false"}, host.port(), 1);
        QVERIFY(host.waitForConnection());
        host.at(0).send("CMD_sendlogininfo+2");
        QTRY_VERIFY(app->main().state().isconnected);
        // Every message the window answers to but the one that ends the game.
        QList<QByteArray> commands;
        for (const QByteArray& name : app->main().dispatcher().commands())
            if (name != mb::cmd::kFull) commands << name;
        const QByteArray words[] = {"",   "@",          "Ann",    "<Waiting>", "-1",
                                    "61", "2147483647", "9: Ann", "x",         "99999999999"};
        std::mt19937 random(20261211);
        const auto pick = [&random](int n) { return int(random() % unsigned(n)); };
        constexpr int kRounds = 10;
        constexpr int kPerRound = 200;  // within the client's queue bound
        for (int round = 0; round < kRounds; ++round) {
            QByteArray bytes;
            for (int i = 0; i < kPerRound; ++i) {
                QByteArray m = commands[pick(int(commands.size()))];
                for (int f = pick(12); f >= 0; --f)
                    m += '+' + (pick(4) ? QByteArray::number(pick(14) - 1)
                                        : words[pick(std::size(words))]);
                bytes += m + '\xFF';
            }
            const QByteArray mark = "round " + QByteArray::number(round);
            bytes += "CMD_chat+1+" + mark + "|clBlack\xFF";
            host.at(0).sendRaw(bytes);
            // Not QTRY: its pauses of 10 ms between passes would set the pace of the ticks.
            const QString line = QString::fromLatin1(mark);
            const auto arrived = [&] {
                return mbtest::chatLines(&app->main()).join('\n').contains(line);
            };
            QElapsedTimer waited;
            waited.start();
            while (!arrived() && waited.elapsed() < mbtest::kNetWaitMs)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            QVERIFY(arrived());
            QVERIFY(app->main().isVisible());
        }
        // Still at the table: a spectator seat holds one entry, and a well-formed turn shows.
        QVERIFY(app->main().table().spies.size() <= mb::kMaxSeats - mb::kTableSeats);
        host.at(0).send("CMD_newplayerinfo+1+Ann+0+@");
        host.at(0).send("CMD_nextplayer+1+5");
        QTRY_COMPARE(app->main().table().status, QStringLiteral("Ann's turn."));
        QVERIFY(!host.at(0).closed());
    }

    void hostThatNeverEndsAMessageIsDropped() {
        RawHost host;
        auto app = start({"Alice", "127.0.0.1", "false"}, host.port(), 1);
        QVERIFY(host.waitForConnection());
        host.at(0).socket()->write(QByteArray(100 * 1024, 'x'));
        QTRY_VERIFY(!app->main().isVisible());
    }

    void badNumberIsReportedAndTheNextMessageRuns() {
        QStringList notices;
        const mb::ErrorSink old = mb::setErrorSink([&](const QString& t) { notices << t; });
        RawHost host;
        auto app = start({"Alice", "127.0.0.1", "false"}, host.port(), 1);
        QVERIFY(host.waitForConnection());
        host.at(0).send("CMD_sendlogininfo+two");
        host.at(0).send("CMD_wrongversion+");
        QTRY_VERIFY(mbtest::chatLines(&app->main())
                        .contains("0+You have a differnt version of the game then the host."));
        mb::setErrorSink(old);
        QCOMPARE(notices, QStringList{"'two' is not a valid integer value"});
        QVERIFY(!app->main().state().isconnected);
    }

    void busyGamePortIsReportedNotFatal() {
        QStringList notices;
        const mb::ErrorSink old = mb::setErrorSink([&](const QString& t) { notices << t; });
        RawHost squatter;
        auto app = start({}, squatter.port(), 1);
        mb::setErrorSink(old);
        QCOMPARE(notices, QStringList{"Listen - Error Binding Socket"});
        QVERIFY(
            mbtest::lastChatLine(&app->main())
                .startsWith(
                    QStringLiteral("0+Port %1 is in use on this computer").arg(squatter.port())));
        QVERIFY(!app->main().state().ishost);
        // No login is coming: the lobby, where another table may be found, is offered now.
        QVERIFY(app->download().isVisible());
        QTest::qWait(50);  // a connection that is never made has no event to wait for
        QCOMPARE(squatter.count(), size_t(0));
    }

    void joiningByNameConnectsOnceTheNameIsFound() {
        RawHost host;
        auto app = start({"Alice", "localhost", "false"}, host.port(), 1);
        // The window came up while the name was still being looked up.
        QVERIFY(mbtest::clientSocket(&app->main())->isResolving());
        QVERIFY(host.waitForConnection());
        host.at(0).send("CMD_sendlogininfo+2");
        QTRY_COMPARE(app->main().state().myseat, 2);
    }

    void unknownHostIsReportedNotFatal() {
        QStringList notices;
        const mb::ErrorSink old = mb::setErrorSink([&](const QString& t) { notices << t; });
        auto app = start({"Alice", "no-such-host.invalid", "false"}, 1, 1);
        // The name is looked up while the window runs; the notice follows when it ends.
        QTRY_COMPARE_WITH_TIMEOUT(notices, QStringList{"Host Lookup - Could Not Find Host Entry"},
                                  30000);
        mb::setErrorSink(old);
        QVERIFY(app->main().isVisible());
        QVERIFY(!mbtest::clientSocket(&app->main())->isOpen());
        QCOMPARE(mbtest::lastChatLine(&app->main()),
                 QStringLiteral("0+The table at no-such-host.invalid could not be reached, as no "
                                "computer of that name is known. Close this window to try "
                                "another."));
    }

    // Nothing listens where the player was sent: the log says so instead of "Please Wait" for
    // ever, and the lobby hears that the table was not reached.
    void refusedJoinIsToldAndReportedToTheLobby() {
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            closedPort = probe.serverPort();
        }
        RawHost lobby;
        auto app = start({"Alice", "127.0.0.1", "false"}, closedPort, lobby.port());
        QVERIFY(lobby.waitForConnection());
        QTRY_VERIFY(
            mbtest::lastChatLine(&app->main())
                .contains(QStringLiteral("could not be reached, as nothing there answers on "
                                         "port %1.")
                              .arg(closedPort)));
        QVERIFY(app->main().isVisible());
        app->main().close();
        QTRY_COMPARE(lobby.at(0).raw(), mb::lobbylink::kUnreachable.toByteArray());
    }

    void helpIsMadeWhenFirstOpened() {
        RawHost lobby;
        auto app = start({}, 0, lobby.port());
        Tchat& chat = app->main();
        const auto helpWindows = [] {
            QList<Thelp*> found;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* help = qobject_cast<Thelp*>(w)) found << help;
            return found;
        };
        QVERIFY(QTest::qWaitForWindowExposed(&chat));
        QVERIFY(helpWindows().isEmpty());

        auto* content = chat.findChild<QAction*>("Content1");
        QVERIFY(content);
        content->trigger();
        QCOMPARE(helpWindows().size(), 1);
        Thelp* help = helpWindows().first();
        QVERIFY(help->isVisible());
        QCOMPARE(help->captionText(), QStringLiteral("Overview"));
        QCOMPARE(&app->help(), help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        // Centred on the table, give or take the rounding of two odd sizes.
        QVERIFY(
            (help->frameGeometry().center() - chat.frameGeometry().center()).manhattanLength() <=
            4);

        // Made once and fitted out once: its About opens the about window a single time.
        help->hide();
        content->trigger();
        QCOMPARE(helpWindows(), QList<Thelp*>{help});
        QVERIFY(help->isVisible());
        help->findChild<QPushButton*>("button_about")->click();
        QVERIFY(app->about().isVisible());
    }

    void windowKeepsTheBoardVisible() {
        RawHost host;
        auto app = start({"Alice"}, host.port(), 1);
        app->main().resize(200, 100);
        QTRY_VERIFY(app->main().centralWidget()->width() >= 768);
        QVERIFY(app->main().centralWidget()->height() >= 530);
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
