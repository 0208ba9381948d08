// The dedicated host program as a black box: started as a process, driven over TCP by bare
// clients, stopped by a signal.
#include <signal.h>

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QtTest>

#include <memory>
#include <vector>

#include "core/errornotice.h"
#include "host/hostlimits.h"
#include "tests/support/hostprocess.h"
#include "tests/support/rawpeer.h"

using mbtest::freePort;
using mbtest::hostBinary;
using mbtest::HostProcess;
using mbtest::kNetWaitMs;
using mbtest::RawClient;

class HostProgramTest : public QObject {
    Q_OBJECT
private slots:
    void loginChatKickAndGame();
    void rejectsBadOptions();
    void interruptStopsCleanly();
    void helpAndVersion();
    void peerTextIsLoggedPrintablyAndNoticesAreBounded();
    void turnLimitAndOwnerSeatInAGame();
    void withoutAvahiItPlaysAndSaysSoOnce();
};

void HostProgramTest::withoutAvahiItPlaysAndSaysSoOnce() {
    HostProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No system bus at all, so no Avahi daemon can answer.
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket");
    host.process.setProcessEnvironment(env);
    QVERIFY(host.start({"--name", "Attic"}));
    QVERIFY(host.waitLog("Not announced on the local network: the Avahi service is not running\n"));
    RawClient ann(host.port);
    QCOMPARE(ann.login("Ann"), 1);
    QVERIFY(host.waitLog("Seat 1 logged in as Ann"));
    QCOMPARE(host.log.count("Not announced"), 1);
}

void HostProgramTest::loginChatKickAndGame() {
    HostProcess host;
    QVERIFY2(host.start({"--bot-speed", "fast"}), qPrintable(host.process.errorString()));

    // Login: the first connection is seat 1, with the hosting player's rights.
    RawClient alice(host.port);
    QCOMPARE(alice.login("Alice"), 1);
    QCOMPARE(alice.next("CMD_newplayerinfo"), QByteArray("CMD_newplayerinfo+1+Alice+0"));
    RawClient bob(host.port);
    QCOMPARE(bob.login("Bob"), 2);
    QCOMPARE(bob.next("CMD_existingplayers"), QByteArray("CMD_existingplayers+1+Alice+0"));
    QCOMPARE(alice.next("CMD_newplayerinfo"), QByteArray("CMD_newplayerinfo+2+Bob+0"));
    QVERIFY(host.waitLog("Seat 2 logged in as Bob"));

    // Chat and sounds come back to everybody, the sender included.
    bob.send("CMD_chat+2+a + b|clBlue");
    QCOMPARE(alice.next("CMD_chat"), QByteArray("CMD_chat+2+Bob chats: a + b|clBlue"));
    QCOMPARE(bob.next("CMD_chat"), QByteArray("CMD_chat+2+Bob chats: a + b|clBlue"));
    alice.send("CMD_playasound+1+wave4+");
    QCOMPARE(bob.next("CMD_playasound"), QByteArray("CMD_playasound+1+wave4+"));

    // Kick: only seat 1's word counts.
    RawClient carol(host.port);
    QCOMPARE(carol.login("Carol"), 3);
    carol.send("CMD_kickhim+1+2+");
    alice.send("CMD_kickhim+1+3+");
    QVERIFY(carol.waitClosed());
    QCOMPARE(bob.next("CMD_playerdisconnected"), QByteArray("CMD_playerdisconnected+3+Carol"));
    QVERIFY(!bob.closed());
    QVERIFY(host.waitLog("Seat 3 left (Carol)"));

    // A game between the two: one move each way, with the mover's card kept private.
    alice.send("CMD_startgame+Alice+5+");
    QCOMPARE(bob.next("CMD_startgame"), QByteArray("CMD_startgame+Alice+5+"));
    QCOMPARE(bob.next("CMD_roundstart"), QByteArray("CMD_roundstart+1+1+1+2+1+3+0+4+0"));
    QVERIFY(bob.next("CMD_mycards").startsWith("CMD_mycards+2+1+"));
    QVERIFY(!bob.next("CMD_topcard").isEmpty());
    const QByteArray turn = alice.next("CMD_nextplayer");
    QVERIFY(turn.startsWith("CMD_nextplayer+1+"));
    const QByteArray drawCard = turn.split('+')[2];
    QVERIFY(host.waitLog("Game started by Alice, playing to 5"));

    alice.send("CMD_replacecard+1+1+10+");
    const QByteArray mine = alice.next("CMD_hisplay");
    QVERIFY(mine.startsWith("CMD_hisplay+1+" + drawCard + "+10+"));
    const QByteArray theirs = bob.next("CMD_hisplay");
    QVERIFY(theirs.startsWith("CMD_hisplay+1+0+0+"));
    QCOMPARE(theirs.split('+')[4], mine.split('+')[4]);
    QVERIFY(bob.next("CMD_nextplayer").startsWith("CMD_nextplayer+2+"));
    bob.send("CMD_replacecard+2+2+1+");
    QVERIFY(bob.next("CMD_hisplay").startsWith("CMD_hisplay+2+"));

    // Bob steps back; the computer takes his seat's turns.
    bob.send("CMD_justwatch+2+1");
    QCOMPARE(alice.next("CMD_justwatching"), QByteArray("CMD_justwatching+2+1"));
    QVERIFY(alice.next("CMD_nextplayer").startsWith("CMD_nextplayer+1+"));
    alice.send("CMD_replacecard+1+1+10+");
    QVERIFY(alice.next("CMD_nextplayer").startsWith("CMD_nextplayer+2+"));
    QVERIFY(alice.next("CMD_hisplay").startsWith("CMD_hisplay+2+0+0+"));

    QVERIFY(host.stop(SIGTERM));
    QVERIFY(alice.waitClosed());
    QVERIFY(bob.waitClosed());
}

