#pragma once
// Wire constants shared by host and client.
#include <QByteArray>
#include <chrono>

// The client reports the program's own version at login and the host compares it against its own.
#include "core/version.h"

namespace mb {

inline constexpr quint16 kGamePort = 7772;
inline constexpr quint16 kLobbyPort = 9001;

inline constexpr char kTerminator = '\xFF';
inline constexpr char kFieldSeparator = '+';
// Appended by a receiver before it reads a list of records; it never travels.
inline constexpr char kListEndMarker[] = "@";

// A queue entry is read back cut to this many bytes.
inline constexpr qsizetype kMaxEntryLength = 4096;
// A receive remainder that grows past this without a terminator marks a broken or abusive peer.
inline constexpr qsizetype kMaxRemainder = 64 * 1024;
// Bytes taken from the network per read notification.
inline constexpr qsizetype kReadChunk = 32768;

// The table, as both sides count it: seat and pile numbers and hand slots travel in messages.
inline constexpr int kTableSeats = 4;  // seats 1..kTableSeats play
inline constexpr int kMaxSeats = 9;    // seats kTableSeats+1..kMaxSeats only watch
inline constexpr int kHostSeat = 1;    // the hosting player: removals, version notices
inline constexpr int kHandSize = 10;   // hand slots 1..kHandSize
inline constexpr int kDrawPile = 1;
inline constexpr int kDiscardPile = 2;

// The flag of a just-watch request and of its announcement.
inline constexpr char kWatchOn[] = "1";
inline constexpr char kWatchOff[] = "2";

// The pause between computer moves that the Options menu and the dedicated host's words name.
inline constexpr std::chrono::milliseconds kBotSpeedFast{500};
inline constexpr std::chrono::milliseconds kBotSpeedNormal{1000};
inline constexpr std::chrono::milliseconds kBotSpeedSlow{2000};

inline constexpr std::chrono::milliseconds kClientTick{1};
inline constexpr std::chrono::milliseconds kHostTick{10};

}  // namespace mb
