// The lobby download window against a real HTTP server on loopback. Every download lands in a
// temporary directory, and the installer the server hands out is a script that writes its
// arguments to a marker file there.
#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "assets/art.h"
#include "client/application.h"
#include "dialogs/downloadform.h"
#include "dialogs/httpclient.h"
#include "tests/support/mainwindow.h"
#include "tests/support/messageboxes.h"
#include "tests/support/rawpeer.h"
#include "tests/support/testfiles.h"

namespace {

using mbtest::findBox;
using mbtest::readAll;

constexpr char kInstallerName[] = "kestrolobby-setup.run";
constexpr int kInstallerWaitMs = 500;

// Answers each request with whatever the test's responder writes on the socket.
class HttpServer : public QObject {
    Q_OBJECT
public:
    using Responder = std::function<void(QTcpSocket*)>;
    // `atOnce`: answer on connection, before any request has arrived.
    explicit HttpServer(Responder responder, bool atOnce = false)
        : responder_(std::move(responder)) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this, atOnce] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                s->setParent(this);
                if (atOnce) responder_(s);
                connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    request_ += s->readAll();
                    if (!request_.contains("\r\n\r\n") || answered_) return;
                    answered_ = true;
                    responder_(s);
                });
            }
        });
    }
    QString url(const char* scheme = "http") const {
        return QStringLiteral("%1://127.0.0.1:%2/lobby/%3")
            .arg(QLatin1String(scheme))
            .arg(server_.serverPort())
            .arg(QLatin1String(kInstallerName));
    }
    const QByteArray& request() const { return request_; }

private:
    QTcpServer server_;
    Responder responder_;
    QByteArray request_;
    bool answered_ = false;
};

QByteArray head(const QByteArray& status, qint64 length) {
    return "HTTP/1.0 " + status + "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           QByteArray::number(length) + "\r\n\r\n";
}

HttpServer::Responder whole(const QByteArray& status, const QByteArray& body) {
    return [status, body](QTcpSocket* s) {
        s->write(head(status, body.size()) + body);
        s->disconnectFromHost();
    };
}

// Sends the head and the first part of the body, then waits for ever.
HttpServer::Responder stalling(const QByteArray& body, qint64 sent) {
    return [body, sent](QTcpSocket* s) { s->write(head("200 OK", body.size()) + body.left(sent)); };
}

struct Fixture {
    QTemporaryDir dir;
    QString marker = dir.filePath(QStringLiteral("marker"));
    QByteArray installer = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + marker.toUtf8() + "'\n";
    std::unique_ptr<Tdownload> window;
    std::unique_ptr<QSignalSpy> exits;

    explicit Fixture(const QString& url) {
        qputenv("MARROWBY_LOBBY_URL", url.toUtf8());
        window = std::make_unique<Tdownload>();
        qunsetenv("MARROWBY_LOBBY_URL");
        window->setPlaces({window->places().url,
                           dir.path(),
                           dir.filePath(QStringLiteral("bin/kestrolobby")),
                           {}});
        exits = std::make_unique<QSignalSpy>(window.get(), &Tdownload::exitRequested);
        window->show();
    }
    QString text(const char* name) const {
        return window->findChild<QLabel*>(QLatin1String(name))->text();
    }
    QPushButton* button(const char* name) const {
        return window->findChild<QPushButton*>(QLatin1String(name));
    }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QString saved() const { return dir.filePath(QLatin1String(kInstallerName)); }
    // The installer runs on its own; give it time to write before saying it never ran.
    bool installerRan() const {
        return QTest::qWaitFor([&] { return QFile::exists(marker); }, kInstallerWaitMs);
    }
    void expectFailure() const {
        QCOMPARE(text("infolabel"), QStringLiteral("Download Aborted"));
        QCOMPARE(window->abortMark(), 2);
        QVERIFY(button("getbutton")->isEnabled());
        QVERIFY(!button("abortbutton")->isEnabled());
        QCOMPARE(exits->count(), 0);
        QVERIFY(!installerRan());
    }
};

}  // namespace

