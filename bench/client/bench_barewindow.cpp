// The rival of the solo start: an empty Qt window of the main window's default size, linked
// against nothing but Qt Widgets. It prints "ready" and its peak memory once the window is
// shown and painted, then quits. bench_solo starts it beside the game.
#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <cstdio>

#include "peakmemory.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(772, 535);
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents();
    std::printf("ready %ld\n", peakResidentKiB());
    std::fflush(stdout);
    return 0;
}
