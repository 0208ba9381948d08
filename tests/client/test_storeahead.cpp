// Each window's store is in memory before its first frame is painted into it, and filling it in
// changes nothing the window shows.
#include <sys/mman.h>
#include <unistd.h>

#include <QBackingStore>
#include <QPainter>
#include <QWindow>
#include <QtTest>
#include <cstdint>
#include <vector>

#include "widgets/storeahead.h"

namespace {

// How much of the store's image the kernel has pages for, 0 to 1, while a paint runs.
double residentShare(QBackingStore* store) {
    auto* image = store ? dynamic_cast<QImage*>(store->paintDevice()) : nullptr;
    if (!image || image->isNull()) return -1;
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(image->constBits()) & ~(page - 1);
    const auto end =
        reinterpret_cast<std::uintptr_t>(image->constBits()) + std::uintptr_t(image->sizeInBytes());
    std::vector<unsigned char> pages((end - begin + page - 1) / page);
    if (mincore(reinterpret_cast<void*>(begin), end - begin, pages.data()) != 0) return -1;
    int resident = 0;
    for (unsigned char p : pages) resident += p & 1;
    return double(resident) / double(pages.size());
}

// A window that notes, at its first paint, how much of its store was already in memory.
// It paints every pixel itself, so nothing touches the store before it.
struct Window : QWidget {
    Window() {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    double residentAtFirstPaint = -2;
    void paintEvent(QPaintEvent*) override {
        if (residentAtFirstPaint == -2) residentAtFirstPaint = residentShare(backingStore());
        QPainter(this).fillRect(rect(), QColor(0x2a, 0x6b, 0x3c));
    }
};

void showAndWait(QWidget& window) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
}

}  // namespace

class StoreAheadTest : public QObject {
    Q_OBJECT
private slots:
    void aShownWindowIsPaintedIntoAStoreAlreadyInMemory() {
        mb::StoreAhead ahead;
        // The table's size: a store far above the allocator's threshold, so fresh pages.
        Window window;
        window.resize(772, 535);
        auto* child = new QWidget(&window);  // a child's own Show is no window's
        child->setGeometry(10, 10, 50, 50);
        showAndWait(window);
        QCOMPARE(window.residentAtFirstPaint, 1.0);
        // Nothing of the filling shows: every pixel is the paint's, the store the window's size.
        const QImage shot = window.grab().toImage();
        QCOMPARE(shot.size(), QSize(772, 535));
        for (const QPoint p : {QPoint(0, 0), QPoint(771, 534), QPoint(386, 300)})
            QCOMPARE(shot.pixelColor(p), QColor(0x2a, 0x6b, 0x3c));
        QCOMPARE(window.backingStore()->size(), window.size());

        // Shown again after a resize: filled in at the new size, still whole.
        window.hide();
        window.resize(900, 600);
        window.residentAtFirstPaint = -2;
        showAndWait(window);
        QCOMPARE(window.residentAtFirstPaint, 1.0);
    }

    void aWindowWithNoAreaIsLeftAlone() {
        // A window with no area has an empty image; it is shown as any other.
        mb::StoreAhead ahead;
        QWidget empty;
        empty.setFixedSize(0, 0);
        empty.show();
        QCoreApplication::processEvents();
        QVERIFY(!mb::StoreAhead::fillIn(&empty));
    }
};

QTEST_MAIN(StoreAheadTest)
#include "test_storeahead.moc"
