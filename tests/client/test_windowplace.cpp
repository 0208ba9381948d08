// Where a window with a stored position opens: its title bar always on a screen.
#include <QTest>

#include "client/windowplace.h"

using mb::keepTitleBarOnScreen;
using mb::sizeToKeep;

class TestWindowPlace : public QObject {
    Q_OBJECT
private slots:
    void storedPositionsOffScreenComeBack() {
        const QList<QRect> laptop{{0, 0, 1280, 800 - 40}};  // a task bar below
        const QSize size(772, 535);
        // The classic default and any place with the title bar shown stay as they are.
        QCOMPARE(keepTitleBarOnScreen({QPoint(3, 3), size}, 30, laptop), QPoint(3, 3));
        QCOMPARE(keepTitleBarOnScreen({QPoint(500, 400), size}, 30, laptop), QPoint(500, 400));
        // Left=1500 on a 1280-wide screen: out of sight, brought back whole.
        QCOMPARE(keepTitleBarOnScreen({QPoint(1500, 3), size}, 30, laptop), QPoint(1280 - 772, 3));
        // Half the title bar past the right edge, above the top, or under the task bar.
        QCOMPARE(keepTitleBarOnScreen({QPoint(1000, 100), size}, 30, laptop),
                 QPoint(1280 - 772, 100));
        QCOMPARE(keepTitleBarOnScreen({QPoint(100, -10), size}, 30, laptop), QPoint(100, 0));
        QCOMPARE(keepTitleBarOnScreen({QPoint(100, 745), size}, 30, laptop),
                 QPoint(100, 760 - 535));
        QCOMPARE(keepTitleBarOnScreen({QPoint(-32767, -32767), size}, 30, laptop), QPoint(0, 0));
        QCOMPARE(keepTitleBarOnScreen({QPoint(32767, 32767), size}, 30, laptop),
                 QPoint(1280 - 772, 760 - 535));
        // Before the first show no title bar height is known: an assumed one is used.
        QCOMPARE(keepTitleBarOnScreen({QPoint(100, 745), size}, 0, laptop), QPoint(100, 760 - 535));
        QCOMPARE(keepTitleBarOnScreen({QPoint(100, 736), size}, 0, laptop), QPoint(100, 736));
        // A window larger than the screen keeps its title bar's left end on it.
        QCOMPARE(keepTitleBarOnScreen({QPoint(50, 50), QSize(1400, 900)}, 30, laptop),
                 QPoint(0, 0));
        // No screen known: nothing to go by.
        QCOMPARE(keepTitleBarOnScreen({QPoint(1500, 3), size}, 30, {}), QPoint(1500, 3));
    }

    void severalScreens() {
        // A 1920-wide screen with a 1280-wide one right of it, whose top lies 200 lower.
        const QList<QRect> two{{0, 0, 1920, 1040}, {1920, 200, 1280, 1024}};
        const QSize size(772, 535);
        // A title bar across both screens is wholly shown.
        QCOMPARE(keepTitleBarOnScreen({QPoint(1600, 300), size}, 30, two), QPoint(1600, 300));
        QCOMPARE(keepTitleBarOnScreen({QPoint(2400, 250), size}, 30, two), QPoint(2400, 250));
        // Above the second screen's top: onto the screen holding most of the window.
        QCOMPARE(keepTitleBarOnScreen({QPoint(2400, 50), size}, 30, two), QPoint(2400, 200));
        // Far beyond both: onto the nearest, wholly.
        QCOMPARE(keepTitleBarOnScreen({QPoint(5000, 600), size}, 30, two),
                 QPoint(1920 + 1280 - 772, 600));
        QCOMPARE(keepTitleBarOnScreen({QPoint(-3000, 100), size}, 30, two), QPoint(0, 100));
        // A screen that was unplugged: the window comes to the one left.
        QCOMPARE(keepTitleBarOnScreen({QPoint(2400, 250), size}, 30, {two.front()}),
                 QPoint(1920 - 772, 250));
    }

    void oversizeWindowsAreKeptSmaller() {
        const QSize area(1280, 760);
        // A window that fits, even to the pixel, is kept as it is.
        QCOMPARE(sizeToKeep({772, 535}, area), QSize(772, 535));
        QCOMPARE(sizeToKeep(area, area), area);
        // Each side past the area is cut on its own, by the fixed amount only.
        QCOMPARE(sizeToKeep({1281, 535}, area), QSize(1281 - mb::kOversizeShrink, 535));
        QCOMPARE(sizeToKeep({772, 761}, area), QSize(772, 761 - mb::kOversizeShrink));
        QCOMPARE(sizeToKeep({1920, 1080}, area),
                 QSize(1920 - mb::kOversizeShrink, 1080 - mb::kOversizeShrink));
    }
};

QTEST_GUILESS_MAIN(TestWindowPlace)
#include "test_windowplace.moc"
