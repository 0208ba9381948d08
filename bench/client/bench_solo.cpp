// A solo game: time from process start until the local player is logged in, peak memory, and
// the CPU an idle table costs over a stretch of wall time.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <cstdio>

#include "client/application.h"

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Seconds since the kernel started this process (exec and dynamic loading included), to the
// kernel's clock-tick resolution.
double sinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    constexpr int kStartTimeField = 19;  // field 22 of the line, counted after the name
    const double started = fields.value(kStartTimeField).toDouble() / double(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9 - started;
}

}  // namespace

int main(int argc, char* argv[]) {
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const double atMain = sinceProcessStart();
    QApplication app(argc, argv);
    const double atApp = sinceProcessStart();
    // Port 0: the bench must not collide with a game running on the machine.
    Application windows({}, Tchat::Ports{0, 1});
    const double atWindows = sinceProcessStart();
    windows.main().show();
    const double atShown = sinceProcessStart();
    QElapsedTimer wait;
    wait.start();
    while (!windows.main().state().isconnected && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    const double loggedIn = sinceProcessStart();
    std::printf("solo start until logged in: %.1f ms, peak memory %.1f MiB\n", loggedIn * 1000,
                peakMiB());
    std::printf("  main %.1f ms, application %.1f, windows %.1f, shown %.1f, logged in %.1f\n",
                atMain * 1000, atApp * 1000, atWindows * 1000, atShown * 1000, loggedIn * 1000);

    const double cpuBefore = cpuSeconds();
    QElapsedTimer idle;
    idle.start();
    QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf("idle solo table: %.3f s CPU over %.1f s = %.2f%% of one core\n", cpu,
                double(idle.elapsed()) / 1000, 100.0 * cpu / (double(idle.elapsed()) / 1000));
    return 0;
}
