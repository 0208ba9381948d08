// A solo game's start against an empty Qt window of the same size, in one run: each is started
// as a fresh process, in turns, and timed from the start of the process until the game's
// player is logged in at a table that has painted its first frame (the window shown and
// painted, for the empty one); all print their peak memory. The solo start is timed on until
// the download window it offers is up as well, which comes after the login. A second rival, the
// same window with one line of text, shows how much of the difference is the font system's start,
// which no window with words in it escapes. Then the CPU an idle solo table costs over a stretch of
// wall time, while the chat entry's cursor still blinks and after it has come to rest, and its
// memory once the services it opens after the start are in.
//   bench_solo [ROUNDS [IDLE_SECONDS]]
// Run it with the platform a player has (under Xvfb, say) or with QT_QPA_PLATFORM=offscreen.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "assets/audioout.h"
#include "client/application.h"
#include "client/noticebox.h"
#include "client/programinfo.h"
#include "core/backends.h"
#include "core/errornotice.h"
#include "dialogs/downloadform.h"
#include "peakmemory.h"
#include "widgets/blinkrest.h"
#include "widgets/fontsahead.h"
#include "widgets/gamestyle.h"

namespace {

constexpr int kDefaultRounds = 7;
constexpr int kDefaultIdleSeconds = 10;
constexpr int kChildTimeoutMs = 20000;
constexpr int kSettleMs = 100;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The child: a solo game until its player is logged in; then, if asked, an idle stretch.
int runSolo(int idleSeconds) {
    // As the game's own main does, but on port 0: the bench must not collide with a game
    // running on the machine.
    QApplication::setApplicationName(QStringLiteral("Marrowby"));
    QApplication::setQuitOnLastWindowClosed(false);
    mb::setApplicationIdentity();
    Application windows({}, Tchat::Ports{0, 1});
    Tchat& table = windows.main();
    QPointer<mb::NoticeBox> notices = new mb::NoticeBox(&table);
    mb::setErrorSink([notices](const QString& text) {
        if (notices) notices->show(text);
    });
    table.show();
    QElapsedTimer wait;
    wait.start();
    // One pass of the event loop at a time, so that the moment is caught in the pass it comes
    // in, not after the work the next passes find. A table window is painted as it is exposed.
    const auto until = [&](auto done) {
        while (!done() && wait.elapsed() < kChildTimeoutMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    const auto exposed = [](const QWidget* window) {
        return window && window->windowHandle() && window->windowHandle()->isExposed();
    };
    until([&] { return table.state().isconnected && exposed(&table); });
    std::printf("ready %ld\n", peakResidentKiB());
    std::fflush(stdout);
    until([&] { return exposed(&windows.download()); });
    QCoreApplication::processEvents();
    std::printf("complete %ld\n", peakResidentKiB());
    std::fflush(stdout);
    if (idleSeconds <= 0) return 0;
    // What the start left for later: the services library, opened once the player is in.
    mb::backends::symbol(mb::kMakeAudioOutSymbol);
    QCoreApplication::processEvents();
    std::printf("solo table with the services library open: %.1f MiB resident\n",
                double(residentKiB()) / 1024.0);
    // First the stretch in which the cursor still blinks, then as long again at rest: a table
    // left alone spends nearly all of its idle life in the second.
    // A loop of its own: quitting the application would close the table's window.
    const auto stretch = [](int ms) {
        const double cpuBefore = cpuSeconds();
        QElapsedTimer idle;
        idle.start();
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
        return std::pair{cpuSeconds() - cpuBefore, double(idle.elapsed()) / 1000};
    };
    const int restMs = int(mb::kBlinkRestAfter.count());
    const auto [blinkCpu, blinkWall] = stretch(restMs);
    std::printf("idle solo table, cursor blinking: %.3f s CPU over %.1f s = %.3f%% of one core\n",
                blinkCpu, blinkWall, 100.0 * blinkCpu / blinkWall);
    const auto [cpu, wall] = stretch(idleSeconds * 1000);
    std::printf(
        "idle solo table, cursor at rest:  %.3f s CPU over %.1f s = %.3f%% of one core "
        "(goal <= 0.05%%)\n",
        cpu, wall, 100.0 * cpu / wall);
    return 0;
}

struct Start {
    double ms = 0;
    double mib = 0;
    // Until every window of the start is up, for a program that says so after "ready".
    double completeMs = 0;
    double completeMiB = 0;
};

// The next line `p` prints, with the time it came at; empty if none comes.
QByteArray nextLine(QProcess& p, const QElapsedTimer& t, double& ms) {
    QByteArray line;
    while (!line.contains('\n') && (p.canReadLine() || p.waitForReadyRead(kChildTimeoutMs)))
        line += p.readLine();
    ms = double(t.nsecsElapsed()) / 1e6;
    return line.trimmed();
}

double kibField(const QByteArray& line, const char* word) {
    const QByteArray prefix = QByteArray(word) + ' ';
    return line.startsWith(prefix) ? line.mid(prefix.size()).toDouble() / 1024.0 : 0;
}

// Starts `program` and times it until it says "ready" and, if asked, "complete".
Start timeStart(const QString& program, const QStringList& args, bool complete = false) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    Start s;
    s.mib = kibField(nextLine(p, t, s.ms), "ready");
    if (complete && s.mib > 0) s.completeMiB = kibField(nextLine(p, t, s.completeMs), "complete");
    p.waitForFinished(kChildTimeoutMs);
    // The display server may still be working off what the last program drew, which the next
    // one would otherwise wait behind.
    QThread::msleep(kSettleMs);
    return s;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    // As the game's own main does.
    mb::FontsAhead fonts;
    QApplication app(argc, argv);
    fonts.wait();
    mb::useGameStyle();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("--child"))
        return runSolo(args.size() > 2 ? args[2].toInt() : 0);
    const int rounds = args.size() > 1 ? std::max(1, args[1].toInt()) : kDefaultRounds;
    const int idleSeconds = args.size() > 2 ? args[2].toInt() : kDefaultIdleSeconds;
    const QString self = QCoreApplication::applicationFilePath();
    const QString bare = QStringLiteral(MARROWBY_BARE_WINDOW_BINARY);

    std::vector<double> soloMs, soloMiB, bareMs, bareMiB, textMs, textMiB, allMs, allMiB;
    for (int round = 0; round < rounds; ++round) {
        const Start b = timeStart(bare, {});
        const Start t = timeStart(bare, {QStringLiteral("text")});
        const Start s = timeStart(self, {QStringLiteral("--child")}, true);
        bareMs.push_back(b.ms);
        bareMiB.push_back(b.mib);
        textMs.push_back(t.ms);
        textMiB.push_back(t.mib);
        soloMs.push_back(s.ms);
        soloMiB.push_back(s.mib);
        allMs.push_back(s.completeMs);
        allMiB.push_back(s.completeMiB);
    }
    const double sMs = median(soloMs), bMs = median(bareMs), tMs = median(textMs);
    const double sMiB = median(soloMiB), bMiB = median(bareMiB), tMiB = median(textMiB);
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0; };
    std::printf("medians of %d starts each, process start to ready:\n", rounds);
    std::printf("  empty window            %7.1f ms  peak %6.1f MiB\n", bMs, bMiB);
    std::printf("  window with one line    %7.1f ms  peak %6.1f MiB\n", tMs, tMiB);
    std::printf("  solo, logged in         %7.1f ms  peak %6.1f MiB\n", sMs, sMiB);
    std::printf("  solo, download window   %7.1f ms  peak %6.1f MiB\n", median(allMs),
                median(allMiB));
    std::printf("  ratio to the empty one  %7.2f     %11.2f  (goal <= 1.5 and <= 1.3)\n",
                ratio(sMs, bMs), ratio(sMiB, bMiB));
    std::printf("  ratio to the one line   %7.2f     %11.2f\n", ratio(sMs, tMs), ratio(sMiB, tMiB));
    std::fflush(stdout);
    if (idleSeconds > 0) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(self, {QStringLiteral("--child"), QString::number(idleSeconds)});
        p.waitForFinished(idleSeconds * 1000 + kChildTimeoutMs);
    }
    return 0;
}
