#include "client/boardscale.h"

#include <algorithm>
#include <cmath>

namespace mb {

BoardGeometry boardGeometry(QSize board) {
    const int chatHeight = kBoardDesignSize.height() - kTableDesignHeight;
    const qreal byWidth = qreal(board.width()) / kBoardDesignSize.width();
    const qreal byHeight = qreal(board.height() - chatHeight) / kTableDesignHeight;
    BoardGeometry g;
    g.scale = std::clamp(std::min(byWidth, byHeight), 1.0, kMaxBoardScale);
    g.left = std::max(0, (board.width() - qRound(kBoardDesignSize.width() * g.scale)) / 2);
    const int chatTop = qRound(kTableDesignHeight * g.scale);
    g.chat = QRect(kChatMargin, chatTop, std::max(0, board.width() - 2 * kChatMargin),
                   std::max(0, board.height() - chatTop - kChatMargin));
    return g;
}

int BoardScaler::length(int design) const {
    return qRound(design * geometry_.scale);
}

QPixmap BoardScaler::art(const std::function<QPixmap(qreal)>& draw, qreal dpr) const {
    QPixmap pixmap = draw(dpr * geometry_.scale);
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

BoardScaler::Entry* BoardScaler::find(QWidget* widget) {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [widget](const Entry& e) { return e.widget == widget; });
    return found == entries_.end() ? nullptr : &*found;
}

void BoardScaler::place(QWidget* widget, const QRect& design, bool onTable) {
    Entry* entry = find(widget);
    // The font is the design one only while nothing has scaled it.
    if (!entry) entry = &entries_.emplace_back(Entry{widget, {}, widget->font(), onTable});
    entry->design = design;
    entry->onTable = onTable;
    update(*entry);
}

void BoardScaler::move(QWidget* widget, QPoint design) {
    Entry* entry = find(widget);
    if (!entry) return;
    entry->design.moveTopLeft(design);
    update(*entry);
}

bool BoardScaler::apply(const BoardGeometry& geometry) {
    const bool rescaled = geometry.scale != geometry_.scale;
    if (!rescaled && geometry.left == geometry_.left) return false;
    geometry_ = geometry;
    std::erase_if(entries_, [](const Entry& e) { return e.widget.isNull(); });
    for (Entry& entry : entries_) update(entry);
    return rescaled;
}

void BoardScaler::update(Entry& entry) const {
    QWidget* w = entry.widget;
    if (!w) return;
    const qreal s = geometry_.scale;
    QFont font = entry.font;
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, qRound(font.pixelSize() * s)));
    else
        font.setPointSizeF(font.pointSizeF() * s);
    w->setFont(font);
    const int offset = entry.onTable ? geometry_.left : 0;
    const QPoint at(offset + length(entry.design.x()), length(entry.design.y()));
    if (entry.design.size().isEmpty()) {
        w->adjustSize();
        w->move(at);
    } else {
        w->setGeometry(
            QRect(at, QSize(length(entry.design.width()), length(entry.design.height()))));
    }
}

}  // namespace mb
