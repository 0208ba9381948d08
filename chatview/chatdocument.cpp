#include "chatview/chatdocument.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace mb {

namespace {

// Beyond this the log stops growing: item offsets are 32-bit.
constexpr qsizetype kMaxLogChars = INT_MAX / 2;
// dropOldest goes this share of its bounds below them.
constexpr int kDropShare = 16;
// Line heights are kept in 16 bits; no picture of the log comes near this.
constexpr int kMaxPictureSide = 4096;
constexpr int kPictureBit = 1 << 15;
constexpr int kCharsPerPixel = 2;
constexpr int kCharsAlwaysMeasured = 8;
// The log's arrays grow by an eighth rather than doubling, and are cut down when much less
// stays after a drop, so that what they hold stays close to what they keep.
constexpr size_t kGrowthShare = 8;
constexpr size_t kMinRoom = 64;

int styleBit(int style) {
    return style == TChatDocument::kPictureStyle ? kPictureBit : 1 << style;
}

QString view(const QChar* chars, int count) {
    return QString::fromRawData(chars, count);
}

template <typename T>
void makeRoom(std::vector<T>& array, size_t more) {
    const size_t need = array.size() + more;
    if (need > array.capacity()) array.reserve(need + std::max(need / kGrowthShare, kMinRoom));
}

template <typename T>
void dropFront(std::vector<T>& array, size_t count) {
    const size_t kept = array.size() - count;
    if (array.capacity() <= 2 * kept + kMinRoom) {
        array.erase(array.begin(), array.begin() + qsizetype(count));
        return;
    }
    std::vector<T> fitted;
    fitted.reserve(kept + kept / kGrowthShare);
    fitted.assign(array.begin() + qsizetype(count), array.end());
    array.swap(fitted);
}

template <typename T>
size_t heldBy(const std::vector<T>& array) {
    return array.capacity() * sizeof(T);
}

// Largest count of the first characters of chars that fits into space (possibly 0). Single
// character advances give a close guess cheaply; measuring whole runs around it corrects for
// kerning and shaping, widening the step while the guess is still off.
struct Fit {
    int count = 0;
    int width = 0;
};

Fit fittingCount(const QFontMetrics& metrics, const QChar* chars, int length, int space) {
    Fit best;
    auto fits = [&](int count) {
        const int width = count == 0 ? 0 : metrics.horizontalAdvance(view(chars, count));
        if (width > space) return false;
        if (count >= best.count) best = {count, width};
        return true;
    };
    int guess = 0;
    for (int sum = 0; guess < length; ++guess) {
        sum += metrics.horizontalAdvance(chars[guess]);
        if (sum > space) break;
    }
    int low, high;  // fits(low), and !fits(high + 1) unless high == length
    if (fits(guess)) {
        low = guess;
        int step = 1;
        while (low + step <= length && fits(low + step)) {
            low += step;
            step *= 2;
        }
        high = std::min(length, low + step - 1);
    } else {
        high = guess - 1;
        int step = 1;
        while (high - step >= 0 && !fits(high - step + 1)) {
            high -= step;
            step *= 2;
        }
        low = std::max(0, high - step + 1);
    }
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    if (best.count != low) fits(low);
    return best;
}

}  // namespace

void TChatDocument::startItem(bool newParagraph, int bit) {
    if (newParagraph || paragraphs_.empty()) {
        makeRoom(paragraphs_, 1);
        Paragraph paragraph;
        paragraph.firstItem = int(items_.size());
        paragraphs_.push_back(paragraph);
    }
    makeRoom(items_, 1);
    Paragraph& last = paragraphs_.back();
    last.styles |= quint16(bit);
    last.stale = true;
    firstStale_ = std::min(firstStale_, int(paragraphs_.size()) - 1);
}

void TChatDocument::addText(const QString& text, int style, bool newParagraph) {
    if (qsizetype(text_.size()) + text.size() > kMaxLogChars) return;
    style = std::clamp(style, 0, TChatStyleSet::kCount - 1);
    const bool continues = !newParagraph && !items_.empty();
    startItem(newParagraph, styleBit(style));
    Item item;
    item.start = quint32(text_.size());
    item.length = qint32(text.size());
    item.style = qint8(style);
    item.continues = continues;
    if (TChatStyleSet::isJumpStyle(style)) {
        makeRoom(jumpItems_, 1);
        jumpItems_.push_back(int(items_.size()));
    }
    makeRoom(text_, size_t(text.size()));
    text_.insert(text_.end(), text.begin(), text.end());
    items_.push_back(item);
}

