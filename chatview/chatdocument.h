#pragma once
// The chat log's content and its laid-out pieces, without any widget. A layout measures only
// paragraphs whose line width or fonts changed since, so adding a line to a long log costs the
// same as adding it to a short one. Each paragraph keeps its place and height; the pieces it is
// drawn in are kept only for the paragraphs used lately (those on screen, in practice) and laid
// out again when asked for, so a paragraph costs about what its text and items take.
#include <QFont>
#include <QFontMetrics>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <compare>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "chatview/chatlogview.h"

namespace mb {

// A place in the log: an item and a character offset in it (0 or 1 for a picture).
struct TChatPos {
    int item = 0;
    int offset = 0;
    auto operator<=>(const TChatPos&) const = default;
};

// One drawn run: positions relative to the paragraph's top and the view's left edge. Whole
// text items of one plain style that follow each other on a line share one piece, since their
// characters lie side by side in the log's text.
struct TChatPiece {
    qint32 item = 0;
    qint32 offset = 0;
    qint32 length = 0;
    qint32 x = 0;
    qint32 width = 0;
    qint32 top = 0;     // the line's top
    qint16 above = 0;   // the line's baseline below its top
    qint16 height = 0;  // the line's height
    bool operator==(const TChatPiece&) const = default;
};

class TChatDocument {
public:
    static constexpr int kPictureStyle = -1;

    struct Item {
        quint32 start = 0;  // first character in the log's text (a picture holds none)
        qint32 length = 0;  // characters; 1 for a picture, so it can be selected
        // Text: its width in its style's font, -1 until measured (a layout measures only what
        // might fit on a line); picture: its index in its image list.
        mutable qint32 measure = -1;
        qint8 style = 0;  // kPictureStyle for a picture
        bool continues = false;
        quint16 list = 0;  // picture: which of the image lists seen
        bool isPicture() const { return style == kPictureStyle; }
    };

    using Piece = TChatPiece;

    struct Paragraph {
        qint32 firstItem = 0;
        qint32 y = 0;
        qint32 height = 0;
        mutable qint32 slot = -1;  // where its pieces are kept, -1 when they are not
        quint16 styles = 0;        // one bit per style used, the top bit for pictures
        bool stale = true;
    };

    // Laid-out pieces are kept for at most this many paragraphs and, beyond the paragraph
    // asked for last, this many pieces: far more than a screen shows.
    static constexpr int kKeptParagraphs = 256;
    static constexpr int kKeptPieces = 16384;

    void addText(const QString& text, int style, bool newParagraph);
    void addPicture(int index, const TChatImageList* images);
    // Gives all memory back.
    void clear();

    // What dropOldest took away.
    struct Dropped {
        int paragraphs = 0;
        int items = 0;
        int jumps = 0;
    };
    // Drops the oldest paragraphs whole while more than `maxParagraphs` remain or they take
    // more than `maxBytes` (see contentBytes), down to a sixteenth below either bound so that
    // moving what stays is shared by many lines. The newest paragraph always stays. Items and
    // jumps are renumbered from 0; laid-out paragraphs keep their pieces and move up.
    Dropped dropOldest(int maxParagraphs, qsizetype maxBytes);
    int paragraphCount() const { return int(paragraphs_.size()); }
    qsizetype textSize() const { return qsizetype(text_.size()); }
    // What the content takes: its UTF-16 text and the records of its items and paragraphs,
    // so that a line of many pictures or links counts for what it holds.
    qsizetype contentBytes() const;
    // What a new paragraph of `chars` characters in one item adds to contentBytes.
    static qsizetype paragraphBytes(qsizetype chars);
    // Bytes held for the content, spare room included, and for the kept pieces.
    qsizetype heldBytes() const;
    int keptPieceCount() const { return int(keptPieces_); }

    // Lays out what changed since the last call; returns whether anything was laid out.
    bool layout(const TChatStyleSet& styles, int lineWidth, int leftMargin);

    int itemCount() const { return int(items_.size()); }
    const Item& item(int index) const { return items_[size_t(index)]; }
    QString itemText(const Item& item, int from, int count) const;
    QString pieceText(const Piece& piece) const;
    int jumpNumber(int itemIndex) const;  // -1 when the item is not a jump
    bool isJump(const Item& item) const;

