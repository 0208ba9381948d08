#include "core/colourtext.h"

#include <array>

namespace mb {
namespace {

struct NamedColour {
    const char* name;
    WinColor value;
};

// Both tables keep their columns, four names to a row.
// clang-format off
constexpr std::array<NamedColour, 16> kPlainColours{{
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
}};

// In the order of the desktop's system colour indices 0 to 24.
constexpr std::array<const char*, kSystemColourCount> kSystemNames{
    "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
    "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
    "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
    "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
    "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
    "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
    "clInfoBk"};
// clang-format on

constexpr const char* kNoneName = "clNone";

template <typename F>
void forEachName(F&& f) {
    for (const auto& c : kPlainColours) f(c.name, c.value);
    for (int i = 0; i < kSystemColourCount; ++i)
        f(kSystemNames[size_t(i)], kSystemColourBase + WinColor(i));
    f(kNoneName, kColourNone);
}

}  // namespace

QString colourToText(WinColor colour) {
    QString name;
    forEachName([&](const char* n, WinColor v) {
        if (name.isEmpty() && v == colour) name = QString::fromLatin1(n);
    });
    if (!name.isEmpty()) return name;
    return QStringLiteral("$%1").arg(colour, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<WinColor> textToColour(QStringView text) {
    std::optional<WinColor> found;
    forEachName([&](const char* n, WinColor v) {
        if (!found && text.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) found = v;
    });
    if (found) return found;
    if (text.startsWith(u'$')) {
        const QStringView digits = text.mid(1);
        if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
        WinColor v = 0;
        for (QChar c : digits) {
            const char16_t u = c.unicode();
            int d = -1;
            if (u >= '0' && u <= '9')
                d = u - '0';
            else if (u >= 'a' && u <= 'f')
                d = u - 'a' + 10;
            else if (u >= 'A' && u <= 'F')
                d = u - 'A' + 10;
            if (d < 0) return std::nullopt;
            v = v * 16 + WinColor(d);
        }
        return v;
    }
    // Decimal, as a signed 32-bit number; a negative one keeps its two's complement bits.
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 10);
    if (!ok || text.isEmpty() || text.front().isSpace() || text.back().isSpace() ||
        v < -2147483648LL || v > 2147483647LL)
        return std::nullopt;
    return WinColor(quint32(qint32(v)));
}

}  // namespace mb
