// One honest player against seven hostile connections on a real marrowby-host process. The
// honest player holds seat 1, starts a game against the computer and plays each turn at once;
// it prints how long its moves (and its other requests) take to come back, first on a quiet
// table, then with the hostile connections at work, and the host's peak memory in each run.
//
// The hostile connections run in a child process (this program started with --hostile PORT):
//   seats 2-4  chat floods just under the backlog bound (they let the computer play their
//              seats, so the honest player's turns come round; stalling a table is the turn
//              limit's business)
//   two more   malformed numbers, forged logins and start requests, bytes without end markers
//   two more   reconnect storms: connect, log in, close, as fast as the host lets them
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kDefaultMoves = 20;
constexpr int kFloodBurst = 200;  // the host closes a connection with more than 256 waiting
constexpr auto kFloodPeriod = 100ms;
constexpr int kFloodPerPeriod = 2;
constexpr auto kMalformedPeriod = 50ms;
constexpr auto kProbePeriod = 600ms;  // within the relay rate of 10 in 5 s
constexpr auto kSettleTime = 2s;      // the attack is under way before moves are counted
constexpr auto kSeatTakerSettleTime = 10s;
constexpr int kPlayTo = 1'000'000;
constexpr auto kLongLinePeriod = 500ms;  // 10 lines in 5 s: the relay count limit
constexpr auto kFlipPeriod = 20ms;       // 300 flips in 6 s
constexpr qint64 kSlowReaderBytesPerSecond = 20 * 1024;

// Cuts a socket's stream at the terminator and hands each message on.
class Peer : public QObject {
public:
    explicit Peer(quint16 port, std::function<void(Peer&, const QByteArray&)> onMessage)
        : onMessage_(std::move(onMessage)) {
        connect(&socket, &QTcpSocket::readyRead, this, [this] {
            if (!slow_) take(socket.readAll());
        });
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    }
    void send(const QByteArray& m) { socket.write(m + '\xFF'); }
    // Reads at most `bytesPerSecond` from now on, as a slow connection would.
    void readSlowly(qint64 bytesPerSecond) {
        slow_ = true;
        socket.setReadBufferSize(kSlowReadBuffer);
        auto* t = new QTimer(this);
        connect(t, &QTimer::timeout, this, [this, bytesPerSecond] {
            take(socket.read(bytesPerSecond * kSlowReadPeriod.count() / 1000));
        });
        t->start(kSlowReadPeriod);
    }
    QTcpSocket socket;

private:
    static constexpr qint64 kSlowReadBuffer = 4096;
    static constexpr std::chrono::milliseconds kSlowReadPeriod{50};
    void take(const QByteArray& bytes) {
        buffer_ += bytes;
        for (qsizetype end; (end = buffer_.indexOf('\xFF')) >= 0;) {
            const QByteArray m = buffer_.left(end);
            buffer_.remove(0, end + 1);
            onMessage_(*this, m);
        }
    }
    bool slow_ = false;
    std::function<void(Peer&, const QByteArray&)> onMessage_;
    QByteArray buffer_;
};

QByteArray seatOf(const QByteArray& loginRequest) {
    return loginRequest.mid(loginRequest.indexOf('+') + 1);
}

// --- The hostile side ---

void flooder(quint16 port, std::vector<std::unique_ptr<Peer>>& keep);

void startFlooder(quint16 port, std::vector<std::unique_ptr<Peer>>& keep) {
    auto peer = std::make_unique<Peer>(port, [](Peer& p, const QByteArray& m) {
        if (!m.startsWith("CMD_sendlogininfo+")) return;
        const QByteArray seat = seatOf(m);
        p.send("CMD_logininfo+" + seat + "+1.0.0+Flood" + seat);
        p.send("CMD_justwatch+" + seat + "+1");
        for (int i = 0; i < kFloodBurst; ++i) p.send("CMD_chat+" + seat + "+spam spam spam|clRed");
        auto* t = new QTimer(&p);
        QObject::connect(t, &QTimer::timeout, &p, [&p, seat] {
            for (int i = 0; i < kFloodPerPeriod; ++i)
                p.send("CMD_chat+" + seat + "+more spam|clRed");
        });
        t->start(kFloodPeriod);
    });
    Peer* raw = peer.get();
    QObject::connect(&raw->socket, &QTcpSocket::disconnected, raw,
                     [port, &keep] { flooder(port, keep); });
    keep.push_back(std::move(peer));
}

