// The socket component over real loopback TCP.
#include <QEventLoop>
#include <QHostInfo>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

#include "backends/qtnamelookup.h"
#include "core/errornotice.h"
#include "net/framing.h"
#include "net/sock.h"

using namespace mb;

namespace {

struct InfoLog {
    QStringList texts;
    void attach(Sock* s) {
        QObject::connect(s, &Sock::info, s, [this](InfoCode, const QString& t) { texts << t; });
    }
};

// A listener on an ephemeral port plus one connected client and its accepted peer.
struct Pair {
    std::unique_ptr<Sock> listener = std::make_unique<Sock>();
    std::unique_ptr<Sock> client = std::make_unique<Sock>();
    Sock* server = nullptr;

    bool connect() {
        listener->setPortName(QStringLiteral("0"));
        listener->setListen(true);
        QObject::connect(listener.get(), &Sock::acceptPending, listener.get(),
                         [this] { server = listener->accept(); });
        client->setHostName(QStringLiteral("127.0.0.1"));
        client->setPortName(QString::number(listener->localPort()));
        client->open();
        return QTest::qWaitFor([this] { return client->isConnected() && server; }, 5000);
    }
};

// Runs the event loop until `want` bytes have arrived (a real loop: polling with sleeps would
// throttle a large transfer to the poll rate).
QByteArray collect(Sock* s, qsizetype want) {
    QByteArray got;
    QEventLoop loop;
    QObject ctx;
    QObject::connect(s, &Sock::readyRead, &ctx, [&] {
        got += s->receive();
        if (got.size() >= want) loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    return got;
}

// A listener on a free port, for connects that only need to succeed.
struct FreeListener {
    Sock sock;
    FreeListener() {
        sock.setPortName(QStringLiteral("0"));
        sock.setListen(true);
    }
    QString port() const { return QString::number(sock.localPort()); }
};

}  // namespace

class TestSock : public QObject {
    Q_OBJECT
private slots:
    // The game's resolver, as the program installs it.
    void initTestCase() { setNameLookup(&names_); }
    void connectsAndExchanges() {
        Pair p;
        InfoLog log;
        log.attach(p.client.get());
        QVERIFY(p.connect());
        QVERIFY(log.texts.contains(QStringLiteral("Non-Blocking Socket Connected")));
        QCOMPARE(p.server->hostName(), QStringLiteral("127.0.0.1"));
        p.client->send(frame("CMD_logininfo+1+1.0.0+You"));
        QCOMPARE(collect(p.server, 26), QByteArray("CMD_logininfo+1+1.0.0+You\xff"));
    }

    void largeSendArrivesWholeAndInOrder() {
        Pair p;
        QVERIFY(p.connect());
        QByteArray big(24 * 1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < big.size(); ++i) big[i] = char(i * 7 % 251);
        // Two sends in a row: the second must queue behind the first, never overtake it.
        p.client->send(QByteArrayView(big).first(16 * 1024 * 1024));
        QVERIFY(p.client->pendingOutput() > 0);  // more than the network takes at once
        p.client->send(QByteArrayView(big).sliced(16 * 1024 * 1024));
        QCOMPARE(collect(p.server, big.size()), big);
        QTRY_COMPARE(p.client->pendingOutput(), 0);
    }

    void readsAreCappedPerNotification() {
        Pair p;
        QVERIFY(p.connect());
        qsizetype largest = 0;
        qsizetype total = 0;
        QObject::connect(p.server, &Sock::readyRead, p.server, [&](qsizetype n) {
            largest = std::max(largest, n);
            total += p.server->receive().size();
        });
        p.client->send(QByteArray(300000, 'z'));
        QTRY_COMPARE(total, 300000);
        QVERIFY(largest <= 32768);
    }

    void refusedConnectReportsOnlyTheError() {
        // Find a port nobody listens on: listen, note the port, stop.
        Sock probe;
        probe.setPortName(QStringLiteral("0"));
        probe.setListen(true);
        const quint16 port = probe.localPort();
        probe.setListen(false);

        Sock client;
        InfoLog log;
        log.attach(&client);
        QSignalSpy connected(&client, &Sock::connected);
        QSignalSpy gone(&client, &Sock::disconnected);
        client.setHostName(QStringLiteral("127.0.0.1"));
        client.setPortName(QString::number(port));
        QCOMPARE(client.open(), false);
        QTRY_VERIFY(log.texts.contains(QStringLiteral("Error #10061 (WSAECONNREFUSED)")));
        QTest::qWait(50);  // signals that must not come have no event to wait for
        QCOMPARE(connected.count(), 0);
        QCOMPARE(gone.count(), 0);
        QVERIFY(!log.texts.contains(QString::fromLatin1(kSocketClosed)));
        QVERIFY(!client.isConnected());
    }

    void peerCloseDisconnectsThenCloses() {
        Pair p;
        QVERIFY(p.connect());
        InfoLog log;
        log.attach(p.client.get());
        QStringList order;
        QObject::connect(p.client.get(), &Sock::disconnected, p.client.get(),
                         [&] { order << "disconnect"; });
        QObject::connect(p.client.get(), &Sock::info, p.client.get(),
                         [&](InfoCode, const QString& t) {
                             if (t == QLatin1String(kSocketClosed)) order << "closed";
                         });
        p.server->send("last words\xff");
        p.server->close();
        QTRY_COMPARE(order, (QStringList{"disconnect", "closed"}));
        QVERIFY(!p.client->isConnected());
        // Text stays readable after the peer has gone.
        QCOMPARE(p.client->receive(), QByteArray("last words\xff"));
        QVERIFY_THROWS_EXCEPTION(SockError, p.client->receive());
    }

    void closeOnClosedStillReports() {
        Sock s;
        InfoLog log;
        log.attach(&s);
        QCOMPARE(s.close(), false);
        QCOMPARE(log.texts, QStringList{"Socket Closed"});
        // A listener closes without the report.
        Sock l;
        InfoLog llog;
        llog.attach(&l);
        l.setPortName(QStringLiteral("0"));
        l.setListen(true);
        QCOMPARE(l.close(), true);
        QVERIFY(!llog.texts.contains(QStringLiteral("Socket Closed")));
    }

    void hostNameChangeWhileConnectedHasNoEffect() {
        Pair p;
        QVERIFY(p.connect());
        InfoLog log;
        log.attach(p.client.get());
        p.client->setHostName(QStringLiteral("10.0.0.5"));
        QCOMPARE(p.client->hostName(), QStringLiteral("127.0.0.1"));
        QVERIFY(
            log.texts.contains(QStringLiteral("Setting HostName While Connected Has No Effect")));
        p.client->send("still here\xff");
        QCOMPARE(collect(p.server, 11), QByteArray("still here\xff"));
    }

    void resetIsReportedAndEndsTheConnection() {
        Pair p;
        QVERIFY(p.connect());
        InfoLog log;
        log.attach(p.client.get());
        QSignalSpy gone(p.client.get(), &Sock::disconnected);
        // Closing with unread data makes the kernel answer with a reset instead of an orderly
        // end. Loopback delivers at once, so the server has no chance to read it first.
        p.client->send("unread\xff");
        p.server->close();
        QTRY_VERIFY(log.texts.contains(QStringLiteral("Error #10054 (WSAECONNRESET)")));
        QCOMPARE(gone.count(), 1);
        QTRY_VERIFY(!p.client->isConnected());
        QTRY_VERIFY(log.texts.contains(QStringLiteral("Socket Closed")));
    }

    void operationErrors() {
        Sock s;
        QVERIFY_THROWS_EXCEPTION(SockError, s.send("x"));
        QVERIFY_THROWS_EXCEPTION(SockError, s.accept());
        Sock l;
        InfoLog log;
        log.attach(&l);
        l.setPortName(QStringLiteral("0"));
        l.setListen(true);
        l.setListen(true);
        QVERIFY(log.texts.contains(QStringLiteral("Listening Already Running")));
        QVERIFY_THROWS_EXCEPTION(SockError, l.send("x"));
        Sock clash;
        clash.setPortName(QString::number(l.localPort()));
        // SO_REUSEADDR does not allow two listeners on one port.
        try {
            clash.setListen(true);
            QFAIL("second listener on a busy port");
        } catch (const SockError& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Listen - Error Binding Socket"));
        }
        l.setListen(false);
        QVERIFY(log.texts.contains(QStringLiteral("Listening Stopped")));
        Sock bad;
        bad.setHostName(QStringLiteral("1.2.3.x"));  // dotted, but no address
        bad.setPortName(QStringLiteral("7772"));
        QVERIFY_THROWS_EXCEPTION(SockError, bad.open());
        Sock badPort;
        badPort.setPortName(QStringLiteral("no-such-service"));
        QVERIFY_THROWS_EXCEPTION(SockError, badPort.open());
    }

    // A dotted address needs no look-up: the connect starts inside open().
    void dottedAddressConnectsWithoutLookup() {
        FreeListener listener;
        Sock client;
        InfoLog log;
        log.attach(&client);
        client.setHostName(QStringLiteral("127.0.0.1"));
        client.setPortName(listener.port());
        QCOMPARE(client.open(), false);
        QVERIFY(client.isOpen());
        QVERIFY(!client.isResolving());
        QCOMPARE(log.texts, QStringList{"Lookup Of Port " + client.portName()});
        QTRY_VERIFY(client.isConnected());
    }

    // A name is looked up while the caller goes on; the connect follows once it is known, and
    // the next open of the same name uses what was found.
    void hostNameIsLookedUpWithoutBlocking() {
        FreeListener listener;
        const QString port = listener.port();
        Sock client;
        InfoLog log;
        log.attach(&client);
        QSignalSpy connected(&client, &Sock::connected);
        client.setHostName(QStringLiteral("localhost"));
        client.setPortName(port);
        QCOMPARE(client.open(), false);
        // Returned before any address was known: a blocking look-up would have a socket now.
        QVERIFY(client.isResolving());
        QVERIFY(!client.isOpen());
        QCOMPARE(client.open(), false);  // asked again while looking up: still one look-up
        QTRY_COMPARE(connected.count(), 1);
        QVERIFY(!client.isResolving());
        QCOMPARE(log.texts.mid(0, 3),
                 (QStringList{"Lookup Of Port " + port, "Lookup Of Host localhost",
                              "Non-Blocking Socket Connected"}));

        Sock again;
        again.setHostName(QStringLiteral("localhost"));
        again.setPortName(port);
        again.open();
        QVERIFY(again.isOpen());
        QTRY_VERIFY(again.isConnected());
    }

    // A name that cannot be found ends as the blocking look-up did: the standard error notice
    // with the same text, and nothing else from the component.
    void unknownNameIsReportedWhenItsLookupEnds() {
        QStringList notices;
        const ErrorSink old = setErrorSink([&](const QString& t) { notices << t; });
        Sock client;
        InfoLog log;
        log.attach(&client);
        QSignalSpy connected(&client, &Sock::connected);
        QSignalSpy gone(&client, &Sock::disconnected);
        client.setHostName(QStringLiteral("no-such-host.invalid"));
        client.setPortName(QStringLiteral("7772"));
        QCOMPARE(client.open(), false);
        QVERIFY(notices.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(notices, QStringList{"Host Lookup - Could Not Find Host Entry"},
                                  30000);
        setErrorSink(old);
        QVERIFY(!client.isResolving());
        QVERIFY(!client.isOpen());
        QCOMPARE(connected.count(), 0);
        QCOMPARE(gone.count(), 0);
        QCOMPARE(log.texts,
                 (QStringList{"Lookup Of Port 7772", "Lookup Of Host no-such-host.invalid"}));
    }

    // Closing while the name is looked up abandons it: no connect follows.
    void closeAbandonsALookup() {
        FreeListener listener;
        Sock client;
        InfoLog log;
        log.attach(&client);
        QSignalSpy connected(&client, &Sock::connected);
        // Another spelling than the other tests use: found names are kept for the process.
        client.setHostName(QStringLiteral("LocalHost"));
        client.setPortName(listener.port());
        client.open();
        QVERIFY(client.isResolving());
        client.close();
        QVERIFY(!client.isResolving());
        QVERIFY(log.texts.contains(QString::fromLatin1(kSocketClosed)));
        // A look-up of the same name started afterwards has ended: the abandoned one is over too.
        bool found = false;
        QHostInfo::lookupHost(QStringLiteral("LocalHost"), &client,
                              [&](const QHostInfo&) { found = true; });
        QTRY_VERIFY(found);
        QCoreApplication::processEvents();
        QCOMPARE(connected.count(), 0);
        QVERIFY(!client.isOpen());
    }

    // Whatever looks names up, an answer comes only from the event loop, and none is taken
    // once the socket has given the look-up up; without a resolver every name is not found.
    void lookupAnswersComeLaterAndOnlyWhileWanted() {
        struct Scripted final : NameLookup {
            QList<Done> pending;
            QList<int> aborted;
            int start(const QString&, QObject*, Done done) override {
                pending << std::move(done);
                return int(pending.size()) + 40;
            }
            void abort(int id) override { aborted << id; }
        } scripted;
        QStringList notices;
        const ErrorSink old = setErrorSink([&](const QString& t) { notices << t; });
        FreeListener listener;
        setNameLookup(&scripted);
        Sock client;
        QSignalSpy connected(&client, &Sock::connected);
        client.setHostName(QStringLiteral("table.example"));
        client.setPortName(listener.port());
        client.open();
        client.close();
        QCOMPARE(scripted.aborted, QList<int>{41});
        client.open();  // asked again: a new look-up, and the first one's late answer is stale
        QCOMPARE(scripted.pending.size(), 2);
        scripted.pending[0](0x7f000001);
        QVERIFY(!client.isOpen());
        scripted.pending[1](0x7f000001);
        QTRY_COMPARE(connected.count(), 1);
        QVERIFY(notices.isEmpty());

        setNameLookup(nullptr);
        Sock lonely;
        lonely.setHostName(QStringLiteral("elsewhere.example"));
        lonely.setPortName(listener.port());
        lonely.open();
        QVERIFY(notices.isEmpty());  // not inside open()
        QVERIFY(lonely.isResolving());
        QTRY_COMPARE(notices, QStringList{"Host Lookup - Could Not Find Host Entry"});
        QVERIFY(!lonely.isOpen());
        Sock abandoned;
        abandoned.setHostName(QStringLiteral("elsewhere.example"));
        abandoned.setPortName(listener.port());
        abandoned.open();
        abandoned.close();
        // The deferred answer's turn comes on the loop's next rounds, and passes.
        for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
        QCOMPARE(notices.size(), 1);

        // A look-up made at the first name is made once, and one that cannot be made is not
        // asked for again at every name: those are not found.
        int made = 0;
        setNameLookup(std::function<NameLookup*()>([&]() -> NameLookup* {
            ++made;
            return made == 1 ? nullptr : &scripted;
        }));
        QCOMPARE(made, 0);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            Sock late;
            late.setHostName(QStringLiteral("later.example"));
            late.setPortName(listener.port());
            late.open();
            QTRY_COMPARE(notices.size(), 1 + attempt);
        }
        QCOMPARE(made, 1);
        setNameLookup(std::function<NameLookup*()>([&] { return &scripted; }));
        Sock served;
        served.setHostName(QStringLiteral("another.example"));
        served.setPortName(listener.port());
        served.open();
        QCOMPARE(scripted.pending.size(), 3);
        served.close();

        setNameLookup(&names_);
        setErrorSink(old);
    }

private:
    QtNameLookup names_;
};

QTEST_GUILESS_MAIN(TestSock)
#include "test_sock.moc"
