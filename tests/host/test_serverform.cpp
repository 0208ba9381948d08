// TServer over real TCP on loopback: accepting into seats, closing, refusing, flooding, and a
// game whose computer moves and pauses run on real timers.
#include <QSignalSpy>
#include <QtTest>
#include <memory>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "host/serverform.h"
#include "net/sock.h"
#include "tests/support/rawpeer.h"

using mbtest::RawClient;
using namespace std::chrono_literals;

class ServerFormTest : public QObject {
    Q_OBJECT
private slots:
    void seatsOverTcpAndTenthRefused();
    void peerCloseIsReportedOnceAndSeatReused();
    void kickClosesTheConnection();
    void overlongMessageClosesOnlyThatConnection();
    void gameRunsOnRealTimers();
    void gameSocketsSendAtOnceAndProbeIdlePeers();
    void bareConnectionsAreClosedUnannounced();
    void connectionStormsAreRefusedPerAddress();
    void loginNamesAndRelayRateOverTcp();
    void bareConnectionsGiveWayToAFriend();
    void lookAlikeNamesAreMarked();
    void justWatchFlipsAndLongLinesKeepToTheRelayRate();
    void malformedFloodClosesTheConnection();
    void aPeerThatStopsReadingIsClosed();

private:
    std::unique_ptr<mb::TServer> listeningServer(mb::ServerOptions options = {}) {
        options.port = QStringLiteral("0");
        auto server = std::make_unique<mb::TServer>(std::move(options));
        server->startListening();
        return server;
    }
};

void ServerFormTest::seatsOverTcpAndTenthRefused() {
    auto server = listeningServer();
    QVERIFY(server->isListening());
    QVERIFY(server->listenPort() != 0);
    QSignalSpy accepted(server.get(), &mb::TServer::connectionAccepted);
    QSignalSpy refused(server.get(), &mb::TServer::connectionRefused);

    std::vector<std::unique_ptr<RawClient>> clients;
    for (int seat = 1; seat <= mb::kMaxSeats; ++seat) {
        clients.push_back(std::make_unique<RawClient>(server->listenPort()));
        // Logged in: a bare connection would give way to the tenth.
        QCOMPARE(clients.back()->login("P"), seat);
        QTRY_VERIFY(server->core().seat(seat).loggedIn);
    }
    QCOMPARE(accepted.size(), mb::kMaxSeats);
    QCOMPARE(accepted.last().at(1).toString(), QStringLiteral("127.0.0.1"));

    RawClient tenth(server->listenPort());
    QCOMPARE(tenth.next("CMD_full"), QByteArray("CMD_full+"));
    QVERIFY(tenth.waitClosed());
    QCOMPARE(refused.size(), 1);
    QVERIFY(tenth.all("CMD_sendlogininfo").isEmpty());

    // The nine are untouched: a chat line still reaches all of them.
    clients[4]->send("CMD_chat+5+hi");
    for (auto& c : clients) QVERIFY(c->waitFor("CMD_chat+5+P (5) chats: hi"));
    for (auto& c : clients) QVERIFY(!c->closed());
}

