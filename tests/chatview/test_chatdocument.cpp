#include "chatview/chatdocument.h"

#include <QApplication>
#include <QtTest>

using mb::TChatDocument;
using mb::TChatPiece;

namespace {

constexpr int kWidth = 280;
constexpr int kLeft = 5;
constexpr int kLinkStyle = 4;
constexpr int kTextStyle = 6;

QPixmap filled(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::red);
    return pixmap;
}

// Starts a line as the view does, dropping the oldest to stay within the log's bounds.
TChatDocument::Dropped startLine(TChatDocument& document, const QString& text) {
    const TChatDocument::Dropped dropped =
        document.dropOldest(mb::kMaxLogParagraphs - 1,
                            mb::kMaxLogTextBytes - TChatDocument::paragraphBytes(text.size()));
    document.addText(text, kTextStyle, true);
    return dropped;
}

QString wordy(int chars) {
    QString text;
    while (text.size() < chars) text += QStringLiteral("wordy ");
    return text;
}

enum class Line { Words, Links, Pictures };

// About 4,000 characters' worth of one kind, as a chat line of that size arrives.
void addLine(TChatDocument& document, Line kind, int number, const mb::TChatImageList* images) {
    startLine(document, QStringLiteral("Bob chats: "));
    switch (kind) {
        case Line::Words:
            document.addText(wordy(4000), kTextStyle, false);
            break;
        case Line::Links:
            for (int i = 0; i < 200; ++i)
                document.addText(QStringLiteral("www.site%1.example ").arg(number), kLinkStyle,
                                 false);
            break;
        case Line::Pictures:
            for (int i = 0; i < 800; ++i) document.addPicture(i % 2, images);
            break;
    }
}

// A line of everything that wraps: words, a long word, links and pictures of two heights.
void addMixedLine(TChatDocument& document, int number, const mb::TChatImageList* images,
                  bool newParagraph) {
    document.addText(QStringLiteral("Seat%1 chats: ").arg(number % 4), kTextStyle + number % 4,
                     newParagraph);
    document.addText(wordy(40 + number % 90), kTextStyle, false);
    for (int i = 0; i < number % 7; ++i) document.addPicture(i % 2, images);
    document.addText(QStringLiteral("www.example%1.com ").arg(number), kLinkStyle, false);
    if (number % 3 == 0) document.addText(QString(60 + number % 50, u'w'), kTextStyle, false);
    document.addText(QStringLiteral("bye "), kTextStyle + 1, false);
}

std::vector<TChatPiece> laid(const TChatDocument& document, int paragraph) {
    const std::span<const TChatPiece> pieces = document.pieces(paragraph);
    return {pieces.begin(), pieces.end()};
}

std::vector<TChatPiece> shifted(std::span<const TChatPiece> pieces, int items) {
    std::vector<TChatPiece> moved(pieces.begin(), pieces.end());
    for (TChatPiece& piece : moved) piece.item += items;
    return moved;
}

}  // namespace