void TChatDocument::addPicture(int index, const TChatImageList* images) {
    auto found = std::find(lists_.begin(), lists_.end(), images);
    if (found == lists_.end()) {
        if (lists_.size() > 0xFFFF) return;
        found = lists_.insert(lists_.end(), images);
    }
    const bool continues = !items_.empty();
    startItem(false, kPictureBit);
    Item item;
    item.start = quint32(text_.size());
    item.length = 1;
    item.measure = index;
    item.style = kPictureStyle;
    item.continues = continues;
    item.list = quint16(found - lists_.begin());
    items_.push_back(item);
}

qsizetype TChatDocument::paragraphBytes(qsizetype chars) {
    return chars * qsizetype(sizeof(QChar)) + qsizetype(sizeof(Item) + sizeof(Paragraph));
}

qsizetype TChatDocument::contentBytes() const {
    return qsizetype(text_.size() * sizeof(QChar) + items_.size() * sizeof(Item) +
                     paragraphs_.size() * sizeof(Paragraph));
}

qsizetype TChatDocument::heldBytes() const {
    size_t held = heldBy(text_) + heldBy(items_) + heldBy(paragraphs_) + heldBy(jumpItems_) +
                  heldBy(slots_) + heldBy(lists_);
    for (const Slot& slot : slots_) held += heldBy(slot.pieces);
    return qsizetype(held);
}

TChatDocument::Dropped TChatDocument::dropOldest(int maxParagraphs, qsizetype maxBytes) {
    Dropped d;
    const int count = int(paragraphs_.size());
    if (count <= maxParagraphs && contentBytes() <= maxBytes) return d;
    const int keepParagraphs = maxParagraphs - maxParagraphs / kDropShare;
    const qsizetype keepBytes = maxBytes - maxBytes / kDropShare;
    // What the paragraphs from p on take.
    auto bytesFrom = [&](int p) {
        const Paragraph& first = paragraphs_[size_t(p)];
        const size_t chars = text_.size() - items_[size_t(first.firstItem)].start;
        return qsizetype(chars * sizeof(QChar) +
                         (items_.size() - size_t(first.firstItem)) * sizeof(Item) +
                         size_t(count - p) * sizeof(Paragraph));
    };
    int drop = 0;
    while (drop < count - 1 && (count - drop > keepParagraphs || bytesFrom(drop) > keepBytes))
        ++drop;
    if (drop == 0) return d;
    const Paragraph& kept = paragraphs_[size_t(drop)];
    const int items = kept.firstItem;
    const quint32 chars = items_[size_t(items)].start;
    // Places and heights hold for every paragraph laid out.
    const int top = drop < laidOut_ ? kept.y : 0;

    for (int i = 0; i < int(slots_.size()); ++i) {
        Slot& slot = slots_[size_t(i)];
        if (slot.paragraph < 0) continue;
        if (slot.paragraph < drop) {
            release(i);
            continue;
        }
        slot.paragraph -= drop;
        for (Piece& piece : slot.pieces) piece.item -= items;
    }
    dropFront(text_, chars);
    dropFront(items_, size_t(items));
    for (Item& item : items_) item.start -= chars;
    dropFront(paragraphs_, size_t(drop));
    for (Paragraph& paragraph : paragraphs_) {
        paragraph.firstItem -= items;
        paragraph.y -= top;
    }
    const auto firstKeptJump = std::lower_bound(jumpItems_.begin(), jumpItems_.end(), items);
    d.jumps = int(firstKeptJump - jumpItems_.begin());
    dropFront(jumpItems_, size_t(d.jumps));
    for (int& jump : jumpItems_) jump -= items;
    firstStale_ = std::max(0, firstStale_ - drop);
    laidOut_ = std::max(0, laidOut_ - drop);
    laidItems_ = std::max(0, laidItems_ - items);
    height_ = laidOut_ > 0 ? std::max(0, height_ - top) : 0;
    d.paragraphs = drop;
    d.items = items;
    return d;
}