void flooder(quint16 port, std::vector<std::unique_ptr<Peer>>& keep) {
    // Closed for flooding past the bound: come straight back, as an attacker would.
    QTimer::singleShot(0, [port, &keep] { startFlooder(port, keep); });
}

void startMalformed(quint16 port, std::vector<std::unique_ptr<Peer>>& keep) {
    auto peer = std::make_unique<Peer>(port, [](Peer& p, const QByteArray& m) {
        if (!m.startsWith("CMD_sendlogininfo+")) return;
        const QByteArray seat = seatOf(m);
        p.send("CMD_logininfo+" + seat + "+1.0.0+Bad\x01" + seat);
        auto* t = new QTimer(&p);
        auto* n = new int(0);
        QObject::connect(t, &QTimer::destroyed, [n] { delete n; });
        QObject::connect(t, &QTimer::timeout, &p, [&p, seat, n] {
            static const QByteArray kForms[] = {
                "CMD_replacecard+x+1+1+", "CMD_chat+zz+hi",          "CMD_kickhim+a+b+",
                "CMD_justwatch+q+1",      "CMD_startgame+Evil+5+",   "CMD_logininfo+1+1.0.0+Alice",
                "CMD_kickhim+1+1+",       "CMD_playasound+\x1B[2J+x"};
            p.send(kForms[(*n)++ % std::size(kForms)]);
            if (*n % 50 == 0) p.send(QByteArray(2000, '\x01'));  // a long line of controls
        });
        t->start(kMalformedPeriod);
    });
    keep.push_back(std::move(peer));
}

void startStorm(quint16 port, std::vector<std::unique_ptr<Peer>>& keep, int& attempts) {
    ++attempts;
    auto* peer = new Peer(port, [](Peer& p, const QByteArray& m) {
        if (!m.startsWith("CMD_sendlogininfo+")) return;
        p.send("CMD_logininfo+" + seatOf(m) + "+1.0.0+Storm");
        p.socket.disconnectFromHost();
    });
    auto again = [peer, port, &keep, &attempts] {
        peer->deleteLater();
        QTimer::singleShot(1, [port, &keep, &attempts] { startStorm(port, keep, attempts); });
    };
    QObject::connect(&peer->socket, &QTcpSocket::disconnected, peer, again);
    QObject::connect(&peer->socket, &QTcpSocket::errorOccurred, peer, [peer, again] {
        if (peer->socket.state() == QAbstractSocket::UnconnectedState) again();
    });
}

// Seats 2-6: 4 KB lines of links at the relay count limit; the table seats among them also
// flip their just-watch state every 20 ms.
void startLongLines(quint16 port, std::vector<std::unique_ptr<Peer>>& keep) {
    auto peer = std::make_unique<Peer>(port, [](Peer& p, const QByteArray& m) {
        if (!m.startsWith("CMD_sendlogininfo+")) return;
        const QByteArray seat = seatOf(m);
        p.send("CMD_logininfo+" + seat + "+1.0.0+Long" + seat);
        QByteArray line;
        while (line.size() < 4000) line += "www.example" + seat + ".test ";
        auto* chat = new QTimer(&p);
        QObject::connect(chat, &QTimer::timeout, &p,
                         [&p, seat, line] { p.send("CMD_chat+" + seat + '+' + line + "|clRed"); });
        chat->start(kLongLinePeriod);
        if (seat.toInt() > 4) return;
        auto* flip = new QTimer(&p);
        auto* on = new bool(false);
        QObject::connect(flip, &QTimer::destroyed, [on] { delete on; });
        QObject::connect(flip, &QTimer::timeout, &p, [&p, seat, on] {
            *on = !*on;
            p.send("CMD_justwatch+" + seat + (*on ? "+1" : "+2"));
        });
        flip->start(kFlipPeriod);
    });
    keep.push_back(std::move(peer));
}

