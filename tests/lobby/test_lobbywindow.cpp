// The lobby's window without an Avahi daemon (no system bus at all): it says so, and still
// starts the game to join a typed address, to host or to play solo, remembering name and
// address. A second part drives the real game: Join starts marrowby, which logs in to a real
// marrowby-host; the lobby hides while the game holds its link and comes back with its line.
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "core/version.h"
#include "discovery/tabledirectory.h"
#include "lobby/lobbylink.h"
#include "lobby/lobbysettings.h"
#include "lobby/lobbywindow.h"
#include "lobby/tablelist.h"
#include "net/lobbylink.h"
#include "tests/support/hostprocess.h"
#include "tests/support/scratchsettings.h"

namespace {

struct Recorder {
    QList<QStringList> started;
    mb::LobbyWindow::Launcher launcher() {
        return [this](const QStringList& arguments, QString*) {
            started << arguments;
            return true;
        };
    }
};

template <typename W>
W* part(QWidget& window, const char* name) {
    W* w = window.findChild<W*>(QString::fromLatin1(name));
    Q_ASSERT(w);
    return w;
}

}  // namespace

class TestLobbyWindow : public QObject {
    Q_OBJECT
private slots:
    void withoutAvahiJoinsByAddress() {
        Recorder games;
        const QString settings = mbtest::scratchSettingsFile();
        mb::LobbyWindow lobby(settings, games.launcher(), 0);
        lobby.show();
        QCOMPARE(lobby.directory().state(), mb::TableDirectory::State::Unavailable);
        QCOMPARE(part<QLabel>(lobby, "notice")->text(),
                 "Tables on this network cannot be listed: the Avahi service is not running");

        auto* join = part<QPushButton>(lobby, "join");
        QTest::mouseClick(join, Qt::LeftButton);
        QCOMPARE(part<QLabel>(lobby, "status")->text(), "Please type your name first.");
        part<QLineEdit>(lobby, "name")->setText("  Ann  ");
        part<QComboBox>(lobby, "address")->setEditText("host name");
        QTest::mouseClick(join, Qt::LeftButton);
        QVERIFY(games.started.isEmpty());
        part<QComboBox>(lobby, "address")->setEditText("192.168.1.20");
        QTest::mouseClick(join, Qt::LeftButton);
        QTest::mouseClick(part<QPushButton>(lobby, "host"), Qt::LeftButton);
        QTest::mouseClick(part<QPushButton>(lobby, "solo"), Qt::LeftButton);
        QCOMPARE(games.started,
                 (QList<QStringList>{
                     {"Ann", "192.168.1.20", "false"}, {"Ann", "127.0.0.1", "true"}, {}}));
        const mb::LobbySettings saved = mb::LobbySettings::load(settings);
        QCOMPARE(saved.name, "Ann");
        QCOMPARE(saved.addresses, QStringList{"192.168.1.20"});

        // A game that cannot be started says why, and the lobby stays.
        mb::LobbyWindow again(settings, mb::LobbyWindow::gameIn("/nonexistent"), 0);
        QCOMPARE(part<QLineEdit>(again, "name")->text(), "Ann");
        QCOMPARE(part<QComboBox>(again, "address")->itemText(0), "192.168.1.20");
        QTest::mouseClick(part<QPushButton>(again, "solo"), Qt::LeftButton);
        QCOMPARE(part<QLabel>(again, "status")->text(),
                 "The game was not found beside the lobby (/nonexistent/marrowby).");

        // The game it starts is told that the player came from the lobby.
        QTemporaryDir games2;
        const QString told = games2.filePath("told");
        QFile game(games2.filePath("marrowby"));
        QVERIFY(game.open(QIODevice::WriteOnly));
        game.write("#!/bin/sh\necho \"$MARROWBY_STARTED_BY_LOBBY $#\" > \"" + told.toUtf8() +
                   ".part\" && mv \"" + told.toUtf8() + ".part\" \"" + told.toUtf8() + "\"\n");
        game.close();
        QVERIFY(game.setPermissions(game.permissions() | QFileDevice::ExeOwner));
        mb::LobbyWindow third(settings, mb::LobbyWindow::gameIn(games2.path()), 0);
        QTest::mouseClick(part<QPushButton>(third, "solo"), Qt::LeftButton);
        QTRY_VERIFY(QFile::exists(told));
        QFile answer(told);
        QVERIFY(answer.open(QIODevice::ReadOnly));
        QCOMPARE(answer.readAll(), QByteArray("1 0\n"));
    }

