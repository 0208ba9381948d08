#pragma once
// The game's settings as one plain value: what the settings file holds in the game's section,
// read with every bound applied, and the keys a save writes, in the file's classic order.
// Needs no window, so the rules for hostile values are tested without one.
#include <QList>
#include <QRect>
#include <QString>
#include <array>
#include <optional>
#include <utility>

#include "client/chatline.h"
#include "core/colourtext.h"
#include "net/protocol.h"

namespace mb {

class ProfileFile;

inline constexpr QRect kDefaultWindowBounds{3, 3, 772, 535};
inline constexpr int kDefaultTextSize = 8;
// A size outside this range would make the chat unreadable or its layout enormous.
inline constexpr int kMinTextSize = 4;
inline constexpr int kMaxTextSize = 72;
// Window coordinates beyond 16 bits mean nothing to a desktop.
inline constexpr int kMaxWindowCoordinate = 32767;
// A stored phrase longer than the phrase list lets a player type is cut to it.
inline constexpr int kMaxStoredPhraseLength = 50;

struct GameSettings {
    int textSize = kDefaultTextSize;
    QRect bounds = kDefaultWindowBounds;
    WinColor textColour = kColourBlack;
    // The stored target score when it is a number at all; the start window bounds it.
    std::optional<qlonglong> playToScore;
    int botSpeedMs = int(kBotSpeedNormal.count());
    int turnSound = 0;  // 0 classic, 1 new
    // Phrases 1 to 9 as stored; an empty one keeps the built-in phrase.
    std::array<QString, chat::kPhraseCount + 1> phrases{};
    bool playSounds = true;
    bool playerPhraseSounds = true;
    bool showHelp = true;  // the quick instructions open at the first start
};

// Reads `section`. A window larger than `largest` (the screen's work area) would only be cut
// down by the desktop itself, and a hostile size would ask for gigabytes of window memory: the
// stored width and height are held to it (the default size always passes).
GameSettings readGameSettings(const ProfileFile& file, const QString& section, QSize largest);

// What a save writes, key by key, in the classic order. The phrases are the phrase list's to
// write, and the help mark is written once at the first start.
QList<std::pair<QString, QString>> gameSettingsKeys(const GameSettings& settings, int playToScore);

}  // namespace mb