void TChatDocument::clear() {
    // Swapped with empty ones: clearing alone would keep their capacity.
    std::vector<QChar>().swap(text_);
    std::vector<Item>().swap(items_);
    std::vector<Paragraph>().swap(paragraphs_);
    std::vector<int>().swap(jumpItems_);
    std::vector<const TChatImageList*>().swap(lists_);
    releaseAll();
    firstStale_ = 0;
    laidOut_ = 0;
    laidItems_ = 0;
    height_ = 0;
}

QString TChatDocument::itemText(const Item& item, int from, int count) const {
    if (item.isPicture()) return {};
    from = std::clamp(from, 0, int(item.length));
    count = std::clamp(count, 0, int(item.length) - from);
    return QString(text_.data() + item.start + from, count);
}

QString TChatDocument::pieceText(const Piece& piece) const {
    const Item& first = item(piece.item);
    if (first.isPicture()) return {};
    return QString(text_.data() + first.start + piece.offset, piece.length);
}

bool TChatDocument::isJump(const Item& item) const {
    return !item.isPicture() && TChatStyleSet::isJumpStyle(item.style);
}

int TChatDocument::jumpNumber(int itemIndex) const {
    const auto found = std::lower_bound(jumpItems_.begin(), jumpItems_.end(), itemIndex);
    if (found == jumpItems_.end() || *found != itemIndex) return -1;
    return int(found - jumpItems_.begin());
}

const QPixmap* TChatDocument::picture(const Item& item) const {
    const TChatImageList* list = item.list < lists_.size() ? lists_[item.list] : nullptr;
    if (!list || item.measure < 0 || item.measure >= list->size()) return nullptr;
    return &list->at(item.measure);
}

QSize TChatDocument::pictureBox(const Item& item) const {
    QSize size(0, 0);
    if (const QPixmap* pixmap = picture(item)) {
        const QSizeF logical = pixmap->deviceIndependentSize();
        size = QSize(std::min(int(std::ceil(logical.width())), kMaxPictureSide),
                     std::min(int(std::ceil(logical.height())), kMaxPictureSide));
    }
    return {size.width() + 2, size.height() + 1};
}

quint16 TChatDocument::refreshFonts(const TChatStyleSet& styles) {
    quint16 changed = 0;
    for (int i = 0; i < TChatStyleSet::kCount; ++i) {
        const TChatTextStyle& style = styles.style(i);
        const FontKey key{style.fontName, style.size, style.bold, style.italic};
        if (keys_[size_t(i)] == key) continue;
        keys_[size_t(i)] = key;
        QFont font(key.family);
        font.setPointSize(key.size);
        font.setBold(key.bold);
        font.setItalic(key.italic);
        fonts_[size_t(i)] = font;
        metrics_[size_t(i)].reset();
        changed |= quint16(1 << i);
    }
    return changed;
}

const QFontMetrics& TChatDocument::metrics(int style) const {
    const auto i = size_t(style);
    if (!metrics_[i]) {
        const QFontMetrics& metrics = metrics_[i].emplace(fonts_[i]);
        above_[i] = std::max(0, metrics.leading()) + metrics.ascent();
        below_[i] = metrics.descent();
    }
    return *metrics_[i];
}

bool TChatDocument::layout(const TChatStyleSet& styles, int lineWidth, int leftMargin) {
    if (const quint16 changed = refreshFonts(styles)) {
        for (Item& item : items_) {
            if (!item.isPicture() && (changed & (1 << item.style))) item.measure = -1;
        }
        for (size_t p = 0; p < paragraphs_.size(); ++p) {
            if (!(paragraphs_[p].styles & changed)) continue;
            paragraphs_[p].stale = true;
            firstStale_ = std::min(firstStale_, int(p));
        }
    }
    if (lineWidth != lineWidth_ || leftMargin != leftMargin_) {
        lineWidth_ = lineWidth;
        leftMargin_ = leftMargin;
        for (Paragraph& paragraph : paragraphs_) paragraph.stale = true;
        firstStale_ = 0;
    }
    const int count = int(paragraphs_.size());
    if (firstStale_ >= count) return false;

    // Everything before the first stale paragraph stays where it is; from there on stale
    // paragraphs are measured again and the rest move.
    laidItems_ = int(items_.size());
    for (int p = firstStale_; p < count; ++p) {
        Paragraph& paragraph = paragraphs_[size_t(p)];
        if (paragraph.stale) {
            if (paragraph.slot >= 0) release(paragraph.slot);
            std::vector<Piece> pieces;
            layoutParagraph(p, pieces);
            paragraph.height = pieces.empty() ? 0 : pieces.back().top + pieces.back().height;
            paragraph.stale = false;
            keep(p, std::move(pieces));
        }
        paragraph.y = p == 0 ? 0 : paragraphs_[size_t(p) - 1].y + paragraphs_[size_t(p) - 1].height;
    }
    height_ = paragraphs_.back().y + paragraphs_.back().height;
    firstStale_ = count;
    laidOut_ = count;
    return true;
}