class TestDownload : public QObject {
    Q_OBJECT
private slots:
    void windowStartsAtRest() {
        Fixture f(QStringLiteral("https://example.invalid/lobby/x"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Download The Kestro Lobby"));
        QCOMPARE(f.window->size(), QSize(724, 500));
        QVERIFY(f.window->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(f.button("getbutton")->isEnabled());
        QVERIFY(f.button("abortbutton")->isEnabled());
        QVERIFY(f.button("Button1")->isDefault());
        QCOMPARE(f.text("infolabel"), QString());
        QCOMPARE(f.text("infolabel3"), QString());
        QCOMPARE(f.window->abortMark(), 0);
        QCOMPARE(f.window->places().url, QStringLiteral("https://example.invalid/lobby/x"));
        QVERIFY(Tdownload::installerUrl().startsWith(QLatin1String("https://")));
        QVERIFY(Tdownload::installerUrl().contains(QLatin1String("/lobby/")));
        // The picture is drawn for the screen, not scaled up.
        QCOMPARE(mb::art::lobbyPicture(1.0).size(), QSize(436, 360));
        QCOMPARE(mb::art::lobbyPicture(2.0).size(), QSize(872, 720));
        QCOMPARE(f.window->findChild<QWidget*>(QStringLiteral("Image1"))->size(), QSize(436, 360));
        // The network stack waits for the first download.
        QVERIFY(!f.window->httpClient().findChild<QNetworkAccessManager*>());
        f.click("Button1");
        QVERIFY(!f.window->isVisible());
    }

    void normalDownloadInstallsAndEndsTheGame() {
        Fixture* fp = nullptr;
        HttpServer server([&](QTcpSocket* s) { whole("200 OK", fp->installer)(s); });
        Fixture f(server.url());
        fp = &f;
        QStringList during;
        connect(&f.window->httpClient(), &mb::THttpClient::DocBegin, this,
                [&] { during << f.text("infolabel") << f.text("infolabel3"); });
        f.click("getbutton");

        QCOMPARE(f.text("infolabel"), QStringLiteral("Received %1 bytes").arg(f.installer.size()));
        QCOMPARE(f.text("infolabel3"), QStringLiteral("Installing"));
        QCOMPARE(f.window->abortMark(), 1);
        QCOMPARE(f.exits->count(), 1);
        QVERIFY(f.button("getbutton")->isEnabled());
        QVERIFY(!f.button("abortbutton")->isEnabled());
        QCOMPARE(readAll(f.saved()), f.installer);
        QVERIFY(f.installerRan());
        QTRY_COMPARE(readAll(f.marker), QByteArray("/SP-\n/silent\n/noicons\n"));
        // One dot per header line (type and length), then the file name from the address.
        QCOMPARE(during.value(0), QStringLiteral("Loading.."));
        QCOMPARE(during.value(1), QStringLiteral("Downloading: ") + kInstallerName);

        const QByteArray request = server.request();
        QVERIFY(request.startsWith("GET /lobby/kestrolobby-setup.run HTTP/1."));
        QVERIFY(request.contains("\r\nUser-Agent: Mozilla/3.0 (compatible)\r\n"));
        QVERIFY(request.contains(
            "\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"));
        QVERIFY(!request.toLower().contains("no-cache"));
        QVERIFY(!request.contains("gzip"));  // saved as sent, so the length check holds
    }

    void notFoundRunsNothing() {
        HttpServer server(whole("404 Not Found", "<html>gone</html>"));
        Fixture f(server.url());
        f.click("getbutton");
        f.expectFailure();
    }

    void stopDuringASlowTransfer() {
        const QByteArray body(100000, 'x');
        HttpServer server(stalling(body, 3000));
        Fixture f(server.url());
        connect(&f.window->httpClient(), &mb::THttpClient::DocData, this,
                [&] { QTimer::singleShot(50, f.button("abortbutton"), &QPushButton::click); });
        f.click("getbutton");
        QCOMPARE(f.text("infolabel3"), QStringLiteral("Download Aborted"));
        f.expectFailure();
        // What arrived stays on disk.
        QCOMPARE(readAll(f.saved()), body.left(3000));
    }

    void stopWithNothingRunningThenDownload() {
        Fixture* fp = nullptr;
        HttpServer server([&](QTcpSocket* s) { whole("200 OK", fp->installer)(s); });
        Fixture f(server.url());
        fp = &f;
        f.click("abortbutton");
        QCOMPARE(f.text("infolabel"), QStringLiteral("Download has been aborted."));
        QCOMPARE(f.text("infolabel3"), QStringLiteral("Download Aborted"));
        QCOMPARE(f.window->abortMark(), 2);
        f.click("getbutton");
        QCOMPARE(f.text("infolabel3"), QStringLiteral("Installing"));
        QTRY_COMPARE(readAll(f.marker), QByteArray("/SP-\n/silent\n/noicons\n"));
        QCOMPARE(f.exits->count(), 1);
    }

    void connectionCutShortIsAFailure() {
        HttpServer server([](QTcpSocket* s) {
            s->write(head("200 OK", 1000) + QByteArray(400, 'x'));
            s->disconnectFromHost();
        });
        Fixture f(server.url());
        f.click("getbutton");
        f.expectFailure();
    }

    void clientReportsAShortBodyAsAnHttpError() {
        HttpServer server([](QTcpSocket* s) {
            s->write(head("200 OK", 1000) + QByteArray(400, 'x'));
            s->disconnectFromHost();
        });
        mb::THttpClient client;
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        client.setURL(server.url());
        client.setRcvdStream(&sink);
        try {
            client.Get();
            QFAIL("a short body passed as complete");
        } catch (const mb::HttpError& e) {
            QCOMPARE(e.status(), 404);
            QVERIFY(!e.reason().isEmpty());
        }
        QCOMPARE(client.RcvdCount(), 400);
        QCOMPARE(sink.data().size(), 400);
    }

    void clientReportsAnAbortAs404() {
        HttpServer server(stalling(QByteArray(10000, 'x'), 500));
        mb::THttpClient client;
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        client.setURL(server.url());
        client.setRcvdStream(&sink);
        client.Abort();  // nothing running: no effect
        connect(&client, &mb::THttpClient::DocData, &client, &mb::THttpClient::Abort,
                Qt::QueuedConnection);
        try {
            client.Get();
            QFAIL("an aborted transfer passed as complete");
        } catch (const mb::HttpError& e) {
            QCOMPARE(e.status(), 404);
            QCOMPARE(e.reason(), QStringLiteral("Connection aborted on request"));
        }
        QVERIFY(!client.busy());

        // Aborted from a header line's handler, directly: no more lines, no body, no begin,
        // and the next transfer of the same client runs whole.
        HttpServer again(whole("200 OK", "body"));
        QBuffer second;
        second.open(QIODevice::WriteOnly);
        disconnect(&client, &mb::THttpClient::DocData, &client, &mb::THttpClient::Abort);
        client.setURL(again.url());
        client.setRcvdStream(&second);
        QStringList lines;
        int begun = 0;
        const auto stopper =
            connect(&client, &mb::THttpClient::HeaderData, &client, [&](const QByteArray& line) {
                lines << QString::fromLatin1(line);
                client.Abort();
            });
        connect(&client, &mb::THttpClient::DocBegin, &client, [&] { ++begun; });
        QVERIFY_THROWS_EXCEPTION(mb::HttpError, client.Get());
        QCOMPARE(lines.size(), 1);
        QCOMPARE(begun, 0);
        QCOMPARE(second.data(), QByteArray());
        disconnect(stopper);
        HttpServer third(whole("200 OK", "body"));
        client.setURL(third.url());
        client.Get();
        QCOMPARE(second.data(), QByteArray("body"));
        QCOMPARE(begun, 1);
    }

    void unreachableOrUnsafeAddressesFail_data() {
        QTest::addColumn<QString>("url");
        QTest::newRow("unknown host") << "https://no-such-host.invalid/lobby/setup.run";
        QTest::newRow("plain http elsewhere") << "http://192.0.2.1/lobby/setup.run";
        QTest::newRow("not http at all") << "ftp://127.0.0.1/lobby/setup.run";
    }
    void unreachableOrUnsafeAddressesFail() {
        QFETCH(QString, url);
        Fixture f(url);
        f.click("getbutton");
        f.expectFailure();
    }

    void onlyHttpsOrPlainHttpToThisMachineIsSafe() {
        for (const char* safe :
             {"https://www.example.org/lobby/x", "http://127.0.0.1:8080/x", "http://127.1/x",
              "http://127.255.255.254/", "http://2130706433/", "http://LocalHost/x",
              "http://[::1]:99/x", "http://[0:0:0:0:0:0:0:1]/", "http://[::ffff:127.0.0.9]/"})
            QVERIFY2(mb::isSafeDownloadUrl(QUrl(QString::fromLatin1(safe))), safe);
        for (const char* unsafe : {"http://128.0.0.1/x", "http://10.0.0.1/", "http://[::2]/",
                                   "http://[::ffff:10.0.0.1]/", "http://localhost.example.org/",
                                   "http://127.0.0.1.example.org/", "ftp://127.0.0.1/",
                                   "file:///etc/passwd", "https:///nohost", "not a url"})
            QVERIFY2(!mb::isSafeDownloadUrl(QUrl(QString::fromLatin1(unsafe))), unsafe);
    }

    void failedTlsCheckFails() {
        // A plain HTTP server cannot complete a TLS handshake.
        HttpServer server(whole("200 OK", "#!/bin/sh\n"), true);
        Fixture f(server.url("https"));
        f.click("getbutton");
        f.expectFailure();
    }

    void redirectToPlainHttpIsRefused() {
        HttpServer server([](QTcpSocket* s) {
            s->write(
                "HTTP/1.0 302 Found\r\nLocation: http://192.0.2.1/lobby/x\r\n"
                "Content-Length: 0\r\n\r\n");
            s->disconnectFromHost();
        });
        Fixture f(server.url());
        f.click("getbutton");
        f.expectFailure();
    }

    void installerThatCannotStartKeepsTheGame() {
        HttpServer server(whole("200 OK", QByteArray("not a program\n")));
        Fixture f(server.url());
        f.click("getbutton");
        QCOMPARE(f.text("infolabel3"), QStringLiteral("Installing"));
        QTRY_VERIFY(findBox(QStringLiteral("An Error has Occurred.")));
        findBox(QStringLiteral("An Error has Occurred."))->accept();
        QCOMPARE(f.exits->count(), 0);
    }

    void quittingDuringATransferAbortsIt() {
        HttpServer server(stalling(QByteArray(50000, 'x'), 1000));
        Fixture f(server.url());
        connect(&f.window->httpClient(), &mb::THttpClient::DocData, qApp, &QCoreApplication::quit,
                Qt::QueuedConnection);
        QTimer::singleShot(0, f.button("getbutton"), &QPushButton::click);
        QTimer guard;  // ends a hung test; gone before the next one
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, &QCoreApplication::quit);
        guard.start(10000);
        QCoreApplication::exec();
        f.expectFailure();
    }

    void playWithOthers() {
        Fixture f(QStringLiteral("https://example.invalid/lobby/x"));
        const QString text = QStringLiteral(
            "Please close the game and open the Kestro Lobby using the icon on your desktop or "
            "using the your Window's start-up menu.");
        f.click("Button2");
        QTRY_VERIFY(findBox(text));
        findBox(text)->accept();
        QCOMPARE(f.exits->count(), 0);

        const QString lobby = f.window->places().lobbyProgram;
        QVERIFY(QDir().mkpath(QFileInfo(lobby).path()));
        QFile program(lobby);
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write(f.installer);
        program.close();
        program.setPermissions(program.permissions() | QFileDevice::ExeOwner);
        f.click("Button2");
        QCOMPARE(f.exits->count(), 1);
        QTRY_COMPARE(readAll(f.marker), QByteArray("\n"));

        // The lobby beside the game comes first; it is started without arguments too.
        QFile::remove(f.marker);
        Tdownload::Places places = f.window->places();
        places.besideLobby = f.dir.filePath(QStringLiteral("marrowby-lobby"));
        f.window->setPlaces(places);
        QFile beside(places.besideLobby);
        QVERIFY(beside.open(QIODevice::WriteOnly));
        beside.write("#!/bin/sh\necho beside \"$@\" > '" + f.marker.toUtf8() + "'\n");
        beside.close();
        beside.setPermissions(beside.permissions() | QFileDevice::ExeOwner);
        f.click("Button2");
        QCOMPARE(f.exits->count(), 2);
        QTRY_COMPARE(readAll(f.marker), QByteArray("beside\n"));
    }

    void soloStartShowsItAndItsExitEndsTheGame() {
        mbtest::RawHost lobby;
        Application app({}, Tchat::Ports{0, lobby.port()});
        app.main().show();
        QTRY_VERIFY(app.download().isVisible());
        QSignalSpy trig(mbtest::action(&app.main(), QStringLiteral("Exit1")), &QAction::triggered);
        emit app.download().exitRequested();
        QCOMPARE(trig.count(), 1);
        QTRY_VERIFY(!app.main().isVisible());
    }
};

QTEST_MAIN(TestDownload)
#include "test_download.moc"
