// The real program binary with a prepared settings file: it joins a host played by this test,
// reads its settings when the host announces it, gets a menu choice from real keyboard input,
// and is closed by its host. The settings file must then differ only in the keys that changed.
//
// Input reaches the program through Qt's VNC platform plugin: the program runs on a virtual
// screen served over RFB on a free local port, and this test sends it key and pointer events as
// any VNC viewer would. Nothing in the program knows it is being tested.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include "tests/support/testfiles.h"

namespace {

using mbtest::readAll;

constexpr quint16 kGamePort = 7772;
constexpr int kTimeoutMs = 15000;
// The program runs in another process and shows only in its pixels that it has taken a key, so
// keys come at a quick typist's pace: a menu has opened before the next key reaches it.
constexpr int kKeyPauseMs = 150;
constexpr QSize kScreen{1024, 768};

// Keysyms of the keys used.
constexpr quint32 kAlt = 0xFFE9;
constexpr quint32 kDown = 0xFF54;
constexpr quint32 kRight = 0xFF53;
constexpr quint32 kReturn = 0xFF0D;
constexpr quint32 kLetterO = 0x6F;

const QByteArray kPrepared =
    "\xEF\xBB\xBF; settings shared with other games\r\n"
    "[Lobby]\r\n"
    "Textsize=99\r\n"
    "\r\n"
    "[Marrowby]\r\n"
    "Textsize = 8\r\n"
    "Top=20\r\n"
    "Left=10\r\n"
    "Width=790\r\n"
    "Height=600\r\n"
    "; the player's own colour\r\n"
    "Textcolor=clBlack\r\n"
    "Playtoscore=600\r\n"
    "Botspeed=1000\r\n"
    "Turnsound=0\r\n"
    "Phrase1=Hello all\r\n"
    "Playerphrasesounds=true\r\n"
    "Playsounds=true\r\n"
    "   help   =1\r\n"
    "TEXTSIZE=12\r\n"
    "\r\n"
    "[Other]\r\n"
    "Top=1";

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The few RFB messages a viewer needs to type and click.
class Viewer {
public:
    bool connect(quint16 port) {
        // The program's screen server listens once it has started: try until it takes us.
        const bool connected = QTest::qWaitFor(
            [&] {
                socket_.connectToHost(QHostAddress::LocalHost, port);
                if (socket_.waitForConnected(200)) return true;
                socket_.abort();
                return false;
            },
            100 * 250);
        if (!connected) return false;
        const QByteArray version = read(12);
        if (!version.startsWith("RFB 003.")) return false;
        socket_.write(version);
        if (version == "RFB 003.003\n") {
            if (read(4) != QByteArray("\0\0\0\1", 4)) return false;  // no authentication
        } else {
            const QByteArray count = read(1);
            if (count.isEmpty() || !read(quint8(count[0])).contains('\1')) return false;
            socket_.write("\1");
            if (read(4) != QByteArray(4, '\0')) return false;
        }
        socket_.write("\1");  // shared
        const QByteArray init = read(24);
        if (init.size() != 24) return false;
        read(qsizetype(qFromBigEndian<quint32>(init.constData() + 20)));
        return true;
    }
    void key(quint32 sym, bool down) {
        QByteArray m(8, '\0');
        m[0] = 4;
        m[1] = down ? 1 : 0;
        qToBigEndian(sym, m.data() + 4);
        send(m);
    }
    void tap(quint32 sym, int times = 1) {
        for (int i = 0; i < times; ++i) {
            key(sym, true);
            key(sym, false);
            QTest::qWait(kKeyPauseMs);  // a typist's pace, as above
        }
    }
    void click(QPoint at) {
        for (quint8 buttons : {quint8(1), quint8(0)}) {
            QByteArray m(6, '\0');
            m[0] = 5;
            m[1] = char(buttons);
            qToBigEndian(quint16(at.x()), m.data() + 2);
            qToBigEndian(quint16(at.y()), m.data() + 4);
            send(m);
            QTest::qWait(kKeyPauseMs);  // a typist's pace, as above
        }
    }

private:
    QByteArray read(qsizetype n) {
        QByteArray out;
        while (out.size() < n && (socket_.bytesAvailable() || socket_.waitForReadyRead(kTimeoutMs)))
            out += socket_.read(n - out.size());
        return out;
    }
    void send(const QByteArray& m) {
        socket_.write(m);
        socket_.flush();
    }
    QTcpSocket socket_;
};

}  // namespace

class TestSettingsProgram : public QObject {
    Q_OBJECT
private slots:
    void menuChoiceChangesOnlyItsKey() {
        QTcpServer host;
        if (!host.listen(QHostAddress::LocalHost, kGamePort))
            QSKIP("the game port is in use by another program");
        QTemporaryDir dir;
        const QString source = qEnvironmentVariable("MARROWBY_BINARY_DIR") + "/marrowby";
        const QString binary = dir.filePath("marrowby");
        QVERIFY(QFile::copy(source, binary));
        QFile::setPermissions(binary, QFile::permissions(source));
        const QString ini = dir.filePath("kestrolobby.ini");
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(kPrepared);
        }

        const quint16 vncPort = freePort();
        QProcess program;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", QString("vnc:size=%1x%2:port=%3")
                                          .arg(kScreen.width())
                                          .arg(kScreen.height())
                                          .arg(vncPort));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.start(binary, {"Ann", "127.0.0.1", "false"});
        QVERIFY(program.waitForStarted(kTimeoutMs));

        QVERIFY(host.waitForNewConnection(kTimeoutMs));
        QTcpSocket* client = host.nextPendingConnection();
        client->write("CMD_sendlogininfo+1\xFF");
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT(
            (received += client->readAll()).contains("CMD_logininfo+1+1.0.0+Ann"), kTimeoutMs);
        client->write("CMD_newplayerinfo+1+Ann+0\xFF");
        // The settings were read: the quick instructions are marked as seen.
        QTRY_VERIFY_WITH_TIMEOUT(readAll(ini).contains("help   =2"), kTimeoutMs);

        Viewer viewer;
        QVERIFY(viewer.connect(vncPort));
        viewer.click({10 + 200, 20 + 160});  // an empty spot of the table
        viewer.key(kAlt, true);
        viewer.tap(kLetterO);
        viewer.key(kAlt, false);
        QTest::qWait(kKeyPauseMs);  // a typist's pace, as above
        viewer.tap(kDown, 5);       // Play Sounds, Player Phrase Sounds, Turn Sound, Bot Speed, ...
        viewer.tap(kRight);         // Text Size: 8
        viewer.tap(kDown, 3);       // 14
        viewer.tap(kReturn);
        QTRY_VERIFY_WITH_TIMEOUT(readAll(ini).contains("Textsize = 14"), kTimeoutMs);

        client->disconnectFromHost();  // the host leaves, and the program closes with it
        QVERIFY(program.waitForFinished(kTimeoutMs));
        QByteArray expected = kPrepared;
        expected.replace("Textsize = 8\r\n", "Textsize = 14\r\n");
        expected.replace("   help   =1\r\n", "   help   =2\r\n");
        QCOMPARE(readAll(ini), expected);
        // Beside the settings only the tally, saved at exit, may appear: no stray scratch files.
        QStringList files = QDir(dir.path()).entryList(QDir::Files);
        files.removeAll(QStringLiteral("Marrowbytally.tld"));
        QCOMPARE(files, (QStringList{"kestrolobby.ini", "marrowby"}));
    }
};

QTEST_GUILESS_MAIN(TestSettingsProgram)
#include "test_settingsprogram.moc"
