#include "widgets/storeahead.h"

#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QBackingStore>
#include <QEvent>
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <cstdint>

namespace mb {

StoreAhead::StoreAhead(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

bool StoreAhead::fillIn(QWidget* window) {
    QBackingStore* store = window->backingStore();
    if (!store) return false;
    // The size the first paint asks for: the store keeps its memory when asked for it again.
    store->resize(window->size());
    // Between beginPaint and endPaint the device is the image the paint will write, at the
    // screen's density; an empty region paints nothing and sends nothing to the screen.
    store->beginPaint(QRegion());
    bool filled = false;
    if (auto* image = dynamic_cast<QImage*>(store->paintDevice()); image && !image->isNull()) {
        // Read-only access: bits() would detach a shared image from the store.
        const auto begin = reinterpret_cast<std::uintptr_t>(image->constBits());
        const auto end = begin + std::uintptr_t(image->sizeInBytes());
        const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
        const std::uintptr_t first = begin & ~(page - 1);
        // Prefaulting writes nothing: it only makes the pages present, as a write would.
        filled = madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE) == 0;
    }
    store->endPaint();
    return filled;
}

bool StoreAhead::eventFilter(QObject* watched, QEvent* event) {
    // Show reaches a window once its platform window and store exist and its size is settled
    // (layouts activated), and before it is exposed.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow()) fillIn(widget);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace mb
