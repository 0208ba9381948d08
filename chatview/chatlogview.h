#pragma once
// The chat log view: a read-only, scrolling list of styled text runs and small pictures, with
// clickable jump text, word wrap, mouse selection and plain-text copy. It knows nothing of the
// game or the network; its owner fills it.
//
// This header is the contract the chat and settings code are written against; the
// implementation may add private members and helpers but keeps these public names.
#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <array>
#include <memory>
#include <utility>

class QMenu;
class QTimer;

namespace mb {

class TChatDocument;
struct TChatPiece;
struct TChatPos;

struct TChatTextStyle {
    QString fontName = QStringLiteral("Arial");
    int size = 10;  // points
    QColor color;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// The log keeps the newest paragraphs within both bounds, far more than anybody reads back,
// so that whoever can put lines in it cannot fill the machine's memory.
inline constexpr int kMaxLogParagraphs = 5000;
// Of UTF-16 text, with the few bytes each run, picture and line is recorded in, so that a line
// of many smileys or links counts for what it holds.
inline constexpr qsizetype kMaxLogTextBytes = 8 * 1024 * 1024;

// The 15 numbered text styles of the log and its colours. Styles 4 and 5 are jump styles.
class TChatStyleSet {
public:
    static constexpr int kCount = 15;
    TChatStyleSet();  // the log's built-in styles and colours

    int count() const { return kCount; }
    const TChatTextStyle& style(int index) const;
    // Changes apply to every item of that style at the next layout and paint.
    void setColor(int index, const QColor& color);
    void setBold(int index, bool bold);
    void setSize(int index, int points);
    void setAllSizes(int points);
    static bool isJumpStyle(int index) { return index == 4 || index == 5; }

    QColor background{0xFF, 0xFF, 0xD9};  // 0x00D9FFFF as 0x00BBGGRR
    QColor selectionBackground;           // the desktop's highlight colour
    QColor selectedText{0x80, 0x00, 0x00};

private:
    std::array<TChatTextStyle, kCount> styles_;
};

// Pictures for the log, each with its size in device-independent pixels (the pixmaps carry
// their device pixel ratio, so they stay crisp on HiDPI screens).
using TChatImageList = QList<QPixmap>;

class TChatLogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMargin = 5;         // left and right
    static constexpr int kScrollStepPx = 10;  // raised for very long documents
    static constexpr int kMaxScrollSteps = 30000;
    static constexpr int kDragScrollMs = 100;

    explicit TChatLogView(QWidget* parent = nullptr);
    ~TChatLogView() override;

    TChatStyleSet& styles();
    const TChatStyleSet& styles() const;

    // Appending. Nothing shows until format() lays the items out.
    // Starts a new paragraph. Past kMaxLogParagraphs or kMaxLogTextBytes the oldest paragraphs
    // are dropped whole first (see trimmed).
    void addParagraph(const QString& text, int style);
    void addText(const QString& text, int style);              // continues the current line
    void addPicture(int index, const TChatImageList* images);  // continues the current line
    void clear();  // items, pieces, jumps and selection; jump numbers start again at 0

    // Lays every item out again (reusing whatever cannot have changed) and scrolls to the top.
    void format();
    void selectAll();
    void copy();                   // selection to the clipboard as plain text
    QString selectedText() const;  // what copy() would put there (CR LF between paragraphs)
    bool hasSelection() const;
    int itemCount() const;
    // What the log holds, read-only: its paragraphs, their items and their text.
    const TChatDocument& document() const;
    int scrollStepPixels() const;   // 10, or more for very long documents
    int scrollPosition() const;     // in steps
    int maxScrollPosition() const;  // in steps
    void scrollTo(int step);        // clamped
    void scrollToEnd();
    int documentHeight() const;  // pixels, after the last format()
    // Where an item is drawn since the last format(): one box per piece (its line's top and
    // height), in viewport coordinates; empty when it is not laid out.
    QList<QRect> itemRects(int item) const;

    // The popup menu shown on a right click (the owner fills it).
    void setPopupMenu(QMenu* menu);
    QMenu* popupMenu() const;

signals:
    // Press and release on pieces of the same jump item.
    void jump(int number);
    // A printable key typed while the log has the focus; the log itself takes no text, so its
    // owner may pass it on to where text is typed.
    void textTyped(const QString& text);
    // The oldest `paragraphs` were dropped, and with them the first `jumps` jump numbers: the
    // remaining jumps are numbered from 0 again, so an owner's address list drops as many.
    void trimmed(int paragraphs, int jumps);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void relayout();
    void updateScrollRange();
    int verticalOffset() const;
    int horizontalOffset() const;
    QPoint toDocument(QPoint viewportPoint) const;
    int jumpAt(QPoint viewportPoint) const;  // -1 when not on a jump
    void dragScroll();
    void paintPiece(QPainter& painter, const TChatPiece& piece, int paragraphY) const;
    void selectRange(std::pair<TChatPos, TChatPos> range);

    TChatStyleSet styles_;
    std::unique_ptr<TChatDocument> document_;
    QMenu* popup_ = nullptr;
    QTimer* dragTimer_ = nullptr;
    struct Selection;
    std::unique_ptr<Selection> selection_;
    int step_ = kScrollStepPx;
    int pressedJump_ = -1;
    bool selecting_ = false;
    bool inLayout_ = false;
    bool followEnd_ = false;  // kept at the end through resizes
    bool restoring_ = false;
    QPoint lastMouse_;
    // The last double click, so that a third click soon after and close by selects the line.
    quint64 doubleClickTime_ = 0;
    QPoint doubleClickAt_;
    bool doubleClicked_ = false;
};

}  // namespace mb
