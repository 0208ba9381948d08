// Colour text as messages and the settings file carry it.
#include <QTest>

#include "core/colourtext.h"

using namespace mb;

class TestColourText : public QObject {
    Q_OBJECT
private slots:
    void namedColoursBothWays() {
        const QList<std::pair<const char*, WinColor>> named = {
            {"clBlack", 0x000000},
            {"clMaroon", 0x000080},
            {"clGreen", 0x008000},
            {"clOlive", 0x008080},
            {"clNavy", 0x800000},
            {"clPurple", 0x800080},
            {"clTeal", 0x808000},
            {"clGray", 0x808080},
            {"clSilver", 0xC0C0C0},
            {"clRed", 0x0000FF},
            {"clLime", 0x00FF00},
            {"clYellow", 0x00FFFF},
            {"clBlue", 0xFF0000},
            {"clFuchsia", 0xFF00FF},
            {"clAqua", 0xFFFF00},
            {"clWhite", 0xFFFFFF},
            {"clScrollBar", 0x80000000},
            {"clWindowText", 0x80000008},
            {"clHighlight", 0x8000000D},
            {"clBtnFace", 0x8000000F},
            {"clInactiveCaptionText", 0x80000013},
            {"cl3DDkShadow", 0x80000015},
            {"clInfoBk", 0x80000018},
            {"clNone", 0x1FFFFFFF}};
        for (const auto& [name, value] : named) {
            QCOMPARE(colourToText(value), QString::fromLatin1(name));
            QCOMPARE(textToColour(QString::fromLatin1(name)), std::optional<WinColor>(value));
            QCOMPARE(textToColour(QString::fromLatin1(name).toUpper()),
                     std::optional<WinColor>(value));
        }
    }

    void otherColoursAsHex() {
        QCOMPARE(colourToText(0x000080FF), QStringLiteral("$000080FF"));
        QCOMPARE(colourToText(0x00ABCDEF), QStringLiteral("$00ABCDEF"));
        QCOMPARE(colourToText(0x80000019), QStringLiteral("$80000019"));  // past the system names
        QCOMPARE(colourToText(0xFFFFFFFF), QStringLiteral("$FFFFFFFF"));
        for (WinColor c : {0x1u, 0x00ABCDEFu, 0x80000019u, 0xFFFFFFFFu, 0x7FFFFFFFu})
            QCOMPARE(textToColour(colourToText(c)), std::optional<WinColor>(c));
    }

    void readingNumbers() {
        QCOMPARE(textToColour(u"255"), std::optional<WinColor>(0xFF));
        QCOMPARE(textToColour(u"-1"), std::optional<WinColor>(0xFFFFFFFF));
        QCOMPARE(textToColour(u"-2147483648"), std::optional<WinColor>(0x80000000));
        QCOMPARE(textToColour(u"$ff"), std::optional<WinColor>(0xFF));
        QCOMPARE(textToColour(u"$FFFFFFFF"), std::optional<WinColor>(0xFFFFFFFF));
        for (const char16_t* bad :
             {u"", u"$", u"$123456789", u"$12G", u"2147483648", u"-2147483649", u" 5", u"5 ",
              u"clBlackx", u"clack", u"0x10", u"1.5", u"b|clBlack", u"$-1", u"\u0661"})
            QVERIFY2(!textToColour(bad), qPrintable(QString::fromUtf16(bad)));
    }
};

QTEST_GUILESS_MAIN(TestColourText)
#include "test_colourtext.moc"