std::span<const TChatDocument::Piece> TChatDocument::pieces(int paragraph) const {
    if (paragraph < 0 || paragraph >= laidOut_) return {};
    const Paragraph& laid = paragraphs_[size_t(paragraph)];
    if (laid.slot >= 0) {
        Slot& slot = slots_[size_t(laid.slot)];
        slot.used = ++clock_;
        return slot.pieces;
    }
    // The fonts, width and items it was measured with are all still there: laying it out
    // again gives the pieces its height came from.
    std::vector<Piece> pieces;
    layoutParagraph(paragraph, pieces);
    return keep(paragraph, std::move(pieces));
}

std::span<const TChatDocument::Piece> TChatDocument::keep(int paragraph,
                                                          std::vector<Piece>&& pieces) const {
    auto oldest = [&] {
        int found = -1;
        for (int i = 0; i < int(slots_.size()); ++i) {
            const Slot& slot = slots_[size_t(i)];
            if (slot.paragraph >= 0 && (found < 0 || slot.used < slots_[size_t(found)].used))
                found = i;
        }
        return found;
    };
    while (keptPieces_ > 0 && keptPieces_ + pieces.size() > size_t(kKeptPieces)) release(oldest());
    int free = -1;
    for (int i = 0; i < int(slots_.size()) && free < 0; ++i)
        if (slots_[size_t(i)].paragraph < 0) free = i;
    if (free < 0 && slots_.size() < size_t(kKeptParagraphs)) {
        // Reserved whole, so that what pieces() handed out never moves.
        slots_.reserve(size_t(kKeptParagraphs));
        free = int(slots_.size());
        slots_.emplace_back();
    }
    if (free < 0) {
        free = oldest();
        release(free);
    }
    Slot& slot = slots_[size_t(free)];
    slot.paragraph = paragraph;
    slot.used = ++clock_;
    pieces.shrink_to_fit();
    slot.pieces = std::move(pieces);
    keptPieces_ += slot.pieces.size();
    paragraphs_[size_t(paragraph)].slot = free;
    return slot.pieces;
}

void TChatDocument::release(int index) const {
    Slot& slot = slots_[size_t(index)];
    keptPieces_ -= slot.pieces.size();
    paragraphs_[size_t(slot.paragraph)].slot = -1;
    slot.paragraph = -1;
    std::vector<Piece>().swap(slot.pieces);
}

void TChatDocument::releaseAll() {
    for (Paragraph& paragraph : paragraphs_) paragraph.slot = -1;
    std::vector<Slot>().swap(slots_);
    keptPieces_ = 0;
}