// Seats 7-9: connections that never log in and dial again whenever they are closed.
void startBare(quint16 port, std::vector<std::unique_ptr<Peer>>& keep, int& dials) {
    ++dials;
    auto* peer = new Peer(port, [](Peer&, const QByteArray&) {});
    auto again = [peer, port, &keep, &dials] {
        peer->deleteLater();
        QTimer::singleShot(1, [port, &keep, &dials] { startBare(port, keep, dials); });
    };
    QObject::connect(&peer->socket, &QTcpSocket::disconnected, peer, again);
}

int runSeatTakers(quint16 port) {
    std::vector<std::unique_ptr<Peer>> keep;
    int dials = 0;
    for (int i = 0; i < 5; ++i) startLongLines(port, keep);
    for (int i = 0; i < 3; ++i) startBare(port, keep, dials);
    return QCoreApplication::exec();
}

int runHostiles(quint16 port) {
    std::vector<std::unique_ptr<Peer>> keep;
    int attempts = 0;
    for (int i = 0; i < 3; ++i) startFlooder(port, keep);
    for (int i = 0; i < 2; ++i) startMalformed(port, keep);
    for (int i = 0; i < 2; ++i) startStorm(port, keep, attempts);
    return QCoreApplication::exec();
}

// --- The honest side ---

struct RunResult {
    std::vector<double> moves;     // ms from a move sent to its answer
    std::vector<double> requests;  // ms from a chat line sent to its broadcast
    long peakKiB = 0;
    int logLines = 0;
    bool dropped = false;        // the honest player's connection was closed
    double friendSeatedMs = -1;  // seat-taking run: a friend's wait for its own seat
};

enum class Attack { None, Mixed, SeatTakers };

long peakMemoryKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