    // An address typed for the first time is forgotten again when its game never got into
    // the table, and left in the box to be put right; one that was known before stays.
    void aTypedAddressNeverReachedIsNotKept() {
        Recorder games;
        const QString settings = mbtest::scratchSettingsFile();
        mb::LobbyWindow lobby(settings, games.launcher(), 0);
        part<QLineEdit>(lobby, "name")->setText("Ann");
        auto* address = part<QComboBox>(lobby, "address");
        const auto joinAndEnd = [&](const QString& typed, QByteArrayView report) {
            address->setEditText(typed);
            QTest::mouseClick(part<QPushButton>(lobby, "join"), Qt::LeftButton);
            QSignalSpy ended(&lobby.link(), &mb::LobbyLink::linkClosed);
            QTcpSocket game;
            game.connectToHost(QHostAddress::LocalHost, lobby.link().port());
            QVERIFY(game.waitForConnected(mbtest::kNetWaitMs));
            game.write(report.data(), report.size());
            game.disconnectFromHost();
            QVERIFY(ended.wait(mbtest::kNetWaitMs));
        };
        joinAndEnd("known.example", mb::lobbylink::kClosed);
        joinAndEnd("typo.example", mb::lobbylink::kUnreachable);
        QCOMPARE(part<QLabel>(lobby, "status")->text(),
                 "The table could not be reached. Its address is not kept in the list.");
        QCOMPARE(address->currentText(), "typo.example");
        QCOMPARE(mb::LobbySettings::load(settings).addresses, QStringList{"known.example"});
        joinAndEnd("KNOWN.example", mb::lobbylink::kUnreachable);
        QCOMPARE(mb::LobbySettings::load(settings).addresses, QStringList{"KNOWN.example"});
    }

    // A table the list shows full is not joined: the game would only say "Game is full".
    void aFullListedTableIsNotJoined() {
        Recorder games;
        mb::LobbyWindow lobby(mbtest::scratchSettingsFile(), games.launcher(), 0);
        part<QLineEdit>(lobby, "name")->setText("Ann");
        const auto joinWith = [&](int watchers) {
            lobby.tables().put({"t",
                                "Busy",
                                "192.168.1.20",
                                7772,
                                {mb::kProgramVersion, "Busy", 4, watchers, true}});
            part<QTreeView>(lobby, "tables")->setCurrentIndex(lobby.tables().index(0, 0));
            QTest::mouseClick(part<QPushButton>(lobby, "join"), Qt::LeftButton);
        };
        joinWith(5);
        QVERIFY(games.started.isEmpty());
        QCOMPARE(part<QLabel>(lobby, "status")->text(),
                 "This table is full: 4 play and 5 watch. Choose another, or join when a place "
                 "comes free.");
        joinWith(4);  // one place free
        QCOMPARE(games.started, (QList<QStringList>{{"Ann", "192.168.1.20", "false"}}));
    }

    void joinsARealHostAndComesBack() {
        mbtest::HostProcess host;
        QVERIFY(host.start({"--no-announce"}, mb::kGamePort));
        mb::LobbyWindow lobby(mbtest::scratchSettingsFile(),
                              mb::LobbyWindow::gameIn(qEnvironmentVariable("MARROWBY_BINARY_DIR")));
        lobby.show();
        part<QLineEdit>(lobby, "name")->setText("Ann");
        part<QComboBox>(lobby, "address")->setEditText("127.0.0.1");
        QTest::mouseClick(part<QPushButton>(lobby, "join"), Qt::LeftButton);
        QVERIFY(host.waitLog("Seat 1 logged in as Ann"));
        QTRY_VERIFY(!lobby.isVisible());
        // The table goes away: the game ends with it, and the lobby says so.
        QVERIFY(host.stop(SIGTERM));
        QTRY_VERIFY(lobby.isVisible());
        QCOMPARE(part<QLabel>(lobby, "status")->text(), "The table ended the game.");
    }

    void aSecondLobbyBringsTheFirstForward() {
        // Each user's lobbies meet in that user's runtime directory.
        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(mbtest::builtProgram(QStringLiteral("marrowby-lobby")), QStringList{});
        QVERIFY(first.waitForStarted());
        // It is ready once its link answers (it takes calls from other lobbies before that).
        QVERIFY(QTest::qWaitFor(
            [] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, mb::kLobbyPort);
                return probe.waitForConnected(100);
            },
            mbtest::kNetWaitMs));
        QVERIFY(QFileInfo(runtime.filePath(QStringLiteral("marrowby-lobby"))).exists());
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(mbtest::builtProgram(QStringLiteral("marrowby-lobby")), QStringList{});
        QVERIFY(second.waitForFinished(mbtest::kNetWaitMs));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
    }
};

QTEST_MAIN(TestLobbyWindow)
#include "test_lobbywindow.moc"