void TChatDocument::layoutParagraph(int index, std::vector<Piece>& out) const {
    const int firstItem = paragraphs_[size_t(index)].firstItem;
    // Items added to the last paragraph since the last layout wait for the next one.
    const int endItem = std::min(endItemOf(index), laidItems_);
    const int leftMargin = leftMargin_;
    const int right = leftMargin_ + lineWidth_;
    int x = leftMargin;
    int top = 0;
    int above = 0;
    int below = 0;
    size_t lineFirst = out.size();

    auto lineEmpty = [&] { return out.size() == lineFirst; };
    auto endLine = [&] {
        for (size_t i = lineFirst; i < out.size(); ++i) {
            out[i].top = top;
            out[i].above = qint16(above);
            out[i].height = qint16(above + below);
        }
        top += above + below;
        x = leftMargin;
        above = below = 0;
        lineFirst = out.size();
    };
    auto place = [&](int item, int offset, int length, int width, int pieceAbove, int pieceBelow,
                     bool isPicture) {
        if (isPicture && lineEmpty()) below = 1;
        above = std::max(above, pieceAbove);
        if (!isPicture) below = std::max(below, pieceBelow);
        if (!isPicture && offset == 0 && length > 0 && !lineEmpty()) {
            Piece& previous = out.back();
            const Item& before = items_[size_t(previous.item)];
            const Item& current = items_[size_t(item)];
            if (!before.isPicture() && before.style == current.style && previous.length > 0 &&
                !TChatStyleSet::isJumpStyle(current.style) &&
                before.start + quint32(previous.offset + previous.length) == current.start) {
                previous.length += length;
                previous.width += width;
                x += width;
                return;
            }
        }
        Piece piece;
        piece.item = item;
        piece.offset = offset;
        piece.length = length;
        piece.x = x;
        piece.width = width;
        out.push_back(piece);
        x += width;
    };

    for (int i = firstItem; i < endItem; ++i) {
        const Item& item = items_[size_t(i)];
        if (item.isPicture()) {
            const QSize box = pictureBox(item);
            if (!lineEmpty() && box.width() > right - x) endLine();
            place(i, 0, 1, box.width(), box.height(), 0, true);
            continue;
        }
        const QFontMetrics& metrics = this->metrics(item.style);
        const int pieceAbove = above_[size_t(item.style)];
        const int pieceBelow = below_[size_t(item.style)];
        const QChar* chars = text_.data() + item.start;
        if (item.length == 0) {
            place(i, 0, 0, 0, pieceAbove, pieceBelow, false);
            continue;
        }
        int offset = 0;
        while (offset < item.length) {
            const int remaining = item.length - offset;
            const int space = right - x;
            const QChar* rest = chars + offset;
            // No glyph is narrower than half a pixel, so no more than this can fit; it keeps a
            // very long word from being measured whole on every line it covers.
            const int most =
                std::min(remaining, std::max(0, space) * kCharsPerPixel + kCharsAlwaysMeasured);
            // At least one character always fits. An item longer than a whole line can hold
            // is not measured whole.
            if (offset == 0 && item.measure < 0 && (remaining == 1 || most == remaining))
                item.measure = metrics.horizontalAdvance(view(chars, item.length));
            if (offset == 0 && (remaining == 1 || (most == remaining && item.measure <= space))) {
                place(i, 0, remaining, item.measure, pieceAbove, pieceBelow, false);
                break;
            }
            // Only part fits. A word with no space before its last character cannot be cut at
            // a space, so on a line that holds something it moves down whole, unmeasured.
            const bool spaceInside =
                std::find(rest, rest + remaining - 1, QChar(u' ')) != rest + remaining - 1;
            if (offset == 0 && !spaceInside && !lineEmpty()) {
                endLine();
                continue;
            }
            Fit fit = fittingCount(metrics, rest, most, space);
            if (fit.count == 0) fit = {1, metrics.horizontalAdvance(view(rest, 1))};
            if (fit.count < remaining) {
                const QChar* lastSpace = std::find(std::make_reverse_iterator(rest + fit.count),
                                                   std::make_reverse_iterator(rest), QChar(u' '))
                                             .base();
                int count = fit.count;
                if (lastSpace != rest) {
                    count = int(lastSpace - rest);
                } else if (!lineEmpty()) {
                    endLine();
                    continue;
                } else if (rest[count - 1].isHighSurrogate()) {
                    ++count;  // never split a character in two
                }
                if (count != fit.count) fit = {count, metrics.horizontalAdvance(view(rest, count))};
            }
            const int count = fit.count;
            place(i, offset, count, fit.width, pieceAbove, pieceBelow, false);
            offset += count;
            if (offset < item.length) endLine();
        }
    }
    endLine();
}

int TChatDocument::advance(const Piece& piece, int count) const {
    const Item& it = item(piece.item);
    if (it.isPicture()) return count > 0 ? piece.width : 0;
    count = std::clamp(count, 0, int(piece.length));
    return metrics(it.style).horizontalAdvance(view(text_.data() + it.start + piece.offset, count));
}

int TChatDocument::paragraphAt(int y) const {
    const auto begin = paragraphs_.begin();
    const auto found =
        std::upper_bound(begin, begin + laidOut_, y,
                         [](int value, const Paragraph& p) { return value < p.y + p.height; });
    return int(found - begin);
}

TChatPos TChatDocument::end() const {
    // After the last item laid out: every paragraph holds an item, and its last piece ends
    // with its last item.
    if (laidOut_ == 0 || laidItems_ == 0) return {};
    const Item& last = items_[size_t(laidItems_) - 1];
    return {laidItems_ - 1, last.isPicture() ? 1 : int(last.length)};
}

