#include "chatview/chatlogview.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleHints>
#include <QtTest>

using mb::TChatLogView;

namespace {

constexpr int kLeft = TChatLogView::kMargin;
const QColor kRed(255, 0, 0), kGreen(0, 200, 0);

QPixmap filled(QSize size, const QColor& colour) {
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

struct ShownView {
    TChatLogView view;
    explicit ShownView(QSize size = {300, 200}) {
        view.resize(size);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    int right() const { return view.viewport()->width() - kLeft; }
    QRect rect(int item, int piece = 0) const { return view.itemRects(item).value(piece); }
    QPoint inside(int item, int piece = 0) const { return rect(item, piece).center(); }
};

// Lowest row of an area holding a pixel close to the colour.
int lowestRow(const QImage& image, const QRect& area, const QColor& colour) {
    for (int y = area.bottom(); y >= area.top(); --y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <
                60)
                return y;
        }
    }
    return -1;
}

void addChatLines(TChatLogView& view, int first, int count, const mb::TChatImageList* smileys) {
    for (int i = first; i < first + count; ++i) {
        view.addParagraph(QStringLiteral("Seat%1 chats: ").arg(i % 4), 6 + i % 4);
        view.addText(QStringLiteral("hello "), 6 + i % 4);
        if (i % 3 == 0) view.addPicture(i % 2, smileys);
        if (i % 5 == 0) view.addText(QStringLiteral("www.example.com "), 4);
        view.addText(QStringLiteral("there number %1 ").arg(i), 6 + i % 4);
    }
}

// A left button event at a given time: QTest keeps its own clock, which would make every
// second click a late one.
void sendClick(QWidget* viewport, QEvent::Type type, QPoint at, quint64 time) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, held, {});
    event.setTimestamp(time);
    QApplication::sendEvent(viewport, &event);
}

// Two clicks as the platform reports them: the second press is followed by a double click.
void doubleClick(QWidget* viewport, QPoint at, quint64 time) {
    sendClick(viewport, QEvent::MouseButtonPress, at, time);
    sendClick(viewport, QEvent::MouseButtonRelease, at, time + 10);
    sendClick(viewport, QEvent::MouseButtonPress, at, time + 100);
    sendClick(viewport, QEvent::MouseButtonDblClick, at, time + 100);
    sendClick(viewport, QEvent::MouseButtonRelease, at, time + 110);
}

}  // namespace

