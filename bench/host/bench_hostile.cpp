// One honest player against hostile connections on a real marrowby-host process. The honest
// player holds seat 1, starts a game against the computer and plays each turn at once (every
// fifth one just after a chat line); a second honest connection in seat 2 just watches, and each
// move is timed from its sending to that connection's CMD_hisplay. It prints those delays (and
// the mover's own echo and a chat probe's) on a quiet table, then in three attacks, and the
// host's peak memory in each run:
//
// under attack (the hostile connections run in a child process, this program with --hostile):
//   three      chat floods just under the backlog bound (they let the computer play their
//              seats, so the honest player's turns come round; stalling a table is the turn
//              limit's business)
//   two more   malformed numbers, forged logins and start requests, bytes without end markers
//   two more   reconnect storms: connect, log in, close, as fast as the host lets them
// seat takers (--seat-takers): seven connections that never log in and dial again whenever they
//   are closed, so the table is full of them; a friend dials in and must be seated at once
// long lines (--long-lines): eight peers at the relay limit with 4 KB lines (seven of them
//   hostile, the watcher the eighth) against an honest player reading 20 KB/s; the hostile
//   table seats flip their just-watch state every 20 ms
//
//   bench_hostile [MOVES] [HOST_BINARY] [RUNS]   RUNS names some of: quiet attack seats lines
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
constexpr auto kQuietSettleTime = 1s;
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
    QByteArray seat;  // once logged in

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

// 4 KB lines of links from `seat`, one every kLongLinePeriod: the relay count limit.
void sendLongLines(Peer& p, const QByteArray& seat) {
    QByteArray line;
    while (line.size() < 4000) line += "www.example" + seat + ".test ";
    auto* chat = new QTimer(&p);
    QObject::connect(chat, &QTimer::timeout, &p,
                     [&p, seat, line] { p.send("CMD_chat+" + seat + '+' + line + "|clRed"); });
    chat->start(kLongLinePeriod);
}