TChatPos TChatDocument::positionInPiece(const Piece& piece, int chars) const {
    const Item& first = items_[size_t(piece.item)];
    if (first.isPicture()) return {piece.item, chars > 0 ? 1 : 0};
    if (piece.offset + piece.length <= first.length) return {piece.item, piece.offset + chars};
    // A shared piece: every item in it holds characters, so starts tell them apart. Its end
    // belongs to the last item.
    const quint32 at = first.start + quint32(piece.offset + chars);
    const quint32 inside = chars > 0 && chars == piece.length ? at - 1 : at;
    const auto found =
        std::upper_bound(items_.begin() + piece.item, items_.end(), inside,
                         [](quint32 value, const Item& item) { return value < item.start; }) -
        1;
    return {int(found - items_.begin()), int(at - found->start)};
}

qsizetype TChatDocument::textPosition(TChatPos pos) const {
    if (items_.empty()) return 0;
    const Item& it = items_[size_t(std::clamp(pos.item, 0, int(items_.size()) - 1))];
    return qsizetype(it.start) + (it.isPicture() ? 0 : std::clamp(pos.offset, 0, int(it.length)));
}

TChatPos TChatDocument::positionAt(QPoint point, bool nearest) const {
    if (laidOut_ == 0 || point.y() < 0) return {};
    const int p = paragraphAt(point.y());
    if (p >= laidOut_) return end();
    const std::span<const Piece> laid = pieces(p);
    const int y = point.y() - paragraphs_[size_t(p)].y;
    size_t first = 0;
    while (first < laid.size() && y >= laid[first].top + laid[first].height) ++first;
    if (first == laid.size()) return end();
    const int lineTop = laid[first].top;
    size_t i = first;
    for (; i < laid.size() && laid[i].top == lineTop; ++i) {
        const Piece& piece = laid[i];
        if (point.x() < piece.x && i == first) return positionInPiece(piece, 0);
        if (point.x() >= piece.x + piece.width) continue;
        // The character boundary nearest the point.
        const int dx = point.x() - piece.x;
        int low = 0, high = piece.length;
        while (low < high) {
            const int middle = (low + high + 1) / 2;
            if (advance(piece, middle) <= dx)
                low = middle;
            else
                high = middle - 1;
        }
        if (nearest && low < piece.length &&
            advance(piece, low + 1) - dx < dx - advance(piece, low))
            ++low;
        return positionInPiece(piece, low);
    }
    const Piece& last = laid[i - 1];
    return positionInPiece(last, last.length);
}

const TChatDocument::Piece* TChatDocument::pieceAt(QPoint point) const {
    const int p = paragraphAt(point.y());
    if (point.y() < 0 || p >= laidOut_) return nullptr;
    const int y = point.y() - paragraphs_[size_t(p)].y;
    for (const Piece& piece : pieces(p)) {
        if (y >= piece.top && y < piece.top + piece.height && point.x() >= piece.x &&
            point.x() < piece.x + piece.width)
            return &piece;
    }
    return nullptr;
}

std::vector<QRect> TChatDocument::itemBoxes(int itemIndex) const {
    std::vector<QRect> boxes;
    const auto begin = paragraphs_.begin();
    const auto after =
        std::upper_bound(begin, begin + laidOut_, itemIndex,
                         [](int value, const Paragraph& p) { return value < p.firstItem; });
    if (after == begin || itemIndex >= laidItems_) return boxes;
    const int paragraphY = (after - 1)->y;
    for (const Piece& piece : pieces(int(after - begin) - 1)) {
        const int top = paragraphY + piece.top;
        const Item& first = items_[size_t(piece.item)];
        const Item& wanted = items_[size_t(itemIndex)];
        if (first.isPicture() || wanted.length == 0) {
            if (piece.item == itemIndex)
                boxes.emplace_back(piece.x, top, piece.width, piece.height);
            continue;
        }
        if (wanted.isPicture() || piece.item > itemIndex) continue;
        const qsizetype start = qsizetype(first.start) + piece.offset;
        const qsizetype from = std::max(qsizetype(wanted.start), start);
        const qsizetype to =
            std::min(qsizetype(wanted.start) + wanted.length, start + piece.length);
        if (from >= to) continue;
        const int left = advance(piece, int(from - start));
        boxes.emplace_back(piece.x + left, top, advance(piece, int(to - start)) - left,
                           piece.height);
    }
    return boxes;
}