RunResult play(const QString& hostBinary, Attack attack, int wantedMoves) {
    const bool attacked = attack != Attack::None;
    RunResult result;
    const quint16 port = freePort();
    QProcess host;
    host.start(hostBinary, {"--port", QString::number(port), "--bot-speed", "1"});
    if (!host.waitForStarted() || !host.waitForReadyRead()) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(hostBinary));
        std::exit(1);
    }
    QProcess hostiles;
    QElapsedTimer clock;
    clock.start();
    qint64 countFrom = -1;
    qint64 moveSent = -1;
    qint64 probeSent = -1;
    int slot = 0;
    bool done = false;  // the wanted moves were made: a close from now on is the run's end

    Peer honest(port, [&](Peer& p, const QByteArray& m) {
        const qint64 t = clock.nsecsElapsed();
        if (m == "CMD_sendlogininfo+1") {
            p.send("CMD_logininfo+1+1.0.0+Honest");
        } else if (m == "CMD_newplayerinfo+1+Honest+0") {
            p.send("CMD_startgame+Honest+" + QByteArray::number(kPlayTo) + '+');
            if (attacked)
                hostiles.start(QCoreApplication::applicationFilePath(),
                               {attack == Attack::Mixed ? "--hostile" : "--seat-takers",
                                QString::number(port)});
            // The seat takers' first lines spend a whole byte window at once; a slow reader
            // takes a few seconds to work that off before the steady state is measured.
            const auto settle = attack == Attack::SeatTakers ? kSeatTakerSettleTime
                                : attacked                   ? kSettleTime
                                                             : 0ms;
            countFrom = t + std::chrono::nanoseconds(settle).count();
        } else if (m.startsWith("CMD_nextplayer+1+")) {
            slot = slot % 10 + 1;
            moveSent = clock.nsecsElapsed();
            p.send("CMD_replacecard+1+1+" + QByteArray::number(slot) + '+');
        } else if (m.startsWith("CMD_hisplay+1+") && moveSent >= 0) {
            if (moveSent >= countFrom) result.moves.push_back(double(t - moveSent) / 1e6);
            moveSent = -1;
            if (int(result.moves.size()) >= wantedMoves) {
                done = true;
                QCoreApplication::quit();
            }
        } else if (m == "CMD_chat+1+Honest chats: probe" && probeSent >= 0) {
            if (probeSent >= countFrom) result.requests.push_back(double(t - probeSent) / 1e6);
            probeSent = -1;
        }
    });
    if (attack == Attack::SeatTakers) honest.readSlowly(kSlowReaderBytesPerSecond);
    QObject::connect(&honest.socket, &QTcpSocket::disconnected, [&] {
        if (done) return;
        result.dropped = true;
        QCoreApplication::quit();
    });
    // Once the seat takers are at work, a friend dials in and must be seated at once.
    std::unique_ptr<Peer> friendly;
    qint64 friendDialled = 0;
    QTimer friendTimer;
    friendTimer.setSingleShot(true);
    QObject::connect(&friendTimer, &QTimer::timeout, [&] {
        friendDialled = clock.nsecsElapsed();
        friendly = std::make_unique<Peer>(port, [&](Peer& p, const QByteArray& m) {
            if (m.startsWith("CMD_sendlogininfo+"))
                p.send("CMD_logininfo+" + seatOf(m) + "+1.0.0+Friend");
            else if (m.startsWith("CMD_newplayerinfo+") && m.contains("+Friend+") &&
                     result.friendSeatedMs < 0)
                result.friendSeatedMs = double(clock.nsecsElapsed() - friendDialled) / 1e6;
        });
    });
    if (attack == Attack::SeatTakers) friendTimer.start(kSettleTime * 2);
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (probeSent >= 0 || countFrom < 0) return;
        probeSent = clock.nsecsElapsed();
        // A chat line: a repeated just-watch request is no longer answered.
        honest.send("CMD_chat+1+probe");
    });
    probe.start(kProbePeriod);
    QCoreApplication::exec();

    result.peakKiB = peakMemoryKiB(host.processId());
    hostiles.kill();
    hostiles.waitForFinished();
    host.terminate();
    host.waitForFinished();
    result.logLines = host.readAllStandardOutput().count('\n');
    return result;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

void report(const char* label, const RunResult& r) {
    std::printf(
        "%-14s moves: n=%zu p50 %.1f ms p99 %.1f ms max %.1f ms | requests: n=%zu p50 "
        "%.1f ms p99 %.1f ms | host peak %.1f MB, %d log lines\n",
        label, r.moves.size(), percentile(r.moves, 0.5), percentile(r.moves, 0.99),
        percentile(r.moves, 1.0), r.requests.size(), percentile(r.requests, 0.5),
        percentile(r.requests, 0.99), double(r.peakKiB) / 1024.0, r.logLines);
    if (r.dropped) std::printf("%-14s the honest player was DROPPED\n", label);
    if (r.friendSeatedMs >= 0)
        std::printf("%-14s a friend was seated %.1f ms after dialling\n", label, r.friendSeatedMs);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--hostile"))
        return runHostiles(quint16(args[2].toUInt()));
    if (args.size() == 3 && args[1] == QLatin1String("--seat-takers"))
        return runSeatTakers(quint16(args[2].toUInt()));
    const int moves = args.size() > 1 ? std::max(1, args[1].toInt()) : kDefaultMoves;
    const QString hostBinary = args.size() > 2 ? args[2] : QStringLiteral(MARROWBY_HOST_BINARY);

    std::printf(
        "honest player in seat 1, %d moves per run (goal under attack: p99 < 100 ms, "
        "host peak < 32 MB)\n",
        moves);
    std::fflush(stdout);
    report("quiet table", play(hostBinary, Attack::None, moves));
    std::fflush(stdout);
    report("under attack", play(hostBinary, Attack::Mixed, moves));
    std::fflush(stdout);
    report("seat takers", play(hostBinary, Attack::SeatTakers, moves));
    return 0;
}
