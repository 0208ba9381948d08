#pragma once
// Fills in the memory of each window's backing store in one go as the window is shown, before
// its first frame is painted into it.
//
// A window's first paint writes every pixel of a store the kernel has not yet given pages to,
// and takes one page fault per 4 KiB: some 400 for the table's window, four times as many on a
// screen at twice the density. Asked for all at once (MADV_POPULATE_WRITE), the same pages
// cost a fraction of that; on the virtual machines many people play on, a fault costs about
// 10 us, and the table and download windows shown together at a solo start save about 5 ms.
// Nothing is drawn or changed: the store is the size the first paint gives it anyway, and a
// platform whose store is not an image in this process's memory is left alone.
#include <QObject>

class QWidget;

namespace mb {

class StoreAhead : public QObject {
    Q_OBJECT
public:
    // Watches the whole application from now on, for every window shown from then on.
    explicit StoreAhead(QObject* parent = nullptr);

    // What the watching does for one window that is being shown; false when its store is not
    // there or cannot be filled in (a kernel older than 5.14, say), which costs nothing more.
    static bool fillIn(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace mb
