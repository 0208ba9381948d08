// The real program binary, copied into an empty directory, on the real ports.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/rawpeer.h"

using mbtest::RawClient;
using mbtest::RawHost;

namespace {

constexpr quint16 kGamePort = 7772;
constexpr quint16 kLobbyPort = 9001;

QString built(const QString& file) {
    return qEnvironmentVariable("MARROWBY_BINARY_DIR") + "/" + file;
}

// Starts a copy of the program from a fresh directory, as a user who copied the binary would,
// with or without the services library beside it.
class Copy {
public:
    enum class Services { Left, Beside };
    explicit Copy(const QStringList& args, Services services = Services::Left) {
        const QString source = built("marrowby");
        binary_ = dir_.filePath("marrowby");
        QFile::copy(source, binary_);
        QFile::setPermissions(binary_, QFile::permissions(source));
        if (services == Services::Beside)
            QFile::copy(built("marrowby-backends.so"), dir_.filePath("marrowby-backends.so"));
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(dir_.path());
        process_.start(binary_, args);
    }
    ~Copy() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    bool started() { return process_.waitForStarted(5000); }
    bool exitsWithin(int ms) { return process_.waitForFinished(ms); }
    bool running() const { return process_.state() == QProcess::Running; }

private:
    QTemporaryDir dir_;
    QString binary_;
    QProcess process_;
};

// Whether the kernel holds an established connection from this machine to `port`: a
// hosting copy's own client, once it has dialled. Read from /proc/net/tcp, whose lines are
// "sl local rem st ...", addresses as hexadecimal "ADDR:PORT".
bool connectionTo(quint16 port) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) return false;
    const QByteArray remote = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[2].endsWith(remote) && fields[3] == "01") return true;
    }
    return false;
}

bool connectWhenReady(RawClient*& out, std::unique_ptr<RawClient>& holder) {
    // The program listens once it has started, and dials itself at once. A probe that came
    // before its own client (the copy preempted between the two) would take seat 1: so the
    // probe waits for that connection first, then tries until one of its own is taken.
    const bool ready = QTest::qWaitFor([] { return connectionTo(kGamePort); }, 100 * 250) &&
                       QTest::qWaitFor(
                           [&] {
                               holder = std::make_unique<RawClient>(kGamePort);
                               return holder->waitConnected(200);
                           },
                           100 * 250);
    if (ready) out = holder.get();
    return ready;
}

}  // namespace

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void soloCopyHostsOnTheGamePort() {
        RawHost lobby(kLobbyPort);
        Copy copy({});
        QVERIFY(copy.started());
        RawClient* other = nullptr;
        std::unique_ptr<RawClient> holder;
        QVERIFY(connectWhenReady(other, holder));
        // Its own client took seat 1, so the next connection is seat 2.
        QVERIFY(other->waitFor("CMD_sendlogininfo+2"));
        other->send("CMD_logininfo+2+1.0.0+Probe");
        QVERIFY(other->waitFor("CMD_existingplayers+1+You+0"));
        QVERIFY(other->waitFor("CMD_newplayerinfo+2+Probe+0"));
        QCOMPARE(lobby.count(), size_t(0));
    }

    void joiningCopyLogsInAndEndsWithItsConnection() {
        RawHost host(kGamePort);
        RawHost lobby(kLobbyPort);
        QVERIFY(host.listening());
        Copy copy({"Alice", "127.0.0.1", "false"});
        QVERIFY(copy.started());
        QVERIFY(host.waitForConnection());
        QVERIFY(lobby.waitForConnection());
        host.at(0).send("CMD_sendlogininfo+2");
        QTRY_COMPARE(host.at(0).raw(), QByteArray("CMD_logininfo+2+1.0.0+Alice\xff\xff"));
        QVERIFY(copy.running());
        host.at(0).socket()->close();
        QVERIFY(copy.exitsWithin(10000));
    }

    // The sound and name services come from a library the program opens once its table is up:
    // linked, their Qt libraries and everything under them would load before the first frame.
    void programLinksNoSoundNorNetworkLibrary() {
        QProcess trace;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_TRACE_LOADED_OBJECTS", "1");  // the loader lists, the program never runs
        trace.setProcessEnvironment(env);
        trace.start(built("marrowby"), {});
        QVERIFY(trace.waitForFinished(10000));
        const QByteArray libraries = trace.readAllStandardOutput();
        QVERIFY2(libraries.contains("libQt6Widgets"), libraries.constData());
        QVERIFY2(!libraries.contains("libQt6Multimedia"), libraries.constData());
        QVERIFY2(!libraries.contains("libpulse"), libraries.constData());
        QVERIFY2(!libraries.contains("libQt6Network"), libraries.constData());
    }

    void copyWithItsServicesJoinsAHostByName() {
        RawHost host(kGamePort);
        RawHost lobby(kLobbyPort);
        QVERIFY(host.listening());
        Copy copy({"Alice", "localhost", "false"}, Copy::Services::Beside);
        QVERIFY(copy.started());
        QVERIFY(host.waitForConnection());
        host.at(0).send("CMD_sendlogininfo+2");
        QTRY_COMPARE(host.at(0).raw(), QByteArray("CMD_logininfo+2+1.0.0+Alice\xff\xff"));
        host.at(0).socket()->close();
        QVERIFY(copy.exitsWithin(10000));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