class ChatDocumentTest : public QObject {
    Q_OBJECT
    mb::TChatStyleSet styles_;
    mb::TChatImageList images_{filled({17, 16}), filled({17, 40})};

private slots:
    // Lines of many pictures hold no text; they must count against the size bound all the
    // same, and what the log holds must stay close to what it keeps.
    void everyKindOfLineKeepsTheBoundAndCostsWhatItHolds_data() {
        QTest::addColumn<Line>("kind");
        QTest::newRow("words") << Line::Words;
        QTest::newRow("links") << Line::Links;
        QTest::newRow("pictures") << Line::Pictures;
    }
    void everyKindOfLineKeepsTheBoundAndCostsWhatItHolds() {
        QFETCH(Line, kind);
        TChatDocument document;
        constexpr int kLines = 1500;  // over 1,000 lines of any kind fill the size bound
        for (int i = 0; i < kLines; ++i) {
            addLine(document, kind, i, &images_);
            // Laid out now and then near the end, so that laid-out lines are dropped too.
            if (i % 50 == 0 && i >= kLines - 400) document.layout(styles_, kWidth, kLeft);
        }
        document.layout(styles_, kWidth, kLeft);
        const qsizetype line = document.contentBytes() / document.paragraphCount();
        QVERIFY(document.contentBytes() <= mb::kMaxLogTextBytes + line);
        QVERIFY(document.contentBytes() >= mb::kMaxLogTextBytes * 7 / 8);
        QVERIFY(document.paragraphCount() < kLines);
        // Pieces are kept only for some lines; the rest is the content and its spare room.
        const qsizetype pieces = qsizetype(TChatDocument::kKeptPieces + 1000) * sizeof(TChatPiece);
        QVERIFY(document.keptPieceCount() <= TChatDocument::kKeptPieces + 1000);
        QVERIFY2(document.heldBytes() <= document.contentBytes() * 5 / 4 + pieces,
                 qPrintable(QStringLiteral("%1 held for %2")
                                .arg(document.heldBytes())
                                .arg(document.contentBytes())));

        // Short lines push the long ones out: what they held is given back as they go.
        for (int i = 0; i < mb::kMaxLogParagraphs + 500; ++i) {
            startLine(document, QStringLiteral("Ann: hi there %1 ").arg(i));
            if (i % 500 == 0) document.layout(styles_, kWidth, kLeft);
        }
        document.layout(styles_, kWidth, kLeft);
        QVERIFY(document.paragraphCount() <= mb::kMaxLogParagraphs);
        QVERIFY(document.contentBytes() < mb::kMaxLogTextBytes / 10);
        QVERIFY2(document.heldBytes() <= 2 * document.contentBytes() + pieces,
                 qPrintable(QStringLiteral("%1 held for %2")
                                .arg(document.heldBytes())
                                .arg(document.contentBytes())));

        document.clear();
        QCOMPARE(document.heldBytes(), qsizetype(0));
        QCOMPARE(document.contentBytes(), qsizetype(0));
        QCOMPARE(document.keptPieceCount(), 0);
    }

    // More lines than pieces are kept for: those laid out again must be the ones each line
    // is laid out into on its own, and fill the height measured for it.
    void piecesLaidOutAgainMatchTheFirstLayout() {
        TChatDocument document;
        constexpr int kLines = TChatDocument::kKeptParagraphs * 2;
        for (int i = 0; i < kLines; ++i) addMixedLine(document, i, &images_, true);
        document.layout(styles_, kWidth, kLeft);
        int bottom = 0;
        for (int p = 0; p < kLines; ++p) {
            TChatDocument alone;
            addMixedLine(alone, p, &images_, true);
            alone.layout(styles_, kWidth, kLeft);
            const TChatDocument::Paragraph& paragraph = document.paragraph(p);
            QCOMPARE(paragraph.y, bottom);
            QCOMPARE(paragraph.height, alone.height());
            const std::span<const TChatPiece> pieces = document.pieces(p);
            QVERIFY(!pieces.empty());
            QCOMPARE(pieces.back().top + pieces.back().height, paragraph.height);
            QCOMPARE(shifted(alone.pieces(0), paragraph.firstItem),
                     std::vector<TChatPiece>(pieces.begin(), pieces.end()));
            bottom += paragraph.height;
        }
        QCOMPARE(document.height(), bottom);
        QVERIFY(document.keptPieceCount() <= TChatDocument::kKeptPieces);

        // The newest line gains items that wait for the next layout: until then it is laid
        // out again as it was measured, however often its pieces are given up.
        const int last = kLines - 1;
        const std::vector<TChatPiece> before = laid(document, last);
        const mb::TChatPos end = document.end();
        document.addText(wordy(300), kTextStyle, false);
        document.addPicture(1, &images_);
        for (int p = 0; p < last; ++p) document.pieces(p);
        QCOMPARE(laid(document, last), before);
        QCOMPARE(document.end(), end);
        QVERIFY(document.itemBoxes(document.itemCount() - 1).empty());
        document.layout(styles_, kWidth, kLeft);
        QVERIFY(document.pieces(last).size() > before.size());
        QCOMPARE(document.end(), (mb::TChatPos{document.itemCount() - 1, 1}));
    }

