// The looks the game's style draws: each state's edge, the ground under a caption's padding, and
// a panel line one point wide at every scale.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <QToolButton>
#include <QtTest>

#include "widgets/gamestyle.h"

namespace {

// Opens the button's description of its state, for states the mouse cannot give offscreen.
struct Button : QToolButton {
    using QToolButton::initStyleOption;
};

QImage draw(Button& button, QStyle::State state) {
    QStyleOptionToolButton option;
    button.initStyleOption(&option);
    option.state = (option.state & ~QStyle::State_MouseOver) | state;
    QImage image(button.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    button.style()->drawComplexControl(QStyle::CC_ToolButton, &option, &p, &button);
    return image;
}

bool near(QRgb actual, const QColor& expected) {
    return std::abs(qRed(actual) - expected.red()) <= 8 &&
           std::abs(qGreen(actual) - expected.green()) <= 8 &&
           std::abs(qBlue(actual) - expected.blue()) <= 8;
}

}  // namespace

class LooksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { mb::useGameStyle(); }  // as the program's main does

    void chatButtonShowsEachStateAndNoMenuArrow() {
        Button button;
        button.setText(QStringLiteral("Nice Try!"));
        button.resize(80, 25);
        mb::setChatButtonLook(&button);
        QVERIFY(button.testAttribute(Qt::WA_Hover));  // redrawn as the mouse comes and goes
        const QImage rest = draw(button, {});
        QVERIFY(near(rest.pixel(40, 0), QColor(0x8c, 0x8c, 0x8c)));
        QVERIFY(near(draw(button, QStyle::State_MouseOver).pixel(40, 0), QColor(0x4a, 0x78, 0xb0)));
        QVERIFY(near(draw(button, QStyle::State_Sunken).pixel(3, 12), QColor(0xc9, 0xd4, 0xe2)));
        QMenu menu;
        button.setMenu(&menu);
        button.setPopupMode(QToolButton::InstantPopup);
        QCOMPARE(draw(button, {}), rest);
    }

    void entryCaptionAndPanelDrawWhereTheyShould() {
        QLineEdit entry;
        entry.resize(300, 23);
        mb::setChatEntryLook(&entry);
        QCOMPARE(entry.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &entry), 1);
        QStyleOptionFrame option;
        option.initFrom(&entry);
        option.state |= QStyle::State_HasFocus;
        QImage image(entry.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        entry.style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, &entry);
        painter.end();
        QVERIFY(near(image.pixel(150, 0), QColor(0x4a, 0x78, 0xb0)));

        // The see-through ground lies under the padding beside the words too.
        QLabel caption(QStringLiteral("DRAW"));
        mb::setCaptionLook(&caption, Qt::white, QColor(0, 0, 0, 120), QMargins(7, 0, 7, 0));
        caption.adjustSize();
        QImage ground(caption.size(), QImage::Format_RGB32);
        ground.fill(Qt::white);
        caption.render(&ground);
        QVERIFY(near(ground.pixel(2, caption.height() / 2), QColor(135, 135, 135)));
        // A frame given the ground has it under all it holds, its corners rounded.
        QFrame banner;
        banner.resize(200, 40);
        mb::setGroundLook(&banner, QColor(0, 0, 0, 120));
        QImage under(banner.size(), QImage::Format_RGB32);
        under.fill(Qt::white);
        banner.render(&under);
        QVERIFY(near(under.pixel(100, 20), QColor(135, 135, 135)));
        QVERIFY(qRed(under.pixel(0, 0)) > 230);

        // A panel's line is one point wide, two device pixels on a doubled screen.
        QFrame panel;
        panel.resize(60, 40);
        panel.setFrameShape(QFrame::Box);
        mb::setWhitePanelLook(&panel);
        QImage doubled(panel.size() * 2, QImage::Format_RGB32);
        doubled.setDevicePixelRatio(2);
        panel.render(&doubled);
        QCOMPARE(doubled.pixel(60, 1), qRgb(0xa0, 0xa0, 0xa0));
        QCOMPARE(doubled.pixel(60, 2), qRgb(255, 255, 255));
    }
};

QTEST_MAIN(LooksTest)
#include "test_looks.moc"
