#pragma once
// The store behind the pictures of art.h: each is drawn once per kind, index and screen
// scale, here when it is first asked for or on another thread ahead of that, and kept as a
// pixmap until the application ends.
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <functional>
#include <vector>

class QPainter;

namespace mb::art {

enum class Item {
    Card,
    TurnArrow,
    NotPlaying,
    StartButton,
    StartButtonPressed,
    Eyes,
    Tile,
    Smiley,
    Logo,
    Instructions,
    LobbyPicture,
};

struct CacheKey {
    Item item;
    int index;
    qint64 dprMilli;
    bool operator==(const CacheKey&) const = default;
};

using Painter = std::function<void(QPainter&)>;

// A screen scale the pictures are drawn at: finite and within reason, whatever was asked.
qreal sanitizedDpr(qreal dpr);
CacheKey keyOf(Item item, int index, qreal dpr);

// Painting into an image touches no window, so it may run on any thread.
QImage draw(QSize logical, qreal dpr, const Painter& paint);

// One picture to draw ahead: its place in the store, its size in points and scale, and how.
struct Batch {
    CacheKey key;
    QSize logical;
    qreal dpr;
    Painter paint;
};

// Draws on a new thread those of `batch` that are neither drawn nor being drawn. When no
// thread can be started they are drawn when first asked for.
void drawAhead(std::vector<Batch> batch);

// The picture of `item` and `index` at `dpr`: from the store, or taken from the thread that
// drew it ahead (waiting for it if need be), or drawn here with `paint` at `logical` size.
QPixmap render(Item item, int index, QSize logical, qreal dpr, const Painter& paint);

}  // namespace mb::art