class ChatLogViewTest : public QObject {
    Q_OBJECT
    mb::TChatImageList smileys_{filled({17, 16}, kRed), filled({17, 40}, kGreen)};

private slots:
    void logKeepsItsBoundAndJumpsKeepTheirAddresses() {
        // Wide, so that the long lines wrap less often: measuring where they wrap is what
        // takes the time here.
        ShownView s({1600, 200});
        QStringList addresses;  // as an owner keeps them, by jump number
        connect(&s.view, &TChatLogView::trimmed, &s.view, [&](int, int jumps) {
            addresses.remove(0, std::min<qsizetype>(jumps, addresses.size()));
        });
        QSignalSpy jumps(&s.view, &TChatLogView::jump);
        QString words;
        while (words.size() < 4000) words += QStringLiteral("wordy ");
        constexpr int kLines = 20'000;
        int selectedLine = -1;
        for (int i = 0; i < kLines; ++i) {
            s.view.addParagraph(QStringLiteral("Ann: "), 6);
            const QString address = QStringLiteral("www.site%1.example ").arg(i);
            addresses.append(address);
            s.view.addText(address, 4);
            s.view.addText(words, 6);
            if (i % 5000 == 4999) {
                // Laid out once early, so that the drops after it move laid-out lines up;
                // laying out more often would only repeat that.
                if (i == 4999) s.view.format();
                QVERIFY(s.view.itemCount() <= 3 * mb::kMaxLogParagraphs);
            }
            // A selection of the newest line survives later drops, moved with its line.
            if (i == kLines - 10) {
                s.view.format();
                selectedLine = i;
                s.view.selectAll();
            }
        }
        s.view.format();
        const int kept = s.view.itemCount() / 3;
        QVERIFY(kept <= mb::kMaxLogParagraphs);
        // About 1,000 lines of 4 KB fill the text bound.
        QVERIFY(kept >= mb::kMaxLogTextBytes / 2 / (words.size() + 40) * 7 / 8);
        QCOMPARE(addresses.size(), kept);
        // selectAll was cut back to what stayed, or dropped: either way it holds no dropped text.
        QVERIFY(!s.view.selectedText().contains(
            QStringLiteral("www.site%1.").arg(selectedLine - kept)));
        s.view.selectAll();
        QVERIFY(s.view.selectedText().size() <= mb::kMaxLogTextBytes / 2);
        QVERIFY(s.view.selectedText().startsWith(
            QStringLiteral("Ann: www.site%1.example ").arg(kLines - kept)));

        // The first kept line's link and the newest one's open their own addresses.
        auto click = [&](int item) {
            QRect r = s.view.itemRects(item).value(0);
            s.view.scrollTo(s.view.scrollPosition() + r.top() / s.view.scrollStepPixels());
            r = s.view.itemRects(item).value(0);
            QVERIFY(s.view.viewport()->rect().contains(r.center()));
            QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, r.center());
        };
        click(1);
        click(s.view.itemCount() - 2);
        QCOMPARE(jumps.size(), 2);
        QCOMPARE(addresses[jumps[0].at(0).toInt()],
                 QStringLiteral("www.site%1.example ").arg(kLines - kept));
        QCOMPARE(addresses[jumps[1].at(0).toInt()],
                 QStringLiteral("www.site%1.example ").arg(kLines - 1));
    }

    void longWordBreaksInsideShortWordMovesWhole() {
        ShownView s;
        const QString word(200, u'w');
        s.view.addParagraph(word, 6);
        s.view.format();
        const QList<QRect> pieces = s.view.itemRects(0);
        QVERIFY(pieces.size() >= 2);
        for (int i = 0; i < pieces.size(); ++i) {
            QCOMPARE(pieces[i].x(), kLeft);
            QVERIFY(pieces[i].right() < s.right());
            if (i > 0) QCOMPARE(pieces[i].top(), pieces[i - 1].bottom() + 1);
        }
        s.view.selectAll();
        QCOMPARE(s.view.selectedText(), word);

        s.view.clear();
        s.view.addParagraph(QStringLiteral("Ann: "), 6);
        for (int i = 0; i < 60; ++i) s.view.addText(QStringLiteral("word%1 ").arg(i), 6);
        s.view.format();
        int moved = 1;
        while (s.view.itemRects(moved).size() == 1 && s.rect(moved).top() == s.rect(0).top())
            ++moved;
        QCOMPARE(s.view.itemRects(moved).size(), 1);
        QCOMPARE(s.rect(moved).x(), kLeft);
        QVERIFY(s.rect(moved - 1).right() + s.rect(moved).width() >= s.right());
    }

    void picturesWrapAndShareTheBaseline() {
        ShownView s;
        s.view.addParagraph(QStringLiteral("Ann: "), 6);
        for (int i = 0; i < 40; ++i) s.view.addPicture(0, &smileys_);
        s.view.format();
        int item = 1;
        while (s.rect(item).top() == s.rect(0).top()) ++item;
        QCOMPARE(s.rect(item).x(), kLeft);
        QCOMPARE(s.rect(item).width(), 17 + 2);
        QVERIFY(s.rect(item - 1).right() + 19 >= s.right());

        // A tall picture lowers the text before it to the common baseline.
        s.view.clear();
        s.view.styles().setColor(0, Qt::black);
        s.view.addParagraph(QStringLiteral("xxx "), 0);
        s.view.format();
        const int textOnly = s.view.documentHeight();
        s.view.addPicture(1, &smileys_);
        s.view.addText(QStringLiteral("xxx "), 0);
        s.view.format();
        QCOMPARE(s.rect(0).top(), s.rect(1).top());
        // 40 pixels of picture and 1 above the baseline, the font's descent below it.
        QVERIFY(s.view.documentHeight() > 41);
        QVERIFY(s.view.documentHeight() < 41 + textOnly);
        const QImage image = s.view.viewport()->grab().toImage();
        const int textBottom = lowestRow(image, s.rect(0), Qt::black);
        const int pictureBottom = lowestRow(image, s.rect(1), kGreen);
        QVERIFY2(std::abs(textBottom - pictureBottom) <= 1,
                 qPrintable(QStringLiteral("%1 %2").arg(textBottom).arg(pictureBottom)));
        QCOMPARE(lowestRow(image, s.rect(2), Qt::black), textBottom);
    }

    void linesNarrowWhenTheScrollBarAppears() {
        ShownView s({300, 120});
        for (int i = 0; i < 6; ++i) s.view.addParagraph(QString(300, u'w'), 6);
        s.view.format();
        QVERIFY(s.view.verticalScrollBar()->isVisible());
        for (int i = 0; i < 6; ++i)
            for (const QRect& piece : s.view.itemRects(i)) QVERIFY(piece.right() < s.right());
    }

    void formatShowsTheTopAndKeysScroll() {
        ShownView s;
        addChatLines(s.view, 0, 100, &smileys_);
        s.view.format();
        QCOMPARE(s.view.scrollPosition(), 0);
        QCOMPARE(s.view.scrollStepPixels(), 10);
        QVERIFY(s.view.maxScrollPosition() > 30);
        s.view.scrollToEnd();
        s.view.format();
        QCOMPARE(s.view.scrollPosition(), 0);
        QCOMPARE(s.rect(0).top(), 0);

        QTest::keyClick(&s.view, Qt::Key_PageDown);
        QCOMPARE(s.view.scrollPosition(), 10);
        QCOMPARE(s.rect(0).top(), -100);
        QTest::keyClick(&s.view, Qt::Key_Up);
        QCOMPARE(s.view.scrollPosition(), 9);
        QTest::keyClick(&s.view, Qt::Key_End);
        QCOMPARE(s.view.scrollPosition(), s.view.maxScrollPosition());
        QTest::keyClick(&s.view, Qt::Key_Home);
        QCOMPARE(s.view.scrollPosition(), 0);
        s.view.scrollTo(-5);
        QCOMPARE(s.view.scrollPosition(), 0);
        s.view.scrollTo(1 << 30);
        QCOMPARE(s.view.scrollPosition(), s.view.maxScrollPosition());
    }

    void draggingBeyondAnEdgeScrollsAndSelects() {
        ShownView s;
        addChatLines(s.view, 0, 100, &smileys_);
        s.view.format();
        QWidget* viewport = s.view.viewport();
        const QPoint below(50, viewport->height() + 20);
        QTest::mousePress(viewport, Qt::LeftButton, {}, s.inside(0));
        QTest::mouseMove(viewport, below);
        QTRY_VERIFY(s.view.scrollPosition() >= 3);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
        const int stopped = s.view.scrollPosition();
        QVERIFY(s.view.selectedText().count(QStringLiteral("\r\n")) >= 4);
        // A fixed pause: the check is that no drag-scroll step comes after the release.
        QTest::qWait(3 * TChatLogView::kDragScrollMs);
        QCOMPARE(s.view.scrollPosition(), stopped);

        const QPoint above(50, -20);
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(50, 50));
        QTest::mouseMove(viewport, above);
        QTRY_VERIFY(s.view.scrollPosition() <= stopped - 3);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, above);
    }

    void aLogKeptAtItsEndStaysThereWhenResized() {
        TChatLogView view;  // filled before it is first shown, as at start-up
        addChatLines(view, 0, 20, &smileys_);
        view.format();
        view.scrollToEnd();
        view.resize(300, 150);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.maxScrollPosition() > 0);
        QCOMPARE(view.scrollPosition(), view.maxScrollPosition());
        view.resize(200, 150);
        QCOMPARE(view.scrollPosition(), view.maxScrollPosition());
        // Scrolled back by the reader, or laid out without following: the place is kept.
        view.scrollTo(5);
        view.resize(260, 150);
        QCOMPARE(view.scrollPosition(), 5);
        QVERIFY(view.scrollPosition() < view.maxScrollPosition());
        view.format();
        view.resize(300, 150);
        QCOMPARE(view.scrollPosition(), 0);
    }

    void veryLongLogsRaiseTheScrollStep() {
        ShownView s;
        addChatLines(s.view, 0, 25000, &smileys_);
        // The log keeps only its newest lines; long ones that wrap still make it very tall.
        QString words;
        while (words.size() < 4000) words += QStringLiteral("wordy ");
        for (int i = 0; i < 400; ++i) {
            s.view.addParagraph(QStringLiteral("Ann: "), 6);
            s.view.addText(words, 6);
        }
        addChatLines(s.view, 25000, 1, &smileys_);
        s.view.format();
        const int height = s.view.documentHeight();
        QVERIFY(height > 10 * TChatLogView::kMaxScrollSteps);
        QCOMPARE(s.view.scrollStepPixels(), (height + 29999) / 30000);
        QVERIFY(s.view.maxScrollPosition() <= TChatLogView::kMaxScrollSteps);
        s.view.scrollToEnd();
        const QRect last = s.rect(s.view.itemCount() - 1);
        QVERIFY(last.bottom() < s.view.viewport()->height());
        QVERIFY(last.top() >= 0);
    }

    // Whatever order lines, style changes and resizes come in, the kept layout must be the
    // one a single layout of the final log gives.
    void keptLayoutMatchesAFreshOne() {
        ShownView grown, fresh;
        for (int i = 0; i < 60; ++i) {
            addChatLines(grown.view, i, 1, &smileys_);
            if (i == 20) grown.view.styles().setSize(7, 16);
            if (i == 30) grown.view.styles().setColor(8, Qt::darkRed);
            if (i == 40) grown.view.resize(220, 200);
            if (i == 50) grown.view.styles().setBold(6, true);
            grown.view.format();
            grown.view.scrollToEnd();
        }
        fresh.view.resize(220, 200);
        fresh.view.styles().setSize(7, 16);
        fresh.view.styles().setBold(6, true);
        addChatLines(fresh.view, 0, 60, &smileys_);
        fresh.view.format();
        grown.view.format();
        QCOMPARE(grown.view.documentHeight(), fresh.view.documentHeight());
        for (int i = 0; i < fresh.view.itemCount(); ++i)
            QCOMPARE(grown.view.itemRects(i), fresh.view.itemRects(i));
    }

    void sizeChangesRelayoutColourChangesRepaint() {
        ShownView s;
        s.view.addParagraph(QStringLiteral("Ann: "), 6);
        s.view.addText(QStringLiteral("hello "), 6);
        s.view.format();
        const int before = s.view.documentHeight();
        s.view.styles().setColor(6, kRed);
        QImage image = s.view.viewport()->grab().toImage();
        QVERIFY(lowestRow(image, s.rect(0), kRed) >= 0);
        QVERIFY(lowestRow(image, s.rect(1), kRed) >= 0);
        s.view.styles().setSize(6, 20);
        s.view.format();
        QVERIFY(s.view.documentHeight() > before);
        s.view.styles().setAllSizes(10);
        s.view.format();
        QCOMPARE(s.view.documentHeight(), before);
    }

    void copyJoinsLinesWithoutPictureText() {
        ShownView s;
        QApplication::clipboard()->setText(QStringLiteral("untouched"));
        s.view.selectAll();
        QVERIFY(!s.view.hasSelection());
        s.view.copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("untouched"));

        s.view.addParagraph(QStringLiteral("Ann chats: "), 6);
        s.view.addText(QStringLiteral("hi "), 6);
        s.view.addPicture(0, &smileys_);
        s.view.addText(QStringLiteral("there "), 6);
        s.view.addParagraph(QStringLiteral("Bob chats: "), 7);
        s.view.addPicture(0, &smileys_);
        s.view.addText(QStringLiteral("yo "), 7);
        s.view.format();
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, s.inside(1));
        QVERIFY(!s.view.hasSelection());
        QTest::keyClick(&s.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("untouched"));

        s.view.selectAll();
        QTest::keyClick(&s.view, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("Ann chats: hi there \r\nBob chats: yo "));

        auto drag = [&](QPoint from, QPoint to) {
            QTest::mousePress(s.view.viewport(), Qt::LeftButton, {}, from);
            QTest::mouseMove(s.view.viewport(), to);
            QTest::mouseRelease(s.view.viewport(), Qt::LeftButton, {}, to);
            s.view.copy();
            return QApplication::clipboard()->text();
        };
        const QPoint startOf(1, 2);
        QCOMPARE(drag(s.rect(3).topLeft() + startOf, s.rect(6).topLeft() + startOf),
                 QStringLiteral("there \r\nBob chats: "));
        // "hi " is drawn together with the prefix before it; only it is marked and copied.
        QCOMPARE(drag(s.rect(1).topLeft() + startOf, s.rect(3).topLeft() + startOf),
                 QStringLiteral("hi "));
        const QImage image = s.view.viewport()->grab().toImage();
        const QColor highlight = s.view.styles().selectionBackground;
        QVERIFY(lowestRow(image, s.rect(1).adjusted(2, 0, -2, 0), highlight) >= 0);
        QVERIFY(lowestRow(image, s.rect(1), s.view.styles().selectedText) >= 0);
        QCOMPARE(lowestRow(image, s.rect(0).adjusted(0, 0, -2, 0), highlight), -1);
        QCOMPARE(lowestRow(image, s.rect(3).adjusted(2, 0, 0, 0), highlight), -1);
        // The picture between is drawn blended with the selection colour.
        const QColor blend((kRed.red() + highlight.red()) / 2, highlight.green() / 2,
                           highlight.blue() / 2);
        QVERIFY(lowestRow(image, s.rect(2), blend) >= 0);
        QCOMPARE(lowestRow(image, s.rect(2), kRed), -1);
    }

    void jumpsNeedPressAndReleaseOnTheSameJump() {
        ShownView s;
        QSignalSpy jumps(&s.view, &TChatLogView::jump);
        s.view.addParagraph(QStringLiteral("Ann: "), 0);
        s.view.addText(QStringLiteral("www.one.com "), 4);
        s.view.addText(QStringLiteral("plain "), 0);
        s.view.addText(QStringLiteral("www.two.com "), 4);
        s.view.addParagraph(QStringLiteral("www.") + QString(120, u'x'), 5);
        s.view.format();
        QVERIFY(s.view.itemRects(4).size() >= 2);
        auto pressRelease = [&](QPoint press, QPoint release) {
            QTest::mousePress(s.view.viewport(), Qt::LeftButton, {}, press);
            QTest::mouseMove(s.view.viewport(), release);
            QTest::mouseRelease(s.view.viewport(), Qt::LeftButton, {}, release);
        };
        pressRelease(s.inside(1), s.inside(3));
        pressRelease(s.inside(2), s.inside(1));
        pressRelease(s.inside(1), s.inside(2));
        QCOMPARE(jumps.count(), 0);
        pressRelease(s.inside(3), s.inside(3));
        pressRelease(s.inside(1), s.rect(1).topLeft());
        pressRelease(s.inside(4, 0), s.inside(4, 1));  // one jump, drawn on two lines
        QCOMPARE(jumps.count(), 3);
        QCOMPARE(jumps[0][0].toInt(), 1);
        QCOMPARE(jumps[1][0].toInt(), 0);
        QCOMPARE(jumps[2][0].toInt(), 2);

        QTest::mouseMove(s.view.viewport(), s.inside(3));
        QCOMPARE(s.view.viewport()->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(s.view.viewport(), s.inside(2));
        QCOMPARE(s.view.viewport()->cursor().shape(), Qt::ArrowCursor);

        // Numbering starts again after a clear.
        s.view.clear();
        QCOMPARE(s.view.itemCount(), 0);
        s.view.addParagraph(QStringLiteral("see "), 0);
        s.view.addText(QStringLiteral("www.three.com "), 4);
        s.view.format();
        pressRelease(s.inside(1), s.inside(1));
        QCOMPARE(jumps.count(), 4);
        QCOMPARE(jumps[3][0].toInt(), 0);
    }

    void doubleClickSelectsAWordTripleClickALine() {
        ShownView s;
        QSignalSpy jumps(&s.view, &TChatLogView::jump);
        s.view.addParagraph(QStringLiteral("Ann chats: "), 6);  // 0
        s.view.addText(QStringLiteral("hello "), 6);            // 1
        s.view.addText(QStringLiteral("there"), 6);             // 2
        s.view.addText(QStringLiteral(", "), 6);                // 3
        s.view.addPicture(0, &smileys_);                        // 4
        s.view.addText(QStringLiteral("world "), 6);            // 5
        s.view.addText(QStringLiteral("www.site.org "), 4);     // 6
        s.view.addParagraph(QStringLiteral("Bob chats: yo "), 7);
        s.view.format();
        QWidget* port = s.view.viewport();
        const int hInterval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        quint64 now = 1000000;
        auto wordAt = [&](QPoint at) {
            doubleClick(port, at, now);
            now += 100 * hInterval;
            return s.view.selectedText();
        };
        QCOMPARE(wordAt(s.inside(2)), QStringLiteral("there"));
        // Copy copies the word.
        QTest::keyClick(&s.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("there"));
        // On the right half of the last letter, that letter is meant, not what follows.
        const QRect there = s.rect(2);
        QCOMPARE(wordAt({there.right() - 1, there.center().y()}), QStringLiteral("there"));
        QCOMPARE(wordAt(s.inside(1)), QStringLiteral("hello"));
        // A picture ends a word and is a word of its own.
        QCOMPARE(wordAt(s.inside(5)), QStringLiteral("world"));
        wordAt(s.inside(4));
        QVERIFY(s.view.hasSelection());
        QCOMPARE(s.view.selectedText(), QString());
        // A double click on an address opens it once, for the first click only.
        jumps.clear();
        QCOMPARE(wordAt(s.inside(6)), QStringLiteral("site"));
        QCOMPARE(jumps.count(), 1);

        // A third click soon after and close by selects the whole line, without a jump.
        doubleClick(port, s.inside(2), now);
        sendClick(port, QEvent::MouseButtonPress, s.inside(2), now + 200);
        sendClick(port, QEvent::MouseButtonRelease, s.inside(2), now + 210);
        QCOMPARE(s.view.selectedText(),
                 QStringLiteral("Ann chats: hello there, world www.site.org "));
        s.view.copy();
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("Ann chats: hello there, world www.site.org "));
        now += 100 * hInterval;
        doubleClick(port, s.inside(7), now);
        sendClick(port, QEvent::MouseButtonPress, s.inside(7), now + 200);
        sendClick(port, QEvent::MouseButtonRelease, s.inside(7), now + 210);
        QCOMPARE(s.view.selectedText(), QStringLiteral("Bob chats: yo "));
        jumps.clear();
        doubleClick(port, s.inside(6), now + 100 * hInterval);
        sendClick(port, QEvent::MouseButtonPress, s.inside(6), now + 100 * hInterval + 200);
        QCOMPARE(jumps.count(), 1);
        sendClick(port, QEvent::MouseButtonRelease, s.inside(6), now + 100 * hInterval + 210);
        QCOMPARE(jumps.count(), 1);
        now += 200 * hInterval;

        // Late or far, the third click is an ordinary one again.
        doubleClick(port, s.inside(2), now);
        sendClick(port, QEvent::MouseButtonPress, s.inside(2), now + 110 + 2 * hInterval);
        sendClick(port, QEvent::MouseButtonRelease, s.inside(2), now + 120 + 2 * hInterval);
        QVERIFY(!s.view.hasSelection());
        now += 100 * hInterval;
        doubleClick(port, s.inside(2), now);
        sendClick(port, QEvent::MouseButtonPress, s.inside(7), now + 200);
        sendClick(port, QEvent::MouseButtonRelease, s.inside(7), now + 210);
        QVERIFY(!s.view.hasSelection());

        // An empty log has nothing to select.
        s.view.clear();
        doubleClick(port, {20, 10}, now + 100 * hInterval);
        QVERIFY(!s.view.hasSelection());
    }

    // Printable keys are for the owner's entry box; the log's own keys keep their meaning.
    void typedTextIsHandedOnKeysStayTheLogs() {
        ShownView s;
        QSignalSpy typed(&s.view, &TChatLogView::textTyped);
        addChatLines(s.view, 0, 80, &smileys_);
        s.view.format();
        s.view.setFocus();
        QTest::keyClicks(&s.view, QStringLiteral("hi !A"));
        QCOMPARE(typed.count(), 5);
        QCOMPARE(typed[0][0].toString() + typed[1][0].toString() + typed[2][0].toString() +
                     typed[3][0].toString() + typed[4][0].toString(),
                 QStringLiteral("hi !A"));
        QTest::keyClick(&s.view, Qt::Key_PageDown);
        QCOMPARE(s.view.scrollPosition(), 10);
        QTest::keyClick(&s.view, Qt::Key_End);
        QCOMPARE(s.view.scrollPosition(), s.view.maxScrollPosition());
        QTest::keyClick(&s.view, Qt::Key_Home);
        QCOMPARE(s.view.scrollPosition(), 0);
        QTest::keyClick(&s.view, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(s.view.selectedText().startsWith(QStringLiteral("Seat0 chats: hello")));
        QTest::keyClick(&s.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), s.view.selectedText());
        QTest::keyClick(&s.view, Qt::Key_Tab);
        QTest::keyClick(&s.view, Qt::Key_X, Qt::AltModifier);
        QCOMPARE(typed.count(), 5);
    }

    void badStyleAndPictureNumbersAreHarmless() {
        ShownView s;
        s.view.addPicture(0, &smileys_);  // an empty log starts its first line with it
        s.view.addText(QStringLiteral("x"), 99);
        s.view.addText(QStringLiteral("y"), -3);
        s.view.addPicture(50, &smileys_);
        s.view.addPicture(-1, nullptr);
        s.view.addParagraph(QString(), 0);
        s.view.styles().setSize(-4, 30);
        s.view.styles().setSize(6, -4);
        QCOMPARE(s.view.styles().style(6).size, 1);
        QCOMPARE(s.view.styles().style(99).size, s.view.styles().style(14).size);
        s.view.format();
        s.view.viewport()->grab();
        QCOMPARE(s.view.itemCount(), 6);
        QCOMPARE(s.view.itemRects(3).value(0).width(), 2);  // no picture: only its margins
        s.view.selectAll();
        QCOMPARE(s.view.selectedText(), QStringLiteral("xy\r\n"));
    }

    void rightClickOpensTheOwnersMenu() {
        ShownView s;
        QMenu menu;
        menu.addAction(QStringLiteral("Copy"));
        s.view.setPopupMenu(&menu);
        QCOMPARE(s.view.popupMenu(), &menu);
        QContextMenuEvent event(QContextMenuEvent::Mouse, {10, 10},
                                s.view.mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(s.view.viewport(), &event);
        QTRY_VERIFY(menu.isVisible());
        menu.close();
    }
};

QTEST_MAIN(ChatLogViewTest)
#include "test_chatlogview.moc"
