#pragma once
// Sizes, bounds and timings of the host.
#include <QtGlobal>
#include <chrono>

#include "net/protocol.h"

namespace mb {

// Seat, hand and pile numbers and the bot speeds are shared with the client (net/protocol.h).
// Holds a tenth connection just long enough to refuse it.
inline constexpr int kRefusedSeat = kMaxSeats + 1;
inline constexpr int kComputerSeat = 2;  // always dealt in; the computer plays it while empty

inline constexpr int kMaxDeckSize = 60;

// Play-to score used when a start request carries no number.
inline constexpr int kDefaultPlayTo = 5;

// The pause timer ticks once a second; a turn waits one tick, a new round seven.
inline constexpr std::chrono::milliseconds kBreakInterval{1000};
inline constexpr int kTurnPauseTicks = 1;
inline constexpr int kRoundPauseTicks = 7;
// A computer move comes this many bot-speed intervals after its turn begins.
inline constexpr int kComputerMoveTicks = 1;

// Queue entries one connection may have waiting; a connection that floods past this is closed
// so it cannot starve the others or grow the host without bound.
inline constexpr qsizetype kMaxBacklog = 256;
// Entries that come to nothing one dispatch tick may pass over before it stops anyway.
inline constexpr int kMaxQuietEntriesPerTick = 32;

// A connection that has not logged in this long after it was accepted is closed, so bare
// connections cannot hold seats.
inline constexpr std::chrono::milliseconds kLoginDeadline{10'000};
// Names are cut to this many bytes once made safe: nine of them must fit one roster message.
inline constexpr qsizetype kMaxNameBytes = 32;

// Chat lines, actions and chatter sounds one connection may have relayed within kRelayWindow;
// more than a person sends by hand, so only a flood is cut.
inline constexpr int kMaxRelaysPerWindow = 10;
inline constexpr std::chrono::milliseconds kRelayWindow{5000};

// An address that opens more than kMaxConnectsPerWindow connections within kConnectWindow is
// refused for kConnectBan. Addresses are forgotten once their window has passed; at most
// kMaxTrackedAddresses are remembered at a time.
inline constexpr int kMaxConnectsPerWindow = 20;
inline constexpr std::chrono::milliseconds kConnectWindow{10'000};
inline constexpr std::chrono::milliseconds kConnectBan{10'000};
inline constexpr qsizetype kMaxTrackedAddresses = 4096;

// How often deadlines (logins, turn limits) are checked.
inline constexpr std::chrono::milliseconds kHousekeepingInterval{250};

// TCP keepalive on accepted connections: a peer whose machine vanished is noticed after about
// a minute and its seat is freed.
inline constexpr int kKeepAliveIdleSeconds = 30;
inline constexpr int kKeepAliveIntervalSeconds = 10;
inline constexpr int kKeepAliveProbes = 3;

}  // namespace mb
