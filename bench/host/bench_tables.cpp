// What one table costs a server: starts N real marrowby-host processes on loopback, one raw
// connection per table that logs in, then starts a game and just watches, so the computer plays
// every dealt seat at the fast bot speed; a game that ends is followed by a new one. Each host's
// CPU share and resident memory are measured first idle (logged in, no game), then playing.
//
// CPU time comes from /proc/PID/stat (utime + stime, in clock ticks) over the window, and also
// from /proc/PID/schedstat (nanoseconds on a CPU): a tick is 10 ms, so over a 30 s window the
// tick count cannot tell a table below about 0.03% from an idle one.
//
//   bench_tables [N] [--window SECONDS] [--host BINARY]
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kDefaultTables = 10;
constexpr int kDefaultWindowSeconds = 30;
constexpr auto kStartTimeout = 60s;  // every host listening and every table logged in
constexpr auto kIdleSettle = 2s;
constexpr auto kPlaySettle = 5s;  // the first deal and a few turns are behind every table
constexpr int kPlayTo = 300;      // a game lasts a round or two, then the next one starts
constexpr double kGoalCpuPercent = 0.1;
constexpr double kGoalMiB = 12.0;

struct Sample {
    long long ticks = -1;  // utime + stime
    long long ns = -1;     // time on a CPU
    long rssKiB = -1;      // VmRSS
    long anonKiB = -1;     // RssAnon: the part no other process shares
    long pssKiB = -1;      // shared pages divided among the processes that map them
};

QByteArray readProc(qint64 pid, const char* file) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