int TChatDocument::paragraphOfItem(int itemIndex) const {
    const auto found =
        std::upper_bound(paragraphs_.begin(), paragraphs_.end(), itemIndex,
                         [](int value, const Paragraph& p) { return value < p.firstItem; });
    return std::max(0, int(found - paragraphs_.begin()) - 1);
}

int TChatDocument::endItemOf(int paragraph) const {
    return size_t(paragraph) + 1 < paragraphs_.size() ? paragraphs_[size_t(paragraph) + 1].firstItem
                                                      : int(items_.size());
}

TChatPos TChatDocument::placeOfCharacter(qsizetype at, int first, int last, bool end) const {
    // Pictures hold no characters; an end belongs to the item it closes, a start to the item
    // it opens, so that a selection never reaches into a neighbouring item it does not touch.
    for (int i = first; i < last; ++i) {
        const Item& it = items_[size_t(i)];
        if (it.isPicture()) continue;
        const qsizetype start = it.start;
        const qsizetype stop = start + it.length;
        if (end ? (at > start && at <= stop) : (at >= start && at < stop))
            return {i, int(at - start)};
    }
    return {first, 0};
}

std::pair<TChatPos, TChatPos> TChatDocument::wordAt(TChatPos pos) const {
    if (items_.empty()) return {};
    pos.item = std::clamp(pos.item, 0, int(items_.size()) - 1);
    const Item& at = items_[size_t(pos.item)];
    if (at.isPicture()) return {{pos.item, 0}, {pos.item, 1}};
    // The run of text items around the place, up to the pictures or paragraph ends around it.
    const int paragraph = paragraphOfItem(pos.item);
    int first = pos.item;
    while (first > paragraphs_[size_t(paragraph)].firstItem &&
           !items_[size_t(first) - 1].isPicture())
        --first;
    int last = pos.item + 1;
    const int paragraphEnd = endItemOf(paragraph);
    while (last < paragraphEnd && !items_[size_t(last)].isPicture()) ++last;
    const qsizetype runStart = items_[size_t(first)].start;
    const qsizetype runEnd =
        qsizetype(items_[size_t(last) - 1].start) + items_[size_t(last) - 1].length;
    const qsizetype place = qsizetype(at.start) + std::clamp(pos.offset, 0, int(at.length));
    if (runEnd == runStart) return {pos, pos};

    // The character after the place was hit; at the run's end, the last one.
    const auto kind = [](QChar c) {
        if (c.isSpace()) return 0;
        return c.isLetterOrNumber() || c == u'_' ? 1 : 2;
    };
    const qsizetype hit = std::min(place, runEnd - 1);
    auto sameKind = [&, want = kind(text_[hit])](qsizetype i) { return kind(text_[i]) == want; };
    qsizetype from = hit;
    while (from > runStart && sameKind(from - 1)) --from;
    qsizetype to = hit + 1;
    while (to < runEnd && sameKind(to)) ++to;
    return {placeOfCharacter(from, first, last, false), placeOfCharacter(to, first, last, true)};
}

std::pair<TChatPos, TChatPos> TChatDocument::paragraphOf(TChatPos pos) const {
    if (items_.empty()) return {};
    const int paragraph = paragraphOfItem(std::clamp(pos.item, 0, int(items_.size()) - 1));
    const int first = paragraphs_[size_t(paragraph)].firstItem;
    const int last = endItemOf(paragraph) - 1;
    return {{first, 0}, {last, int(items_[size_t(last)].length)}};
}

QString TChatDocument::textBetween(TChatPos from, TChatPos to) const {
    QString text;
    if (from >= to || items_.empty()) return text;
    const int last = std::min(to.item, int(items_.size()) - 1);
    for (int i = std::max(from.item, 0); i <= last; ++i) {
        const Item& it = items_[size_t(i)];
        if (i > from.item && !it.continues) text += QStringLiteral("\r\n");
        const int begin = i == from.item ? from.offset : 0;
        const int stop = i == to.item ? to.offset : int(it.length);
        text += itemText(it, begin, stop - begin);
    }
    return text;
}

}  // namespace mb
