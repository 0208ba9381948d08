// The rival of the solo start: an empty Qt window of the main window's default size, linked
// against nothing but Qt Widgets. It prints "ready" and its peak memory once the window is
// shown and painted, then quits. bench_solo starts it beside the game.
#include <sys/resource.h>

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(772, 535);
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("ready %ld\n", usage.ru_maxrss);
    std::fflush(stdout);
    return 0;
}
