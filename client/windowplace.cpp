#include "client/windowplace.h"

#include <algorithm>
#include <limits>

namespace mb {
namespace {

qint64 area(const QRect& r) {
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

// How far a rectangle lies from an area (0 when they meet), by the longer of the two gaps.
qint64 distance(const QRect& r, const QRect& to) {
    const qint64 dx =
        std::max<qint64>({0, qint64(to.left()) - r.right(), qint64(r.left()) - to.right()});
    const qint64 dy =
        std::max<qint64>({0, qint64(to.top()) - r.bottom(), qint64(r.top()) - to.bottom()});
    return std::max(dx, dy);
}

// Moves `from` into [low, high], or to low when the span is too short for it.
int clampInto(int from, int low, int high) {
    return high < low ? low : std::clamp(from, low, high);
}

}  // namespace

QPoint keepTitleBarOnScreen(const QRect& frame, int titleBarHeight, const QList<QRect>& areas) {
    if (areas.isEmpty()) return frame.topLeft();
    const int barHeight =
        std::clamp(titleBarHeight, kAssumedTitleBarHeight, std::max(1, frame.height()));
    const QRect bar(frame.topLeft(), QSize(frame.width(), barHeight));
    // Screens do not overlap, so the parts of the bar on each add up to what is shown.
    qint64 shown = 0;
    for (const QRect& a : areas) shown += area(bar.intersected(a));
    if (shown >= area(bar)) return frame.topLeft();

    // The area holding most of the window, or else the nearest one.
    const QRect* best = &areas.front();
    qint64 bestShown = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QRect& a : areas) {
        const qint64 s = area(frame.intersected(a));
        const qint64 d = distance(frame, a);
        if (s > bestShown || (s == bestShown && d < bestDistance)) {
            best = &a;
            bestShown = s;
            bestDistance = d;
        }
    }
    return {clampInto(frame.left(), best->left(), best->right() + 1 - frame.width()),
            clampInto(frame.top(), best->top(), best->bottom() + 1 - frame.height())};
}

QSize sizeToKeep(QSize size, QSize available) {
    if (size.width() > available.width()) size.setWidth(size.width() - kOversizeShrink);
    if (size.height() > available.height()) size.setHeight(size.height() - kOversizeShrink);
    return size;
}

}  // namespace mb