void ServerFormTest::peerCloseIsReportedOnceAndSeatReused() {
    auto server = listeningServer();
    QSignalSpy closedSpy(server.get(), &mb::TServer::connectionClosed);
    RawClient alice(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    {
        RawClient bob(server->listenPort());
        QCOMPARE(bob.login("Bob"), 2);
        QCOMPARE(alice.next("CMD_newplayerinfo"), QByteArray("CMD_newplayerinfo+1+Alice+0"));
        QCOMPARE(alice.next("CMD_newplayerinfo"), QByteArray("CMD_newplayerinfo+2+Bob+0"));
        bob.socket()->disconnectFromHost();
    }
    QCOMPARE(alice.next("CMD_playerdisconnected"), QByteArray("CMD_playerdisconnected+2+Bob"));
    QCOMPARE(closedSpy.size(), 1);
    QCOMPARE(closedSpy[0].at(0).toInt(), 2);

    RawClient carol(server->listenPort());
    QCOMPARE(carol.login("Carol"), 2);
    QCOMPARE(carol.next("CMD_existingplayers"), QByteArray("CMD_existingplayers+1+Alice+0"));
    // A chat round trip proves the queue is flowing; by then any second report has happened.
    carol.send("CMD_chat+2+hello + all|clNavy");
    QCOMPARE(alice.next("CMD_chat"), QByteArray("CMD_chat+2+Carol chats: hello + all|clNavy"));
    QCOMPARE(alice.all("CMD_playerdisconnected").size(), 1);
    QCOMPARE(closedSpy.size(), 1);
}

void ServerFormTest::kickClosesTheConnection() {
    auto server = listeningServer();
    RawClient alice(server->listenPort());
    RawClient bob(server->listenPort());
    RawClient carol(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    QCOMPARE(bob.login("Bob"), 2);
    QCOMPARE(carol.login("Carol"), 3);

    bob.send("CMD_kickhim+1+3+");  // not the hosting player's connection
    alice.send("CMD_kickhim+1+3+");
    QVERIFY(carol.waitClosed());
    QCOMPARE(alice.next("CMD_playerdisconnected"), QByteArray("CMD_playerdisconnected+3+Carol"));
    QCOMPARE(bob.next("CMD_playerdisconnected"), QByteArray("CMD_playerdisconnected+3+Carol"));
    QVERIFY(!bob.closed());
    QVERIFY(!alice.closed());
}

void ServerFormTest::overlongMessageClosesOnlyThatConnection() {
    auto server = listeningServer();
    RawClient alice(server->listenPort());
    RawClient bob(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    QCOMPARE(bob.login("Bob"), 2);
    QCOMPARE(bob.next("CMD_existingplayers"), QByteArray("CMD_existingplayers+1+Alice+0"));
    bob.sendRaw(QByteArray(mb::kMaxRemainder + 1024, 'x'));
    QVERIFY(bob.waitClosed());
    QCOMPARE(alice.next("CMD_playerdisconnected"), QByteArray("CMD_playerdisconnected+2+Bob"));
    alice.send("CMD_chat+1+still here|clBlack");
    QCOMPARE(alice.next("CMD_chat"), QByteArray("CMD_chat+1+Alice chats: still here|clBlack"));
}

void ServerFormTest::gameRunsOnRealTimers() {
    mb::ServerOptions options;
    int speedReads = 0;
    options.botSpeed = [&] {
        ++speedReads;
        return 5ms;
    };
    options.hostTurnCount = [] { return 3; };
    options.seed = 42;
    auto server = listeningServer(std::move(options));
    QSignalSpy started(server.get(), &mb::TServer::gameStarted);

    RawClient alice(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    alice.send("CMD_startgame+Alice+5+");
    QCOMPARE(alice.next("CMD_startgame"), QByteArray("CMD_startgame+Alice+5+"));
    QCOMPARE(alice.next("CMD_roundstart"), QByteArray("CMD_roundstart+1+1+1+2+1+3+0+4+0"));
    QVERIFY(!alice.next("CMD_mycards").isEmpty());
    QVERIFY(!alice.next("CMD_topcard").isEmpty());
    QVERIFY(alice.next("CMD_nextplayer").startsWith("CMD_nextplayer+1+"));
    QCOMPARE(started.size(), 1);

    alice.send("CMD_replacecard+1+1+10+");
    QVERIFY(alice.next("CMD_hisplay").startsWith("CMD_hisplay+1+"));
    // One second later the computer's turn, one bot interval after that its move.
    QVERIFY(alice.next("CMD_nextplayer").startsWith("CMD_nextplayer+2+"));
    QVERIFY(alice.next("CMD_hisplay").startsWith("CMD_hisplay+2+0+0+"));
    QCOMPARE(speedReads, 1);
    QVERIFY(alice.next("CMD_nextplayer").startsWith("CMD_nextplayer+1+"));

    RawClient bob(server->listenPort());
    QCOMPARE(bob.login("Bob"), 2);
    QVERIFY(bob.next("CMD_gamestats").startsWith("CMD_gamestats+1+5+1+3+"));
    QVERIFY(bob.next("CMD_mycards").startsWith("CMD_mycards+2+1+"));
}

namespace {

int option(const mb::Sock* sock, int level, int name) {
    int value = -1;
    socklen_t len = sizeof value;
    if (!sock || ::getsockopt(sock->handle(), level, name, &value, &len) != 0) return -1;
    return value;
}

}  // namespace

void ServerFormTest::gameSocketsSendAtOnceAndProbeIdlePeers() {
    auto server = listeningServer();
    mb::Sock client;
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(server->listenPort()));
    client.open();
    QTRY_VERIFY(client.isConnected());
    QTRY_VERIFY(server->connection(1));
    const mb::Sock* accepted = server->connection(1);
    QCOMPARE(option(&client, IPPROTO_TCP, TCP_NODELAY), 1);
    QCOMPARE(option(accepted, IPPROTO_TCP, TCP_NODELAY), 1);
    QCOMPARE(option(accepted, SOL_SOCKET, SO_KEEPALIVE), 1);
    QCOMPARE(option(accepted, IPPROTO_TCP, TCP_KEEPIDLE), mb::kKeepAliveIdleSeconds);
    QCOMPARE(option(accepted, IPPROTO_TCP, TCP_KEEPINTVL), mb::kKeepAliveIntervalSeconds);
    QCOMPARE(option(accepted, IPPROTO_TCP, TCP_KEEPCNT), mb::kKeepAliveProbes);
}

void ServerFormTest::bareConnectionsAreClosedUnannounced() {
    std::chrono::milliseconds now{0};
    mb::ServerOptions options;
    options.clock = [&] { return now; };
    auto server = listeningServer(std::move(options));
    // The deadline timer rests while no deadline is pending, and wakes for one.
    const auto* housekeeping = server->findChild<QTimer*>(QStringLiteral("housekeeping"));
    QVERIFY(housekeeping && !housekeeping->isActive());
    QSignalSpy late(server.get(), &mb::TServer::loginTimedOut);
    RawClient alice(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    QTRY_VERIFY(!housekeeping->isActive());
    std::vector<std::unique_ptr<RawClient>> bare;
    for (int seat = 2; seat <= mb::kMaxSeats; ++seat) {
        bare.push_back(std::make_unique<RawClient>(server->listenPort()));
        QCOMPARE(bare.back()->next("CMD_sendlogininfo"),
                 "CMD_sendlogininfo+" + QByteArray::number(seat));
    }
    QVERIFY(housekeeping->isActive());
    now += mb::kLoginDeadline;
    for (auto& c : bare) QVERIFY(c->waitClosed());
    QCOMPARE(late.size(), mb::kMaxSeats - 1);
    QTRY_VERIFY(!housekeeping->isActive());
    // The seats are free for real friends, and nobody heard of the bare ones.
    RawClient bob(server->listenPort());
    QCOMPARE(bob.login("Bob"), 2);
    QCOMPARE(alice.next("CMD_newplayerinfo"), QByteArray("CMD_newplayerinfo+1+Alice+0"));
    QCOMPARE(alice.next("CMD_newplayerinfo"), QByteArray("CMD_newplayerinfo+2+Bob+0"));
    QVERIFY(alice.all("CMD_playerdisconnected").isEmpty());
    QVERIFY(!alice.closed());
}

void ServerFormTest::connectionStormsAreRefusedPerAddress() {
    std::chrono::milliseconds now{0};
    mb::ServerOptions options;
    options.clock = [&] { return now; };
    auto server = listeningServer(std::move(options));
    QSignalSpy throttled(server.get(), &mb::TServer::connectionsThrottled);
    const QHostAddress stormy(QStringLiteral("127.0.0.2"));
    for (int i = 0; i < mb::kMaxConnectsPerWindow; ++i) {
        RawClient c(server->listenPort(), stormy);
        QCOMPARE(c.login("Storm"), 1);
        c.socket()->disconnectFromHost();
        QTRY_VERIFY(!server->core().seat(1).present);
    }
    RawClient refused(server->listenPort(), stormy);
    QVERIFY(refused.waitClosed());
    QCOMPARE(refused.messages(), QList<QByteArray>{"CMD_full+"});
    QCOMPARE(throttled.size(), 1);
    QCOMPARE(throttled[0].at(0).toString(), QStringLiteral("127.0.0.2"));
    // Another address is served meanwhile; the stormy one again once its time is served.
    RawClient friendly(server->listenPort(), QHostAddress(QStringLiteral("127.0.0.3")));
    QCOMPARE(friendly.login("Friend"), 1);
    now += mb::kConnectBan;
    RawClient later(server->listenPort(), stormy);
    QCOMPARE(later.login("Back"), 2);
    QCOMPARE(throttled.size(), 1);
}

void ServerFormTest::loginNamesAndRelayRateOverTcp() {
    auto server = listeningServer();
    RawClient alice(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    RawClient bob(server->listenPort());
    QCOMPARE(bob.login("ALICE" + QByteArray(5000, 'e')), 2);
    const QByteArray bobName = "ALICE" + QByteArray(mb::kMaxNameBytes - 5, 'e');
    QVERIFY(bob.waitFor("CMD_newplayerinfo+2+" + bobName + "+0"));
    RawClient carol(server->listenPort());
    QCOMPARE(carol.login("alice"), 3);
    QCOMPARE(carol.next("CMD_newplayerinfo"), QByteArray("CMD_newplayerinfo+3+alice (3)+0"));
    QCOMPARE(carol.next("CMD_existingplayers"),
             "CMD_existingplayers+1+Alice+0+2+" + bobName + "+0");
    // Logging in again to pass as Alice changes nothing; the chat still carries the seat's name.
    carol.send("CMD_logininfo+3+1.0.0+Alice");
    for (int i = 0; i < mb::kMaxRelaysPerWindow + 5; ++i)
        carol.send("CMD_chat+3+line " + QByteArray::number(i));
    QCOMPARE(alice.next("CMD_chat"), QByteArray("CMD_chat+3+alice (3) chats: line 0"));
    QVERIFY(alice.waitFor("CMD_chat+3+alice (3) chats: line 9"));
    alice.send("CMD_chat+1+end");
    QVERIFY(alice.waitFor("CMD_chat+1+Alice chats: end"));
    QCOMPARE(alice.all("CMD_chat").size(), mb::kMaxRelaysPerWindow + 1);
    QCOMPARE(alice.all("CMD_newplayerinfo").size(), 3);
}

void ServerFormTest::bareConnectionsGiveWayToAFriend() {
    auto server = listeningServer();
    QSignalSpy replaced(server.get(), &mb::TServer::bareConnectionReplaced);
    RawClient alice(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    QTRY_VERIFY(server->core().seat(1).loggedIn);
    std::vector<std::unique_ptr<RawClient>> bare;
    for (int seat = 2; seat <= mb::kMaxSeats; ++seat) {
        bare.push_back(std::make_unique<RawClient>(server->listenPort()));
        QCOMPARE(bare.back()->next("CMD_sendlogininfo"),
                 "CMD_sendlogininfo+" + QByteArray::number(seat));
    }
    // The friend takes the oldest bare seat at once; that one is told the table is full.
    RawClient friendly(server->listenPort());
    QCOMPARE(friendly.login("Friend"), 2);
    QCOMPARE(bare[0]->next("CMD_full"), QByteArray("CMD_full+"));
    QVERIFY(bare[0]->waitClosed());
    QVERIFY(alice.waitFor("CMD_newplayerinfo+2+Friend+0"));
    // The closed one re-dials: it takes the next bare seat, never a player's.
    for (int round = 1; round <= 3; ++round) {
        bare.push_back(std::make_unique<RawClient>(server->listenPort()));
        QCOMPARE(bare.back()->next("CMD_sendlogininfo"),
                 "CMD_sendlogininfo+" + QByteArray::number(round + 2));
        QVERIFY(bare[size_t(round)]->waitClosed());
    }
    QCOMPARE(replaced.size(), 4);
    QVERIFY(!friendly.closed() && !alice.closed());
    QVERIFY(alice.all("CMD_playerdisconnected").isEmpty());
}

void ServerFormTest::lookAlikeNamesAreMarked() {
    auto server = listeningServer();
    RawClient alice(server->listenPort());
    QCOMPARE(alice.login("alice"), 1);
    QTRY_VERIFY(server->core().seat(1).loggedIn);
    // A trailing space, zero-width space, soft hyphen, right-to-left override, full-width
    // letters and a typed mark: each is shown as what it looks like, and marked.
    const QList<std::pair<QByteArray, QByteArray>> cases = {
        {"alice ", "alice (2)"},
        {"ali\xE2\x80\x8B"
         "ce",
         "alice (3)"},
        {"ali\xC2\xAD"
         "ce",
         "alice (4)"},
        {"\xE2\x80\xAE"
         "alice",
         "alice (5)"},
        {"\xEF\xBD\x81lice", "\xEF\xBD\x81lice (6)"},
        {"alice (3)", "alice (3) (7)"},
        {"  alice   chats: I ", "alice chats_ I"},
    };
    std::vector<std::unique_ptr<RawClient>> peers;
    for (const auto& [typed, shown] : cases) {
        peers.push_back(std::make_unique<RawClient>(server->listenPort()));
        const int seat = peers.back()->login(typed);
        QVERIFY(
            alice.waitFor("CMD_newplayerinfo+" + QByteArray::number(seat) + '+' + shown + "+0"));
    }
}

void ServerFormTest::justWatchFlipsAndLongLinesKeepToTheRelayRate() {
    std::chrono::milliseconds now{0};
    mb::ServerOptions options;
    options.clock = [&] { return now; };
    auto server = listeningServer(std::move(options));
    RawClient alice(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    RawClient bob(server->listenPort());
    QCOMPARE(bob.login("Bob"), 2);
    alice.send("CMD_startgame+Alice+1000+");
    QVERIFY(bob.waitFor("CMD_startgame+Alice+1000+"));
    // 300 flips in 6 s, in bursts the host works off (300 queued at once would be a flood).
    constexpr int kBursts = 6;
    for (int burst = 0; burst < kBursts; ++burst) {
        for (int i = 0; i < 300 / kBursts; ++i)
            bob.send(i % 2 == 0 ? "CMD_justwatch+2+1" : "CMD_justwatch+2+2");
        // Alice's line comes after Bob's burst has reached the host.
        const QByteArray marker = "m" + QByteArray::number(burst);
        alice.send("CMD_chat+1+" + marker);
        QVERIFY(alice.waitFor("CMD_chat+1+Alice chats: " + marker));
        QTRY_COMPARE(server->core().queuedEntries(2), 0);
        now += 1s;
    }
    alice.send("CMD_chat+1+end");
    QVERIFY(alice.waitFor("CMD_chat+1+Alice chats: end"));
    const qsizetype flips = alice.all("CMD_justwatching").size();
    QVERIFY2(flips <= 2 * mb::kMaxRelaysPerWindow, QByteArray::number(flips));
    // A repeat of the seat's state is not announced at all.
    const bool watching = server->core().seat(2).watching;
    bob.send(watching ? "CMD_justwatch+2+1" : "CMD_justwatch+2+2");

    // Long lines: one window's byte budget, then one line per share of it.
    now += mb::kRelayByteWindow;
    const QByteArray line(4000, 'x');
    for (int i = 0; i < 8; ++i) bob.send("CMD_chat+2+" + line);
    alice.send("CMD_chat+1+end2");
    QVERIFY(alice.waitFor("CMD_chat+1+Alice chats: end2"));
    QTRY_COMPARE(server->core().queuedEntries(2), 0);
    now += std::chrono::milliseconds(4000 * 1000 / mb::kRelayBytesPerSecond + 1);
    bob.send("CMD_chat+2+" + line + "!");
    // Bob's lines are handled in order, so the last one arriving means all were handled.
    QVERIFY(alice.waitFor("CMD_chat+2+Bob chats: " + line + "!"));
    constexpr qsizetype kFit = mb::kRelayBytesPerSecond * 10 / 4000;  // lines in one window
    QCOMPARE(alice.all("CMD_chat+2").size(), kFit + 1);
    QCOMPARE(alice.all("CMD_justwatching").size(), flips);
}

void ServerFormTest::malformedFloodClosesTheConnection() {
    mb::ServerOptions options;
    QStringList sunk;
    options.malformedSink = [&](const QString& text) { sunk << text; };
    auto server = listeningServer(std::move(options));
    QSignalSpy flood(server.get(), &mb::TServer::malformedFlood);
    RawClient alice(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    RawClient pest(server->listenPort());
    QCOMPARE(pest.next("CMD_sendlogininfo"), QByteArray("CMD_sendlogininfo+2"));
    for (int i = 0; i <= mb::kMaxMalformedPerWindow; ++i) pest.send("CMD_logininfo+x+");
    QVERIFY(pest.waitClosed());
    QCOMPARE(flood.size(), 1);
    QCOMPARE(flood[0].at(0).toInt(), 2);
    QCOMPARE(sunk.size(), mb::kMaxMalformedPerWindow + 1);
    QCOMPARE(sunk[0], QStringLiteral("'x' is not a valid integer value"));
    // A few now and then are only reported.
    for (int i = 0; i < mb::kMaxMalformedPerWindow; ++i) alice.send("CMD_chat+y+hi");
    alice.send("CMD_chat+1+still here");
    QVERIFY(alice.waitFor("CMD_chat+1+Alice chats: still here"));
    QVERIFY(!alice.closed());
}

void ServerFormTest::aPeerThatStopsReadingIsClosed() {
    mb::ServerOptions options;
    options.maxPendingOutput = 4096;  // the real bound takes a minute of chat floods to reach
    auto server = listeningServer(std::move(options));
    QSignalSpy loggedIn(server.get(), &mb::TServer::playerLoggedIn);
    QSignalSpy closed(server.get(), &mb::TServer::connectionClosed);
    RawClient alice(server->listenPort());
    QCOMPARE(alice.login("Alice"), 1);
    RawClient bob(server->listenPort());
    QCOMPARE(bob.login("Bob"), 2);

    // Sid logs in and never reads again; small buffers on both ends keep the kernel from
    // holding what the host has to keep.
    const int sid = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(sid >= 0);
    const int small = 2048;
    QCOMPARE(::setsockopt(sid, SOL_SOCKET, SO_RCVBUF, &small, sizeof small), 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(server->listenPort());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(sid, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    const QByteArray login = "CMD_logininfo+3+1.0.0+Sid\xFF";
    QCOMPARE(::send(sid, login.constData(), size_t(login.size()), 0), ssize_t(login.size()));
    QTRY_COMPARE(loggedIn.size(), 3);
    QCOMPARE(loggedIn.last().at(0).toInt(), 3);
    const int hostEnd = server->connection(3)->handle();
    QCOMPARE(::setsockopt(hostEnd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);

    // Chat at the relay rate's whole burst, from both readers: Sid falls behind and is closed.
    const QByteArray line(1900, 'a');
    for (int i = 0; i < mb::kMaxRelaysPerWindow; ++i) {
        alice.send("CMD_chat+1+" + line);
        bob.send("CMD_chat+2+" + line);
    }
    QTRY_VERIFY(!closed.isEmpty());
    QCOMPARE(closed[0].at(0).toInt(), 3);
    // What the kernel held still reaches Sid, then the end of the connection.
    const auto ended = [sid] {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::recv(sid, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got == 0 || (got < 0 && errno == ECONNRESET)) return true;
            if (got < 0) return false;  // nothing more yet
        }
    };
    QTRY_VERIFY(ended());
    // The readers got every line and stay at the table.
    for (int i = 0; i < mb::kMaxRelaysPerWindow; ++i) {
        QVERIFY(alice.waitFor("CMD_chat+2+Bob chats: " + line));
        QVERIFY(bob.waitFor("CMD_chat+1+Alice chats: " + line));
    }
    QVERIFY(!alice.closed() && !bob.closed());
    ::close(sid);
}

QTEST_GUILESS_MAIN(ServerFormTest)
#include "test_serverform.moc"
