#pragma once
// Wire constants shared by host and client.
#include <QByteArray>
#include <chrono>

namespace mb {

// The program version the client reports at login and the host compares against.
inline constexpr char kProgramVersion[] = "1.0.0";

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

inline constexpr std::chrono::milliseconds kClientTick{1};
inline constexpr std::chrono::milliseconds kHostTick{10};

}  // namespace mb
