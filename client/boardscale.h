#pragma once
// The card table grows with the window. Every piece of the board keeps its classic geometry,
// the one it has at the default window size, as its design; the board scales those designs
// by one factor, so the table keeps its proportions, and the chat takes the room below it.
// Pictures are drawn again for the scale (the art is drawn in code), so they stay crisp.
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

namespace mb {

// The board at the default window size, and the part of it above the chat: piles, hand,
// roster, labels and status line.
inline constexpr QSize kBoardDesignSize{764, 526};
inline constexpr int kTableDesignHeight = 248;
// The chat keeps this distance from the board's left, right and bottom edges.
inline constexpr int kChatMargin = 6;
// Beyond this the pictures would take more memory than any screen needs (a card at 8 times,
// on a screen of twice the density, is 1136 by 1536 pixels).
inline constexpr qreal kMaxBoardScale = 8.0;

struct BoardGeometry {
    qreal scale = 1.0;
    int left = 0;  // where the table's design left edge lies (centred when the height limits)
    QRect chat;    // the room for the chat
};

// How a board of this size is laid out: the table as large as the width allows while the
// chat keeps at least its classic height; never smaller than the classic table.
BoardGeometry boardGeometry(QSize board);

class BoardScaler {
public:
    // Records a widget's design geometry and, the first time, its font as the design font,
    // and places it at the current scale. An empty design size keeps the size the widget gives
    // itself (labels that fit their text). Widgets on the table are offset with it; those inside a
    // panel of the table (onTable false) only scale.
    void place(QWidget* widget, const QRect& design, bool onTable = true);
    // Moves a placed widget to another design position.
    void move(QWidget* widget, QPoint design);
    // Places every recorded widget for a new layout; whether the scale changed.
    bool apply(const BoardGeometry& geometry);

    qreal scale() const { return geometry_.scale; }
    int offset() const { return geometry_.left; }  // of widgets on the table
    int length(int design) const;                  // a design length at the current scale
    // A picture drawn for `dpr` times the scale, shown at the scale times its design size.
    QPixmap art(const std::function<QPixmap(qreal)>& draw, qreal dpr) const;

private:
    struct Entry {
        QPointer<QWidget> widget;
        QRect design;
        QFont font;
        bool onTable = true;
    };
    void update(Entry& entry) const;
    Entry* find(QWidget* widget);

    std::vector<Entry> entries_;
    BoardGeometry geometry_;
};

}  // namespace mb
