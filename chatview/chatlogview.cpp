#include "chatview/chatlogview.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimer>
#include <algorithm>

#include "chatview/chatdocument.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace mb {

namespace {

constexpr int kPageSteps = 10;
constexpr int kMinPoints = 1;
constexpr int kMaxPoints = 400;
constexpr int kSelectedPictureAlpha = 128;
constexpr qsizetype kLargeLogBytes = 1 << 20;

int clampStyle(int index) {
    return std::clamp(index, 0, TChatStyleSet::kCount - 1);
}
bool validStyle(int index) {
    return index >= 0 && index < TChatStyleSet::kCount;
}

}  // namespace

TChatStyleSet::TChatStyleSet() {
    const QPalette palette = qGuiApp ? QGuiApplication::palette() : QPalette();
    const QColor blue(0, 0, 0xFF), navy(0, 0, 0x80), maroon(0x80, 0, 0), green(0, 0x80, 0),
        silver(0xC0, 0xC0, 0xC0);
    const QColor windowText = qGuiApp ? palette.color(QPalette::WindowText) : QColor(Qt::black);
    for (int i = 0; i < kCount; ++i) styles_[size_t(i)].color = windowText;
    styles_[0].color = blue;
    styles_[1].color = blue;
    styles_[1].bold = true;
    styles_[2].color = navy;
    styles_[2].bold = true;
    styles_[3].color = maroon;
    styles_[3].italic = true;
    for (int jump : {4, 5}) {
        styles_[size_t(jump)].color = green;
        styles_[size_t(jump)].underline = true;
    }
    styles_[6].color = silver;
    styles_[7].color = silver;
    selectionBackground = qGuiApp ? palette.color(QPalette::Highlight) : QColor(0, 0x78, 0xD7);
}

const TChatTextStyle& TChatStyleSet::style(int index) const {
    return styles_[size_t(clampStyle(index))];
}

void TChatStyleSet::setColor(int index, const QColor& color) {
    if (validStyle(index)) styles_[size_t(index)].color = color;
}

void TChatStyleSet::setBold(int index, bool bold) {
    if (validStyle(index)) styles_[size_t(index)].bold = bold;
}

void TChatStyleSet::setSize(int index, int points) {
    if (validStyle(index)) styles_[size_t(index)].size = std::clamp(points, kMinPoints, kMaxPoints);
}

void TChatStyleSet::setAllSizes(int points) {
    for (int i = 0; i < kCount; ++i) setSize(i, points);
}

struct TChatLogView::Selection {
    TChatPos anchor;
    TChatPos cursor;
    TChatPos from() const { return std::min(anchor, cursor); }
    TChatPos to() const { return std::max(anchor, cursor); }
    bool empty() const { return anchor == cursor; }
};

TChatLogView::TChatLogView(QWidget* parent)
    : QAbstractScrollArea(parent),
      document_(std::make_unique<TChatDocument>()),
      selection_(std::make_unique<Selection>()) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    dragTimer_ = new QTimer(this);
    dragTimer_->setInterval(kDragScrollMs);
    connect(dragTimer_, &QTimer::timeout, this, &TChatLogView::dragScroll);
    updateScrollRange();
}

TChatLogView::~TChatLogView() = default;

TChatStyleSet& TChatLogView::styles() {
    return styles_;
}
const TChatStyleSet& TChatLogView::styles() const {
    return styles_;
}

void TChatLogView::addParagraph(const QString& text, int style) {
    const TChatDocument::Dropped dropped = document_->dropOldest(
        kMaxLogParagraphs - 1, kMaxLogTextBytes - TChatDocument::paragraphBytes(text.size()));
    if (dropped.paragraphs > 0) {
        // A selection reaching into what was dropped is gone; one below it moves up.
        Selection& s = *selection_;
        if (s.from().item < dropped.items) {
            s = {};
        } else {
            s.anchor.item -= dropped.items;
            s.cursor.item -= dropped.items;
        }
        pressedJump_ = -1;
        emit trimmed(dropped.paragraphs, dropped.jumps);
    }
    document_->addText(text, style, true);
}

void TChatLogView::addText(const QString& text, int style) {
    document_->addText(text, style, false);
}