long statusKiB(const QByteArray& status, const char* key) {
    for (const QByteArray& line : status.split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

Sample sample(qint64 pid) {
    Sample s;
    // The command name may hold spaces and parentheses: the fields start after the last ')'.
    const QByteArray stat = readProc(pid, "stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 12) s.ticks = fields[11].toLongLong() + fields[12].toLongLong();
    s.ns = readProc(pid, "schedstat").split(' ').value(0).toLongLong();
    const QByteArray status = readProc(pid, "status");
    s.rssKiB = statusKiB(status, "VmRSS:");
    s.anonKiB = statusKiB(status, "RssAnon:");
    s.pssKiB = statusKiB(readProc(pid, "smaps_rollup"), "Pss:");
    return s;
}

struct Figures {
    double statPercent = 0;   // of one core
    double schedPercent = 0;  // of one core
    double rssMiB = 0;
    double anonMiB = 0;
    double pssMiB = 0;
    int moves = 0;  // CMD_hisplay seen by the watcher during the window
};

// One host process and the connection that sits at it.
class Table : public QObject {
public:
    Table(int index, const QString& binary, std::function<void()> onReady)
        : index_(index), onReady_(std::move(onReady)) {
        connect(&host_, &QProcess::readyReadStandardOutput, this, &Table::hostSaid);
        connect(&socket_, &QTcpSocket::readyRead, this, &Table::socketRead);
        connect(&socket_, &QTcpSocket::disconnected, this, [this] {
            if (closing_) return;
            std::fprintf(stderr, "table %d: the host closed the connection\n", index_);
            dropped = true;
        });
        host_.setStandardInputFile(QProcess::nullDevice());
        host_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        host_.start(binary, {"--port", "0", "--no-announce", "--bot-speed", "fast"});
    }
    ~Table() override {
        closing_ = true;
        socket_.abort();
        host_.terminate();
        if (!host_.waitForFinished(5000)) host_.kill();
    }
    qint64 pid() const { return host_.processId(); }
    int index() const { return index_; }

    void startPlaying() {
        playing_ = true;
        startGame();
    }
    void startWindow() {
        moves_ = 0;
        from_ = sample(pid());
    }
    Figures endWindow(qint64 windowNs) const {
        const Sample to = sample(pid());
        Figures f;
        const double ticksPerSecond = double(sysconf(_SC_CLK_TCK));
        f.statPercent =
            100.0 * double(to.ticks - from_.ticks) / ticksPerSecond / (double(windowNs) / 1e9);
        f.schedPercent = 100.0 * double(to.ns - from_.ns) / double(windowNs);
        f.rssMiB = double(to.rssKiB) / 1024.0;
        f.anonMiB = double(to.anonKiB) / 1024.0;
        f.pssMiB = double(to.pssKiB) / 1024.0;
        f.moves = moves_;
        return f;
    }
    bool dropped = false;
    int games = 0;

private:
    void hostSaid() {
        // The log is read and let go, so a full pipe never stalls the host.
        buffered_ += host_.readAllStandardOutput();
        if (port_ != 0) {
            buffered_.clear();
            return;
        }
        static const QByteArray kListening = " listening on port ";
        const qsizetype at = buffered_.indexOf(kListening);
        const qsizetype end = buffered_.indexOf('\n', at);
        if (at < 0 || end < 0) return;
        port_ =
            quint16(buffered_.mid(at + kListening.size(), end - at - kListening.size()).toUInt());
        buffered_.clear();
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port_);
    }
    void send(const QByteArray& m) { socket_.write(m + '\xFF'); }
    void startGame() {
        ++games;
        send("CMD_startgame+Bench+" + QByteArray::number(kPlayTo) + '+');
        // A start clears every watching mark, so the watch request follows it.
        send("CMD_justwatch+1+1");
    }
    void socketRead() {
        input_ += socket_.readAll();
        for (qsizetype end; (end = input_.indexOf('\xFF')) >= 0;) {
            const QByteArray m = input_.left(end);
            input_.remove(0, end + 1);
            if (m == "CMD_sendlogininfo+1") {
                send("CMD_logininfo+1+1.0.0+Bench");
            } else if (m.startsWith("CMD_newplayerinfo+1+") && !loggedIn_) {
                loggedIn_ = true;
                onReady_();
            } else if (m.startsWith("CMD_hisplay+")) {
                ++moves_;
            } else if (m.startsWith("CMD_winner+") && playing_) {
                startGame();
            }
        }
    }

    int index_;
    std::function<void()> onReady_;
    QProcess host_;
    QTcpSocket socket_;
    quint16 port_ = 0;
    QByteArray buffered_;
    QByteArray input_;
    bool closing_ = false;
    bool loggedIn_ = false;
    bool playing_ = false;
    int moves_ = 0;
    Sample from_;
};

double mean(const std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    return v.empty() ? 0 : sum / double(v.size());
}

double maxOf(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

struct Summary {
    double statMean, statMax, schedMean, schedMax, rssMean, rssMax, anonMean, anonMax, pssMean,
        pssMax;
};

Summary summarise(const std::vector<Figures>& all) {
    std::vector<double> stat, sched, rss, anon, pss;
    for (const Figures& f : all) {
        pss.push_back(f.pssMiB);
        stat.push_back(f.statPercent);
        sched.push_back(f.schedPercent);
        rss.push_back(f.rssMiB);
        anon.push_back(f.anonMiB);
    }
    return {mean(stat), maxOf(stat), mean(sched), maxOf(sched), mean(rss),
            maxOf(rss), mean(anon),  maxOf(anon), mean(pss),    maxOf(pss)};
}

void printSummary(const char* label, const Summary& s) {
    std::printf(
        "%-8s CPU (stat) mean %.3f%% max %.3f%% | CPU (schedstat) mean %.4f%% max %.4f%% | "
        "VmRSS mean %.1f MiB max %.1f MiB | RssAnon mean %.1f max %.1f | Pss mean %.1f max "
        "%.1f\n",
        label, s.statMean, s.statMax, s.schedMean, s.schedMax, s.rssMean, s.rssMax, s.anonMean,
        s.anonMax, s.pssMean, s.pssMax);
}

// Runs the event loop for `d`.
void wait(std::chrono::milliseconds d) {
    QTimer::singleShot(d, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int tables = kDefaultTables;
    int windowSeconds = kDefaultWindowSeconds;
    QString binary = QStringLiteral(MARROWBY_HOST_BINARY);
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--window") && i + 1 < args.size())
            windowSeconds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--host") && i + 1 < args.size())
            binary = args[++i];
        else
            tables = std::clamp(args[i].toInt(), 1, 1000);
    }
    // Each table takes a few descriptors here: its pipes and its connection.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    std::printf(
        "%d tables, %d s windows, bot speed fast (goal playing: < %.1f%% of a core, < %.0f "
        "MiB)\n",
        tables, windowSeconds, kGoalCpuPercent, kGoalMiB);
    std::fflush(stdout);

    int ready = 0;
    std::vector<std::unique_ptr<Table>> all;
    for (int i = 0; i < tables; ++i)
        all.push_back(std::make_unique<Table>(i + 1, binary, [&ready, tables] {
            if (++ready == tables) QCoreApplication::quit();
        }));
    QTimer startTimeout;
    startTimeout.setSingleShot(true);
    QObject::connect(&startTimeout, &QTimer::timeout, [&] {
        std::fprintf(stderr, "only %d of %d tables logged in\n", ready, tables);
        std::exit(1);
    });
    startTimeout.start(kStartTimeout);
    QCoreApplication::exec();
    startTimeout.stop();

    const auto window = std::chrono::milliseconds(std::chrono::seconds(windowSeconds));
    auto measure = [&](std::chrono::milliseconds settle) {
        wait(settle);
        QElapsedTimer clock;
        clock.start();
        for (auto& t : all) t->startWindow();
        wait(window);
        const qint64 ns = clock.nsecsElapsed();
        std::vector<Figures> figures;
        for (auto& t : all) figures.push_back(t->endWindow(ns));
        return figures;
    };

    const std::vector<Figures> idle = measure(kIdleSettle);
    for (auto& t : all) t->startPlaying();
    const std::vector<Figures> playing = measure(kPlaySettle);

    std::printf(
        "table  pid     | idle: stat%%  sched%%  RSS  anon   pss | playing: stat%%  sched%%  RSS  "
        "anon   pss moves games  (memory in MiB)\n");
    int dropped = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        const Figures& a = idle[i];
        const Figures& b = playing[i];
        std::printf(
            "%5d  %-7lld | %6.3f %8.4f %5.1f %5.1f %5.1f | %6.3f %8.4f %5.1f %5.1f %5.1f %5d "
            "%5d%s\n",
            all[i]->index(), static_cast<long long>(all[i]->pid()), a.statPercent, a.schedPercent,
            a.rssMiB, a.anonMiB, a.pssMiB, b.statPercent, b.schedPercent, b.rssMiB, b.anonMiB,
            b.pssMiB, b.moves, all[i]->games, all[i]->dropped ? " DROPPED" : "");
        if (all[i]->dropped) ++dropped;
    }
    const Summary si = summarise(idle);
    const Summary sp = summarise(playing);
    printSummary("idle", si);
    printSummary("playing", sp);
    int moves = 0;
    for (const Figures& f : playing) moves += f.moves;
    // The precise figure decides; the tick count only bounds it from above over short windows.
    const double perTable = sp.schedMean;
    std::printf("moves seen per playing table: %.1f in %d s; dropped connections: %d\n",
                double(moves) / double(tables), windowSeconds, dropped);
    if (perTable > 0)
        std::printf("one core carries about %.0f playing tables (100%% / mean playing share)\n",
                    100.0 / perTable);
    std::printf(
        "goal playing < %.1f%% of a core: %s; < %.0f MiB VmRSS: %s (%.1f MiB of it are "
        "library pages every table shares; its own RssAnon %.1f MiB, Pss %.1f MiB)\n",
        kGoalCpuPercent, perTable < kGoalCpuPercent ? "met" : "MISSED", kGoalMiB,
        sp.rssMax < kGoalMiB ? "met" : "MISSED", sp.rssMean - sp.anonMean, sp.anonMean, sp.pssMean);
    return 0;
}
