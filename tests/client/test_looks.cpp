// The looks the game's style draws: each state's colours, the room round the words, lines one
// point wide at every scale, and every other widget left to the desktop's style.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QToolButton>
#include <QtTest>

#include "widgets/gamestyle.h"

namespace {

// Opens the button's description of its state, for states the mouse cannot give offscreen.
struct Button : QToolButton {
    using QToolButton::initStyleOption;
};

QImage render(QWidget& widget, int dpr = 1) {
    QImage image(widget.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    image.setDevicePixelRatio(1);  // read in device pixels
    return image;
}

QImage drawButton(Button& button, QStyle::State add, QStyle::State remove = {}) {
    QStyleOptionToolButton option;
    button.initStyleOption(&option);
    option.state = (option.state | add) & ~remove;
    QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    button.style()->drawComplexControl(QStyle::CC_ToolButton, &option, &p, &button);
    return image;
}

bool near(QRgb actual, const QColor& expected, int tolerance = 12) {
    return std::abs(qRed(actual) - expected.red()) <= tolerance &&
           std::abs(qGreen(actual) - expected.green()) <= tolerance &&
           std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

const QColor kGrey(0x8c, 0x8c, 0x8c), kBlue(0x4a, 0x78, 0xb0);

}  // namespace

class LooksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { mb::useGameStyle(); }  // as the program's main does
    void chatButtonShowsEachStateAndNoMenuArrow();
    void entryCaptionAndPanelKeepTheirRoomAndLines();
    void widgetsWithoutALookAreTheDesktopStyles();
};

void LooksTest::chatButtonShowsEachStateAndNoMenuArrow() {
    Button button;
    button.setText(QStringLiteral("Nice Try!"));
    button.resize(80, 25);
    mb::setChatButtonLook(&button);
    QVERIFY(button.testAttribute(Qt::WA_Hover));
    const QImage rest = drawButton(button, {}, QStyle::State_MouseOver);
    QVERIFY(near(rest.pixel(40, 0), kGrey) && near(rest.pixel(3, 22), QColor(0xdc, 0xdc, 0xdc)));
    const QImage hover = drawButton(button, QStyle::State_MouseOver);
    QVERIFY(near(hover.pixel(40, 0), kBlue) && near(hover.pixel(3, 22), QColor(0xe8, 0xee, 0xf6)));
    const QImage down = drawButton(button, QStyle::State_Sunken, QStyle::State_MouseOver);
    QVERIFY(near(down.pixel(3, 2), QColor(0xc9, 0xd4, 0xe2)));
    // Disabled, it does not light up under the mouse.
    QVERIFY(near(drawButton(button, QStyle::State_MouseOver, QStyle::State_Enabled).pixel(40, 0),
                 kGrey));
    // The button that opens a menu looks like any other: no arrow.
    QMenu menu;
    menu.addAction(QStringLiteral("Cheer"));
    button.setMenu(&menu);
    button.setPopupMode(QToolButton::InstantPopup);
    QCOMPARE(drawButton(button, {}, QStyle::State_MouseOver), rest);
}

void LooksTest::entryCaptionAndPanelKeepTheirRoomAndLines() {
    // The entry's words start inside its one-pixel line and the room beside it; its line turns
    // blue with the focus.
    QLineEdit entry;
    entry.resize(300, 23);
    mb::setChatEntryLook(&entry);
    QCOMPARE(entry.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &entry), 1);
    QCOMPARE(entry.textMargins(), QMargins(4, 0, 4, 0));
    QStyleOptionFrame option;
    option.initFrom(&entry);
    for (const bool focus : {false, true}) {
        option.state.setFlag(QStyle::State_HasFocus, focus);
        QImage image(entry.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter p(&image);
        entry.style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, &entry);
        QVERIFY(near(image.pixel(150, 0), focus ? kBlue : kGrey, 6));
        QVERIFY(image.pixel(150, 11) == qRgb(255, 255, 255) && qGray(image.pixel(0, 0)) < 0x60);
    }

    // A caption: bold words with the room either side, the see-through ground under it all.
    QLabel plain(QStringLiteral("DRAW")), caption(QStringLiteral("DRAW"));
    QFont bold = plain.font();
    bold.setBold(true);
    plain.setFont(bold);
    plain.adjustSize();
    mb::setCaptionLook(&caption, Qt::white, QColor(0, 0, 0, 120), QMargins(7, 0, 7, 0));
    caption.adjustSize();
    QCOMPARE(caption.size(), plain.size() + QSize(14, 0));
    QCOMPARE(caption.palette().color(QPalette::WindowText), QColor(Qt::white));
    const QImage ground = render(caption);
    const int y = caption.height() / 2;
    const QColor blend(135, 135, 135);  // 120 of 255 black over white
    QVERIFY(near(ground.pixel(2, y), blend, 6) &&
            near(ground.pixel(caption.width() - 3, y), blend, 6));

    // A white panel's line is one point wide on a doubled screen too; its words keep their colour.
    QFrame panel;
    panel.resize(60, 40);
    panel.setFrameShape(QFrame::Box);
    mb::setWhitePanelLook(&panel);
    auto* words = new QLabel(QStringLiteral("Note"), &panel);
    for (const int dpr : {1, 2}) {
        const QImage image = render(panel, dpr);
        for (int i = 0; i < dpr; ++i)
            QVERIFY(image.pixel(30 * dpr, i) == qRgb(0xa0, 0xa0, 0xa0) &&
                    image.pixel(i, 20 * dpr) == qRgb(0xa0, 0xa0, 0xa0));
        QVERIFY(image.pixel(30 * dpr, dpr) == qRgb(255, 255, 255));
    }
    QCOMPARE(words->palette().color(QPalette::WindowText),
             QApplication::palette().color(QPalette::WindowText));
}

void LooksTest::widgetsWithoutALookAreTheDesktopStyles() {
    QProxyStyle desktop;
    QToolButton button;
    button.setText(QStringLiteral("Nice Try!"));
    QLineEdit entry(QStringLiteral("words"));
    QFrame box;
    box.setFrameShape(QFrame::Box);
    for (QWidget* w : std::initializer_list<QWidget*>{&button, &entry, &box}) {
        w->resize(80, 25);
        const QImage game = render(*w);
        w->setStyle(&desktop);
        QCOMPARE(render(*w), game);
        w->setStyle(nullptr);
    }
}

QTEST_MAIN(LooksTest)
#include "test_looks.moc"
