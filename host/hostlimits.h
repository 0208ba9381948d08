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
// Dispatch steps that may follow each other without a tick between them. Two lets a player's
// move that comes just behind another message (its own chat line, another seat's) be handled at
// once rather than a tick later; a flood is still taken one entry a tick.
inline constexpr int kHostTickBurst = 2;
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
// Relays are bounded by their bytes as well: on average kRelayBytesPerSecond over
// kRelayByteWindow (a burst may spend the whole window's share at once). Eight connections at
// this rate stay well below what a slow reader takes in (about 20 KB/s), so long lines cannot
// push one off the table by growing its unsent backlog.
inline constexpr qint64 kRelayBytesPerSecond = 2048;
inline constexpr std::chrono::milliseconds kRelayByteWindow{10'000};

// A connection whose messages fail to parse more than kMaxMalformedPerWindow times within
// kMalformedWindow is closed: a program sends none, a person cannot type them that fast.
inline constexpr int kMaxMalformedPerWindow = 3;
inline constexpr std::chrono::milliseconds kMalformedWindow{1000};

// An address that opens more than kMaxConnectsPerWindow connections within kConnectWindow is
// refused for kConnectBan. Addresses are forgotten once their window has passed; at most
// kMaxTrackedAddresses are remembered at a time.
inline constexpr int kMaxConnectsPerWindow = 20;
inline constexpr std::chrono::milliseconds kConnectWindow{10'000};
inline constexpr std::chrono::milliseconds kConnectBan{10'000};
inline constexpr qsizetype kMaxTrackedAddresses = 4096;

// The dedicated host's turn limit unless told otherwise: nobody sits at it to wait for an idle
// player. The windowed host waits for ever, as its owner can remove the player.
inline constexpr std::chrono::seconds kDedicatedTurnLimit{60};

// How often deadlines (logins, turn limits) are checked.
inline constexpr std::chrono::milliseconds kHousekeepingInterval{250};

// TCP keepalive on accepted connections: a peer whose machine vanished is noticed after about
// a minute and its seat is freed.
inline constexpr int kKeepAliveIdleSeconds = 30;
inline constexpr int kKeepAliveIntervalSeconds = 10;
inline constexpr int kKeepAliveProbes = 3;

}  // namespace mb