void TChatLogView::addPicture(int index, const TChatImageList* images) {
    document_->addPicture(index, images);
}

void TChatLogView::clear() {
    const bool large = document_->heldBytes() >= kLargeLogBytes;
    document_->clear();
#ifdef __GLIBC__
    // The allocator keeps what a large log freed for later use in the middle of its heap;
    // the reader who cleared the log expects the memory back. Once the event loop runs
    // again, so that what the owner kept about the lines (their addresses) is freed too.
    if (large) QTimer::singleShot(0, qApp, [] { malloc_trim(0); });
#else
    Q_UNUSED(large);
#endif
    *selection_ = {};
    pressedJump_ = -1;
    selecting_ = false;
    dragTimer_->stop();
    updateScrollRange();
    viewport()->update();
}

void TChatLogView::format() {
    relayout();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    followEnd_ = false;
}

void TChatLogView::relayout() {
    inLayout_ = true;
    const int width = viewport()->width();
    document_->layout(styles_, width - 2 * kMargin, kMargin);
    updateScrollRange();
    // Showing or hiding the scroll bar changed the room for the lines: once more.
    if (viewport()->width() != width) {
        document_->layout(styles_, viewport()->width() - 2 * kMargin, kMargin);
        updateScrollRange();
    }
    inLayout_ = false;
    viewport()->update();
}

void TChatLogView::updateScrollRange() {
    const int height = document_->height();
    step_ = kScrollStepPx;
    if (height / kScrollStepPx > kMaxScrollSteps)
        step_ = (height + kMaxScrollSteps - 1) / kMaxScrollSteps;
    const int view = viewport()->height();
    const int maximum = height > view ? (height - view + step_ - 1) / step_ : 0;
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(1);
    bar->setPageStep(std::max(1, view / step_));
    bar->setRange(0, maximum);
    // The scroll area shows or hides its bar through a queued call; run it now, so the view
    // knows its final width before it is painted.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    // Lines are as wide as the view, so there is nothing to scroll sideways.
    horizontalScrollBar()->setRange(0, 0);
}

void TChatLogView::selectAll() {
    const int count = document_->itemCount();
    if (count == 0) return;
    selection_->anchor = {};
    selection_->cursor = {count - 1, int(document_->item(count - 1).length)};
    viewport()->update();
}

QString TChatLogView::selectedText() const {
    if (selection_->empty()) return {};
    return document_->textBetween(selection_->from(), selection_->to());
}

bool TChatLogView::hasSelection() const {
    return !selection_->empty();
}

void TChatLogView::copy() {
    if (!hasSelection()) return;
    QGuiApplication::clipboard()->setText(selectedText());
}

const TChatDocument& TChatLogView::document() const {
    return *document_;
}

int TChatLogView::itemCount() const {
    return document_->itemCount();
}
int TChatLogView::scrollStepPixels() const {
    return step_;
}
int TChatLogView::scrollPosition() const {
    return verticalScrollBar()->value();
}
int TChatLogView::maxScrollPosition() const {
    return verticalScrollBar()->maximum();
}
void TChatLogView::scrollTo(int step) {
    verticalScrollBar()->setValue(step);
}
void TChatLogView::scrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    followEnd_ = true;
}
int TChatLogView::documentHeight() const {
    return document_->height();
}
QList<QRect> TChatLogView::itemRects(int item) const {
    QList<QRect> rects;
    const QPoint offset(horizontalOffset(), verticalOffset());
    for (const QRect& box : document_->itemBoxes(item)) rects.append(box.translated(-offset));
    return rects;
}

void TChatLogView::setPopupMenu(QMenu* menu) {
    popup_ = menu;
}
QMenu* TChatLogView::popupMenu() const {
    return popup_;
}

int TChatLogView::verticalOffset() const {
    return verticalScrollBar()->value() * step_;
}
int TChatLogView::horizontalOffset() const {
    return horizontalScrollBar()->value() * step_;
}

QPoint TChatLogView::toDocument(QPoint viewportPoint) const {
    return viewportPoint + QPoint(horizontalOffset(), verticalOffset());
}