    // A style whose font changes after a layout is measured again, in that font, at the next
    // one; a style no line uses can change without a line being laid out again.
    void aStyleChangedAfterALayoutIsMeasuredAgain() {
        mb::TChatStyleSet styles = styles_;
        const auto fresh = [&](const mb::TChatStyleSet& set) {
            TChatDocument alone;
            startLine(alone, wordy(200));
            alone.layout(set, kWidth, kLeft);
            return alone.height();
        };
        TChatDocument document;
        startLine(document, wordy(200));
        document.layout(styles, kWidth, kLeft);
        const int small = document.height();
        QCOMPARE(small, fresh(styles));

        styles.setSize(kTextStyle, styles.style(kTextStyle).size * 2);
        QVERIFY(document.layout(styles, kWidth, kLeft));
        QVERIFY(document.height() > small);
        QCOMPARE(document.height(), fresh(styles));
        styles.setBold(kTextStyle, true);
        QVERIFY(document.layout(styles, kWidth, kLeft));
        QCOMPARE(document.height(), fresh(styles));

        styles = styles_;
        QVERIFY(document.layout(styles, kWidth, kLeft));
        QCOMPARE(document.height(), small);
        styles.setSize(kLinkStyle, 30);
        QVERIFY(!document.layout(styles, kWidth, kLeft));
        QCOMPARE(document.height(), small);
    }

    // Lines that stay after a drop keep their kept pieces, renumbered, and their links.
    void keptPiecesAndJumpsFollowTheirLinesThroughADrop() {
        TChatDocument document;
        for (int i = 0; i < 400; ++i) addMixedLine(document, i, &images_, true);
        document.layout(styles_, kWidth, kLeft);
        const int last = document.paragraphCount() - 1;
        const std::vector<TChatPiece> newest = laid(document, last);
        const auto link = std::find_if(newest.begin(), newest.end(), [&](const TChatPiece& piece) {
            return document.isJump(document.item(piece.item));
        });
        QVERIFY(link != newest.end());
        const int jump = document.jumpNumber(link->item);

        const TChatDocument::Dropped dropped = document.dropOldest(150, mb::kMaxLogTextBytes);
        QVERIFY(dropped.paragraphs >= 250);
        QCOMPARE(dropped.jumps, dropped.paragraphs);  // one link a line
        const int moved = last - dropped.paragraphs;
        QCOMPARE(laid(document, moved), shifted(newest, -dropped.items));
        const int linkItem = link->item - dropped.items;
        QCOMPARE(document.jumpNumber(linkItem), jump - dropped.jumps);
        QCOMPARE(document.itemText(document.item(linkItem), 0, 100),
                 QStringLiteral("www.example399.com "));
        QCOMPARE(document.paragraph(0).y, 0);
        const TChatPiece* hit =
            document.pieceAt({link->x + 1, document.paragraph(moved).y + link->top + 1});
        QVERIFY(hit);
        QCOMPARE(hit->item, linkItem);
        // Lines laid out before the drop and laid out again after it agree.
        for (int p = 0; p < document.paragraphCount(); ++p) {
            TChatDocument alone;
            addMixedLine(alone, p + dropped.paragraphs, &images_, true);
            alone.layout(styles_, kWidth, kLeft);
            QCOMPARE(laid(document, p), shifted(alone.pieces(0), document.paragraph(p).firstItem));
        }
    }
};

QTEST_MAIN(ChatDocumentTest)
#include "test_chatdocument.moc"