void HostProgramTest::rejectsBadOptions() {
    for (const QStringList& args :
         {QStringList{"--port", "70000"}, QStringList{"--port", "x"},
          QStringList{"--bot-speed", "warp"}, QStringList{"--turn-limit", "-1"},
          QStringList{"--turn-limit", "soon"}}) {
        QProcess p;
        p.start(hostBinary(), args);
        QVERIFY(p.waitForFinished(kNetWaitMs));
        QCOMPARE(p.exitCode(), 2);
    }
}

void HostProgramTest::interruptStopsCleanly() {
    HostProcess host;
    QVERIFY(host.start({"--bot-speed", "750"}));
    RawClient alice(host.port);
    QCOMPARE(alice.login("Alice"), 1);
    QVERIFY(host.waitLog("Connection from 127.0.0.1 in seat 1"));
    QVERIFY(host.stop(SIGINT));
    QVERIFY(alice.waitClosed());
}

void HostProgramTest::helpAndVersion() {
    QProcess p;
    p.start(hostBinary(), {"--help"});
    QVERIFY(p.waitForFinished(kNetWaitMs));
    QCOMPARE(p.exitCode(), 0);
    const QByteArray help = p.readAllStandardOutput();
    QVERIFY(help.startsWith("Usage: marrowby-host "));
    for (const char* option : {"--port N", "--bot-speed", "--turn-limit SECONDS", "--name TEXT",
                               "--no-announce", "--help", "--version"})
        QVERIFY2(help.contains(option), option);

    p.start(hostBinary(), {"--version"});
    QVERIFY(p.waitForFinished(kNetWaitMs));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardOutput(), QByteArray("marrowby-host 1.0.0\n"));

    for (const QStringList& args : {QStringList{"--frobnicate"}, QStringList{"extra"}}) {
        p.start(hostBinary(), args);
        QVERIFY(p.waitForFinished(kNetWaitMs));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardOutput().isEmpty());
        QVERIFY(p.readAllStandardError().contains(help));
    }
}

void HostProgramTest::peerTextIsLoggedPrintablyAndNoticesAreBounded() {
    HostProcess host;
    QVERIFY(host.start());
    RawClient alice(host.port);
    QCOMPARE(alice.login("Ev\x1B[2Jil\xC3("), 1);
    QVERIFY(host.waitLog(QStringLiteral("Seat 1 logged in as Ev_[2Jil\\xC3(")));
    // Each connection stays under the rate that closes it; together they send many more
    // notices than the log shows.
    std::vector<std::unique_ptr<RawClient>> peers;
    int sent = 0;
    for (int p = 0; p < 4; ++p) {
        peers.push_back(std::make_unique<RawClient>(host.port));
        QVERIFY(peers.back()->login("Peer") > 1);
        for (int i = 0; i < mb::kMaxMalformedPerWindow; ++i, ++sent)
            peers.back()->send("CMD_chat+\x1B[31m" + QByteArray::number(sent) + "+x");
        // The last notice the log shows in this batch; the next batch starts after it.
        if (sent - mb::kMaxMalformedPerWindow < mb::kNoticesPerPeriod)
            QVERIFY(host.waitLog(QStringLiteral("Error notice: '\\x1B[31m%1' is not a valid "
                                                "integer value")
                                     .arg(std::min(sent, mb::kNoticesPerPeriod) - 1)));
    }
    QVERIFY(
        host.waitLog(QStringLiteral("Error notice: '\\x1B[31m4' is not a valid integer value")));
    alice.send("CMD_chat+1+done");
    QVERIFY(!alice.next("CMD_chat").isEmpty());
    QCOMPARE(host.log.count(QStringLiteral("Error notice:")), mb::kNoticesPerPeriod);
    QVERIFY(!host.log.contains(QChar(0x1B)));
}

void HostProgramTest::turnLimitAndOwnerSeatInAGame() {
    HostProcess host;
    QVERIFY(host.start({"--turn-limit", "1", "--bot-speed", "fast"}));
    RawClient alice(host.port);
    QCOMPARE(alice.login("Alice"), 1);
    RawClient bob(host.port);
    QCOMPARE(bob.login("Bob"), 2);
    bob.send("CMD_startgame+Bob+5+");  // not the owner's seat: nothing happens
    alice.send("CMD_startgame+Alice+5+");
    QCOMPARE(bob.next("CMD_startgame"), QByteArray("CMD_startgame+Alice+5+"));
    QVERIFY(alice.next("CMD_nextplayer").startsWith("CMD_nextplayer+1+"));
    // Alice does not move: a second later the computer's rule moves for her.
    QVERIFY(alice.next("CMD_hisplay", 3000).startsWith("CMD_hisplay+1+"));
    QVERIFY(host.waitLog(QStringLiteral("Seat 1 (Alice) did not move in time")));
    QVERIFY(alice.next("CMD_nextplayer").startsWith("CMD_nextplayer+2+"));

    // The owner leaves in mid-game: the next newcomer is not given seat 1.
    alice.socket()->disconnectFromHost();
    QVERIFY(host.waitLog(QStringLiteral("Seat 1 left (Alice)")));
    RawClient carol(host.port);
    QCOMPARE(carol.login("Carol"), 3);
}

QTEST_GUILESS_MAIN(HostProgramTest)
#include "test_hostprogram.moc"