// Seats 3-9: 4 KB lines at the relay limit; the table seats among them also flip their
// just-watch state every 20 ms.
void startLongLines(quint16 port, std::vector<std::unique_ptr<Peer>>& keep) {
    auto peer = std::make_unique<Peer>(port, [](Peer& p, const QByteArray& m) {
        if (!m.startsWith("CMD_sendlogininfo+")) return;
        const QByteArray seat = seatOf(m);
        p.send("CMD_logininfo+" + seat + "+1.0.0+Long" + seat);
        sendLongLines(p, seat);
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

// Seats 3-9: connections that never log in and dial again whenever they are closed.
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
    for (int i = 0; i < 7; ++i) startBare(port, keep, dials);
    return QCoreApplication::exec();
}

int runLongLines(quint16 port) {
    std::vector<std::unique_ptr<Peer>> keep;
    for (int i = 0; i < 7; ++i) startLongLines(port, keep);
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
    std::vector<double> moves;     // ms from a move sent to the other player's CMD_hisplay
    std::vector<double> echoes;    // ms from a move sent to the mover's own CMD_hisplay
    std::vector<double> requests;  // ms from a chat line sent to its broadcast
    // Moves over kTailMs, and how many of them the host took in within a tick of another
    // message from the same player: the dispatch tick, not the network, held those back.
    int slowMoves = 0;
    int slowAfterOwnMessage = 0;
    long peakKiB = 0;
    int logLines = 0;
    int honestSeat = 0;
    bool dropped = false;        // the honest player's or the other player's connection closed
    double friendSeatedMs = -1;  // seat-taking run: a friend's wait for its own seat
};

enum class Attack { None, Mixed, SeatTakers, LongLines };

constexpr double kTailMs = 2.0;
constexpr int kChatBeforeMoveEvery = 5;
constexpr qint64 kTickNs = 10'000'000;

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

const char* hostileMode(Attack attack) {
    switch (attack) {
        case Attack::Mixed:
            return "--hostile";
        case Attack::SeatTakers:
            return "--seat-takers";
        case Attack::LongLines:
            return "--long-lines";
        case Attack::None:
            break;
    }
    return nullptr;
}

// The honest player (seat 1) starts a game against the computer and moves at once on each of
// its turns; the other player (seat 2) just watches, so the computer plays its seat, and tells
// when each of the honest player's moves reaches it.
RunResult play(const QString& hostBinary, Attack attack, int wantedMoves) {
    const bool attacked = attack != Attack::None;
    RunResult result;
    const quint16 port = freePort();
    QProcess host;
    host.start(hostBinary, {"--port", QString::number(port), "--bot-speed", "1", "--no-announce"});
    if (!host.waitForStarted() || !host.waitForReadyRead()) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(hostBinary));
        std::exit(1);
    }
    QProcess hostiles;
    QElapsedTimer clock;
    clock.start();
    qint64 countFrom = -1;
    qint64 moveSent = -1;
    qint64 echoSent = -1;   // the move whose own CMD_hisplay is still to come
    qint64 otherSent = -1;  // the honest player's latest message other than a move
    qint64 probeSent = -1;
    int slot = 0;
    int turns = 0;
    bool done = false;  // the wanted moves were made: a close from now on is the run's end

    std::unique_ptr<Peer> other;
    Peer honest(port, [&](Peer& p, const QByteArray& m) {
        const qint64 t = clock.nsecsElapsed();
        if (m.startsWith("CMD_sendlogininfo+")) {
            result.honestSeat = seatOf(m).toInt();
            p.send("CMD_logininfo+1+1.0.0+Honest");
        } else if (m == "CMD_newplayerinfo+1+Honest+0") {
            other = std::make_unique<Peer>(port, [&](Peer& w, const QByteArray& n) {
                const qint64 now = clock.nsecsElapsed();
                if (n.startsWith("CMD_sendlogininfo+")) {
                    w.send("CMD_logininfo+" + seatOf(n) + "+1.0.0+Watcher");
                } else if (n.startsWith("CMD_newplayerinfo+") && n.contains("+Watcher+")) {
                    const QByteArray seat = n.split('+').value(1);
                    w.seat = seat;
                    otherSent = clock.nsecsElapsed();
                    honest.send("CMD_startgame+Honest+" + QByteArray::number(kPlayTo) + '+');
                } else if (n.startsWith("CMD_startgame+")) {
                    w.send("CMD_justwatch+" + w.seat + "+1");
                    // Among the long lines the watcher is the eighth peer at the relay limit.
                    if (attack == Attack::LongLines) sendLongLines(w, w.seat);
                    if (attacked)
                        hostiles.start(QCoreApplication::applicationFilePath(),
                                       {hostileMode(attack), QString::number(port)});
                    // The long lines spend a whole byte window at once; a slow reader takes a
                    // few seconds to work that off before the steady state is measured.
                    // On a quiet table the start's own messages come just before the first move.
                    const auto settle = attack == Attack::LongLines ? kSeatTakerSettleTime
                                        : attacked                  ? kSettleTime
                                                                    : kQuietSettleTime;
                    countFrom = now + std::chrono::nanoseconds(settle).count();
                } else if (n.startsWith("CMD_hisplay+1+") && moveSent >= 0) {
                    const double ms = double(now - moveSent) / 1e6;
                    if (moveSent >= countFrom) {
                        result.moves.push_back(ms);
                        if (ms > kTailMs) {
                            ++result.slowMoves;
                            if (otherSent >= 0 && moveSent - otherSent < kTickNs)
                                ++result.slowAfterOwnMessage;
                        }
                    }
                    moveSent = -1;
                    if (int(result.moves.size()) >= wantedMoves) {
                        done = true;
                        QCoreApplication::quit();
                    }
                }
            });
            QObject::connect(&other->socket, &QTcpSocket::disconnected, [&] {
                if (done) return;
                std::printf("the other player's connection was closed\n");
                result.dropped = true;
                QCoreApplication::quit();
            });
        } else if (m.startsWith("CMD_nextplayer+1+")) {
            slot = slot % 10 + 1;
            // Now and then a word just before the move, as players do: the move must not wait
            // for the chat line's tick.
            if (++turns % kChatBeforeMoveEvery == 0) {
                otherSent = clock.nsecsElapsed();
                p.send("CMD_chat+1+gg");
            }
            moveSent = clock.nsecsElapsed();
            echoSent = moveSent;
            p.send("CMD_replacecard+1+1+" + QByteArray::number(slot) + '+');
        } else if (m.startsWith("CMD_hisplay+1+") && echoSent >= 0) {
            if (echoSent >= countFrom) result.echoes.push_back(double(t - echoSent) / 1e6);
            echoSent = -1;
        } else if (m == "CMD_chat+1+Honest chats: probe" && probeSent >= 0) {
            if (probeSent >= countFrom) result.requests.push_back(double(t - probeSent) / 1e6);
            probeSent = -1;
        }
    });
    if (attack == Attack::LongLines) honest.readSlowly(kSlowReaderBytesPerSecond);
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
        // A seat taker's place may be a seat of the running game: the friend then plays its
        // turns at once, as the honest player does.
        friendly =
            std::make_unique<Peer>(port, [&, slot = 0](Peer& p, const QByteArray& m) mutable {
                if (m.startsWith("CMD_sendlogininfo+")) {
                    p.seat = seatOf(m);
                    p.send("CMD_logininfo+" + p.seat + "+1.0.0+Friend");
                } else if (m.startsWith("CMD_newplayerinfo+") && m.contains("+Friend+") &&
                           result.friendSeatedMs < 0) {
                    result.friendSeatedMs = double(clock.nsecsElapsed() - friendDialled) / 1e6;
                } else if (!p.seat.isEmpty() && m.startsWith("CMD_nextplayer+" + p.seat + '+')) {
                    slot = slot % 10 + 1;
                    p.send("CMD_replacecard+" + p.seat + "+1+" + QByteArray::number(slot) + '+');
                }
            });
    });
    if (attack == Attack::SeatTakers) friendTimer.start(kSettleTime * 2);
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (probeSent >= 0 || countFrom < 0) return;
        probeSent = otherSent = clock.nsecsElapsed();
        // A chat line: a repeated just-watch request is no longer answered.
        honest.send("CMD_chat+1+probe");
    });
    // Precise: a coarse timer is let fire with the socket wake-up that brings the turn, and its
    // line would then reach the host in the same breath as every move.
    probe.setTimerType(Qt::PreciseTimer);
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
        "%-14s moves: n=%zu p50 %.1f ms p99 %.1f ms max %.1f ms | own echo: p50 %.1f ms p99 %.1f "
        "ms | requests: n=%zu p50 %.1f ms p99 %.1f ms | host peak %.1f MB, %d log lines\n",
        label, r.moves.size(), percentile(r.moves, 0.5), percentile(r.moves, 0.99),
        percentile(r.moves, 1.0), percentile(r.echoes, 0.5), percentile(r.echoes, 0.99),
        r.requests.size(), percentile(r.requests, 0.5), percentile(r.requests, 0.99),
        double(r.peakKiB) / 1024.0, r.logLines);
    std::printf(
        "%-14s honest player in seat %d, %s; moves over %.0f ms: %d (%d within a tick of "
        "its own chat line)\n",
        label, r.honestSeat, r.dropped ? "DROPPED" : "never dropped", kTailMs, r.slowMoves,
        r.slowAfterOwnMessage);
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
    if (args.size() == 3 && args[1] == QLatin1String("--long-lines"))
        return runLongLines(quint16(args[2].toUInt()));
    const int moves = args.size() > 1 ? std::max(1, args[1].toInt()) : kDefaultMoves;
    const QString hostBinary = args.size() > 2 ? args[2] : QStringLiteral(MARROWBY_HOST_BINARY);
    // A third argument picks runs by name: quiet, attack, seats, lines (default: all).
    const QString only = args.size() > 3 ? args[3] : QString();
    auto wanted = [&](const char* name) { return only.isEmpty() || only.contains(name); };

    std::printf(
        "honest player in seat 1, %d moves per run, each timed to the other player's "
        "CMD_hisplay (goals: quiet p50 <= 1 ms, p99 <= 2 ms; under attack p99 < 100 ms, "
        "host peak < 32 MB)\n",
        moves);
    std::fflush(stdout);
    if (wanted("quiet")) report("quiet table", play(hostBinary, Attack::None, moves));
    std::fflush(stdout);
    if (wanted("attack")) report("under attack", play(hostBinary, Attack::Mixed, moves));
    std::fflush(stdout);
    if (wanted("seats")) report("seat takers", play(hostBinary, Attack::SeatTakers, moves));
    std::fflush(stdout);
    if (wanted("lines")) report("long lines", play(hostBinary, Attack::LongLines, moves));
    return 0;
}
