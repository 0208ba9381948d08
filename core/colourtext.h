#pragma once
// Colour text: how a colour travels in chat messages and sits in the settings file.
// Needs no window, so the chat-line path and the settings file can be tested and fuzzed alone.
#include <QString>
#include <optional>

namespace mb {

// Colours are Windows colour values (0x00BBGGRR) because they travel in messages as such.
using WinColor = quint32;

// Values from this one up stand for the desktop's system colours (index in the low byte).
inline constexpr WinColor kSystemColourBase = 0x80000000u;
inline constexpr WinColor kColourNone = 0x1FFFFFFFu;
inline constexpr WinColor kColourBlack = 0x000000u;
inline constexpr WinColor kColourRed = 0x0000FFu;
inline constexpr int kSystemColourCount = 25;

// A named colour by its name, anything else as "$" and eight upper-case hex digits.
QString colourToText(WinColor colour);
// A name in any letter case, or a decimal or "$"-hex integer that fits in 32 bits; nothing else.
std::optional<WinColor> textToColour(QStringView text);

}  // namespace mb