int TChatLogView::jumpAt(QPoint viewportPoint) const {
    if (!viewport()->rect().contains(viewportPoint)) return -1;
    const TChatDocument::Piece* piece = document_->pieceAt(toDocument(viewportPoint));
    return piece ? document_->jumpNumber(piece->item) : -1;
}

void TChatLogView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), styles_.background);
    const QPoint offset(horizontalOffset(), verticalOffset());
    const QRect area = event->rect().translated(offset);
    painter.translate(-offset);
    const TChatDocument& document = *document_;
    for (int p = document.paragraphAt(area.top()); p < document.laidOutParagraphs(); ++p) {
        const TChatDocument::Paragraph& paragraph = document.paragraph(p);
        if (paragraph.y > area.bottom()) break;
        for (const TChatDocument::Piece& piece : document.pieces(p)) {
            const int top = paragraph.y + piece.top;
            if (top > area.bottom() || top + piece.height <= area.top()) continue;
            paintPiece(painter, piece, paragraph.y);
        }
    }
}

void TChatLogView::paintPiece(QPainter& painter, const TChatPiece& piece, int paragraphY) const {
    const TChatDocument& document = *document_;
    const TChatDocument::Item& item = document.item(piece.item);
    const int top = paragraphY + piece.top;
    const int baseline = top + piece.above;

    if (item.isPicture()) {
        const bool selected = !selection_->empty() &&
                              selection_->from() <= TChatPos{piece.item, 0} &&
                              TChatPos{piece.item, 1} <= selection_->to();
        const QRect box(piece.x, top, piece.width, piece.height);
        if (const QPixmap* pixmap = document.picture(item)) {
            const int height = document.pictureBox(item).height() - 1;
            painter.drawPixmap(QPoint(piece.x + 1, baseline - height), *pixmap);
        }
        if (selected) {
            QColor blend = styles_.selectionBackground;
            blend.setAlpha(kSelectedPictureAlpha);
            painter.fillRect(box, blend);
        }
        return;
    }

    int selectedFrom = 0, selectedTo = 0;
    if (!selection_->empty()) {
        const qsizetype start = qsizetype(item.start) + piece.offset;
        const auto clampToPiece = [&](qsizetype at) {
            return int(std::clamp<qsizetype>(at - start, 0, piece.length));
        };
        selectedFrom = clampToPiece(document.textPosition(selection_->from()));
        selectedTo = clampToPiece(document.textPosition(selection_->to()));
    }
    const TChatTextStyle& style = styles_.style(item.style);
    QFont font = document.font(item.style);
    font.setUnderline(style.underline);
    painter.setFont(font);
    const QString text = document.pieceText(piece);
    painter.setPen(style.color);
    painter.drawText(QPoint(piece.x, baseline), text);
    if (selectedTo > selectedFrom) {
        // Up to the piece's own edges, so that no seam shows between marked pieces.
        const int left = piece.x + (selectedFrom == 0 ? 0 : document.advance(piece, selectedFrom));
        const int right =
            piece.x +
            (selectedTo == piece.length ? piece.width : document.advance(piece, selectedTo));
        const QRect marked(left, top, right - left, piece.height);
        painter.save();
        painter.setClipRect(marked);
        painter.fillRect(marked, styles_.selectionBackground);
        painter.setPen(styles_.selectedText);
        painter.drawText(QPoint(piece.x, baseline), text);
        painter.restore();
    }
}

void TChatLogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (inLayout_) return;
    // A log kept at its end stays there, also when it was filled before it was first shown.
    const bool follow = followEnd_;
    const int pixels = verticalOffset();
    const bool restoring = std::exchange(restoring_, true);
    if (viewport()->width() - 2 * kMargin == document_->lineWidth()) updateScrollRange();
    if (viewport()->width() - 2 * kMargin != document_->lineWidth()) relayout();
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(follow ? bar->maximum() : pixels / step_);
    restoring_ = restoring;
    followEnd_ = follow;
}

void TChatLogView::scrollContentsBy(int, int) {
    if (!inLayout_ && !restoring_) {
        const QScrollBar* bar = verticalScrollBar();
        followEnd_ = bar->maximum() > 0 && bar->value() == bar->maximum();
    }
    viewport()->update();
}

void TChatLogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    lastMouse_ = event->position().toPoint();
    const QStyleHints* hints = QGuiApplication::styleHints();
    if (std::exchange(doubleClicked_, false) &&
        event->timestamp() - doubleClickTime_ <= quint64(hints->mouseDoubleClickInterval()) &&
        (lastMouse_ - doubleClickAt_).manhattanLength() < hints->startDragDistance()) {
        // A triple click: the whole line, and no jump.
        pressedJump_ = -1;
        selectRange(document_->paragraphOf(document_->positionAt(toDocument(lastMouse_))));
        return;
    }
    pressedJump_ = jumpAt(lastMouse_);
    const TChatPos at = document_->positionAt(toDocument(lastMouse_));
    selection_->anchor = at;
    selection_->cursor = at;
    selecting_ = true;
    dragTimer_->start();
    viewport()->update();
}

void TChatLogView::mouseMoveEvent(QMouseEvent* event) {
    lastMouse_ = event->position().toPoint();
    if (jumpAt(lastMouse_) >= 0)
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
    if (!selecting_) return;
    selection_->cursor = document_->positionAt(toDocument(lastMouse_));
    viewport()->update();
}

void TChatLogView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !selecting_) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    lastMouse_ = event->position().toPoint();
    selecting_ = false;
    dragTimer_->stop();
    selection_->cursor = document_->positionAt(toDocument(lastMouse_));
    viewport()->update();
    const int pressed = std::exchange(pressedJump_, -1);
    // Raised last: the owner may clear the log in its handler.
    if (pressed >= 0 && jumpAt(lastMouse_) == pressed) emit jump(pressed);
}

void TChatLogView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    lastMouse_ = event->position().toPoint();
    doubleClicked_ = true;
    doubleClickTime_ = event->timestamp();
    doubleClickAt_ = lastMouse_;
    // The first click of the pair has raised its jump already; the second one raises none.
    pressedJump_ = -1;
    selectRange(document_->wordAt(document_->positionAt(toDocument(lastMouse_), false)));
}

void TChatLogView::selectRange(std::pair<TChatPos, TChatPos> range) {
    selecting_ = false;
    dragTimer_->stop();
    selection_->anchor = range.first;
    selection_->cursor = range.second;
    viewport()->update();
}

void TChatLogView::dragScroll() {
    if (!selecting_) return;
    QScrollBar* bar = verticalScrollBar();
    const int height = viewport()->height();
    if (lastMouse_.y() < 0)
        bar->setValue(bar->value() - 1);
    else if (lastMouse_.y() >= height)
        bar->setValue(bar->value() + 1);
    else
        return;
    const QPoint inside(lastMouse_.x(), std::clamp(lastMouse_.y(), 0, std::max(0, height - 1)));
    selection_->cursor = document_->positionAt(toDocument(inside));
    viewport()->update();
}

void TChatLogView::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (control && (event->key() == Qt::Key_C || event->key() == Qt::Key_Insert)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    // Text typed here is meant for the entry box; keys with Ctrl, Alt or Meta are commands.
    const QString text = event->text();
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (!text.isEmpty() && !(event->modifiers() & commands) &&
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); })) {
        emit textTyped(text);
        return;
    }
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    switch (event->key()) {
        case Qt::Key_PageUp:
            vertical->setValue(vertical->value() - kPageSteps);
            break;
        case Qt::Key_PageDown:
            vertical->setValue(vertical->value() + kPageSteps);
            break;
        case Qt::Key_Up:
            vertical->setValue(vertical->value() - 1);
            break;
        case Qt::Key_Down:
            vertical->setValue(vertical->value() + 1);
            break;
        case Qt::Key_Home:
            vertical->setValue(0);
            break;
        case Qt::Key_End:
            vertical->setValue(vertical->maximum());
            break;
        case Qt::Key_Left:
            horizontal->setValue(horizontal->value() - 1);
            break;
        case Qt::Key_Right:
            horizontal->setValue(horizontal->value() + 1);
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
}

void TChatLogView::contextMenuEvent(QContextMenuEvent* event) {
    if (popup_) popup_->popup(event->globalPos());
}

}  // namespace mb