    int height() const { return height_; }
    int lineWidth() const { return lineWidth_; }
    int laidOutParagraphs() const { return laidOut_; }
    const Paragraph& paragraph(int index) const { return paragraphs_[size_t(index)]; }
    // The pieces of a laid-out paragraph (none for one that is not), laid out again if they
    // were not kept. Valid until the next call that lays out or changes the content.
    std::span<const Piece> pieces(int paragraph) const;
    const QFont& font(int style) const { return fonts_[size_t(style)]; }
    // Measured at first use: loading a font costs about a millisecond, and most styles have no
    // line in a fresh log.
    const QFontMetrics& metrics(int style) const;
    const QPixmap* picture(const Item& item) const;
    QSize pictureBox(const Item& item) const;  // the picture with its margins

    // The first laid-out paragraph whose bottom lies below y.
    int paragraphAt(int y) const;
    // The character boundary nearest the point, or (nearest false) the one in front of the
    // character under it.
    TChatPos positionAt(QPoint point, bool nearest = true) const;
    const Piece* pieceAt(QPoint point) const;  // null when the point is on no piece; as pieces()
    // The item and offset of a character boundary inside a piece (0 to its length).
    TChatPos positionInPiece(const Piece& piece, int chars) const;
    // The characters of the log a place stands before.
    qsizetype textPosition(TChatPos pos) const;
    std::vector<QRect> itemBoxes(int itemIndex) const;
    TChatPos end() const;
    // The word holding the character after a place, as a double click selects it: letters and
    // digits, or a run of other characters, bounded by spaces, pictures and the paragraph's ends. A
    // picture is a word of its own. Empty (from == to) when the log is empty.
    std::pair<TChatPos, TChatPos> wordAt(TChatPos pos) const;
    // The whole paragraph (one log line) holding a place, as a triple click selects it.
    std::pair<TChatPos, TChatPos> paragraphOf(TChatPos pos) const;
    // Plain text between two places: CR LF before each further item that starts a paragraph.
    QString textBetween(TChatPos from, TChatPos to) const;
    // Width of the first count characters of a piece in its font.
    int advance(const Piece& piece, int count) const;

private:
    struct FontKey {
        QString family;
        int size = 0;
        bool bold = false;
        bool italic = false;
        bool operator==(const FontKey&) const = default;
    };

    quint16 refreshFonts(const TChatStyleSet& styles);
    int paragraphOfItem(int itemIndex) const;
    int endItemOf(int paragraph) const;
    // The place in front of (or, for `end`, after) character `at` of the log's text, among the
    // text items from `first` to before `last`.
    TChatPos placeOfCharacter(qsizetype at, int first, int last, bool end) const;
    void layoutParagraph(int index, std::vector<Piece>& out) const;
    void startItem(bool newParagraph, int styleBit);
    // Keeping pieces: a slot per kept paragraph, the least lately used given up first.
    struct Slot {
        int paragraph = -1;  // -1 when free
        quint32 used = 0;
        std::vector<Piece> pieces;
    };
    std::span<const Piece> keep(int paragraph, std::vector<Piece>&& pieces) const;
    void release(int slot) const;
    void releaseAll();

    std::vector<QChar> text_;
    std::vector<Item> items_;
    std::vector<Paragraph> paragraphs_;
    std::vector<int> jumpItems_;  // item indices of jump items, in order
    mutable std::vector<Slot> slots_;
    mutable size_t keptPieces_ = 0;
    mutable quint32 clock_ = 0;
    std::vector<const TChatImageList*> lists_;
    std::array<std::optional<FontKey>, TChatStyleSet::kCount> keys_;
    std::array<QFont, TChatStyleSet::kCount> fonts_;
    mutable std::array<std::optional<QFontMetrics>, TChatStyleSet::kCount> metrics_;
    mutable std::array<int, TChatStyleSet::kCount> above_{};  // leading and ascent
    mutable std::array<int, TChatStyleSet::kCount> below_{};  // descent
    int lineWidth_ = -1;
    int leftMargin_ = 0;
    int firstStale_ = 0;
    int laidOut_ = 0;
    int laidItems_ = 0;  // items there were at the last layout: later ones are not laid out
    int height_ = 0;
};

}  // namespace mb
