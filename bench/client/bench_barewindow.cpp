// The rival of the solo start: an empty Qt window of the main window's default size, linked
// against nothing but Qt Widgets. It prints "ready" and its peak memory once the window is
// shown and painted, then quits. bench_solo starts it beside the game.
//   bench_barewindow [text]
// With "text" the window shows one line in the desktop's font: what any window with words in
// it pays for the font system's start, which the empty window never does.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <QWindow>
#include <cstdio>

#include "peakmemory.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(772, 535);
    if (argc > 1 && QByteArray(argv[1]) == "text")
        (new QLabel(QStringLiteral("Marrowby by Kestro Software"), &window))->move(10, 10);
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents();
    std::printf("ready %ld\n", peakResidentKiB());
    std::fflush(stdout);
    return 0;
}
