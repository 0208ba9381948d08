#include "assets/picturecache.h"

#include <QCoreApplication>
#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <future>
#include <system_error>
#include <thread>

namespace mb::art {

// Beside the key, where the hash looks for it.
size_t qHash(const CacheKey& key, size_t seed = 0) {
    return ::qHashMulti(seed, static_cast<int>(key.item), key.index, key.dprMilli);
}

namespace {

using Cache = QHash<CacheKey, QPixmap>;
// A table that grows with its window draws its pictures at every size it passes through; past
// this many pictures the cache starts again rather than keep them all.
constexpr qsizetype kMaxCachedPictures = 400;

// Pictures being drawn on other threads, ahead of their first use (see drawTableAhead). Each
// batch has a thread of its own, so the short one the table needs first never queues behind
// the long one of the download window.
struct Ahead {
    CacheKey key;
    std::shared_future<QImage> image;
};

std::vector<Ahead>& ahead() {
    static std::vector<Ahead> pending;
    return pending;
}

// Joined on the way out however the process ends, even by exit() with the application alive.
std::vector<std::jthread>& drawingThreads() {
    static std::vector<std::jthread> threads;
    return threads;
}

Cache& cache() {
    static Cache pixmaps;
    static const bool cleanupRegistered = [] {
        // Pixmaps must go before the application object that owns the graphics system does,
        // and a drawing thread must not outlive the fonts it uses.
        qAddPostRoutine([] {
            drawingThreads().clear();
            ahead().clear();
            cache().clear();
        });
        return true;
    }();
    Q_UNUSED(cleanupRegistered);
    return pixmaps;
}

}  // namespace

qreal sanitizedDpr(qreal dpr) {
    constexpr qreal kMinDpr = 0.25;
    constexpr qreal kMaxDpr = 8.0;
    if (!std::isfinite(dpr)) return 1.0;
    return std::clamp(dpr, kMinDpr, kMaxDpr);
}

CacheKey keyOf(Item item, int index, qreal dpr) {
    return CacheKey{item, index, qRound64(sanitizedDpr(dpr) * 1000.0)};
}

QImage draw(QSize logical, qreal dpr, const Painter& paint) {
    QImage image(QSize(qRound(logical.width() * dpr), qRound(logical.height() * dpr)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    paint(painter);
    return image;
}

void drawAhead(std::vector<Batch> batch) {
    const Cache& pixmaps = cache();
    std::vector<Ahead>& pending = ahead();
    std::erase_if(batch, [&](const Batch& b) {
        return pixmaps.contains(b.key) ||
               std::any_of(pending.begin(), pending.end(),
                           [&b](const Ahead& a) { return a.key == b.key; });
    });
    if (batch.empty()) return;
    std::vector<std::promise<QImage>> promises(batch.size());
    std::vector<Ahead> started;
    for (size_t i = 0; i < batch.size(); ++i)
        started.push_back(Ahead{batch[i].key, promises[i].get_future().share()});
    try {
        drawingThreads().emplace_back(
            [batch = std::move(batch), promises = std::move(promises)]() mutable {
                for (size_t i = 0; i < batch.size(); ++i)
                    promises[i].set_value(draw(batch[i].logical, batch[i].dpr, batch[i].paint));
            });
    } catch (const std::system_error&) {
        return;  // no thread to be had: each picture is drawn when it is first asked for
    }
    pending.insert(pending.end(), started.begin(), started.end());
}

QPixmap render(Item item, int index, QSize logical, qreal dpr, const Painter& paint) {
    dpr = sanitizedDpr(dpr);
    const CacheKey key = keyOf(item, index, dpr);
    Cache& pixmaps = cache();
    if (auto found = pixmaps.constFind(key); found != pixmaps.constEnd()) return *found;
    if (pixmaps.size() >= kMaxCachedPictures) pixmaps.clear();

    std::vector<Ahead>& pending = ahead();
    const auto drawn = std::find_if(pending.begin(), pending.end(),
                                    [&key](const Ahead& a) { return a.key == key; });
    QImage image;
    if (drawn != pending.end()) {
        image = drawn->image.get();
        pending.erase(drawn);
    } else {
        image = draw(logical, dpr, paint);
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(dpr);
    pixmaps.insert(key, pixmap);
    return pixmap;
}

}  // namespace mb::art
