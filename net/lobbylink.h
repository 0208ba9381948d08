#pragma once
// The lobby link: a copy started by the lobby holds a connection to it on 127.0.0.1 port
// kLobbyPort for its whole run, and says in its last line how it ended. Nothing else is ever
// sent; the lobby reads at most kMaxLinkReportBytes and treats anything else as "ended".
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

namespace mb::lobbylink {

inline constexpr QByteArrayView kClosed = "closed\n";            // the player closed the window
inline constexpr QByteArrayView kUnreachable = "unreachable\n";  // never got into the table
inline constexpr QByteArrayView kFull = "full\n";                // the table had no room
inline constexpr QByteArrayView kLost = "lost\n";                // the table ended the connection
// The longest report above, with room to spare; more from a peer is not a report.
inline constexpr qsizetype kMaxLinkReportBytes = 32;

// Set to "1" in the environment of every game the lobby starts. A solo game takes no arguments
// and so holds no link; this is how it knows the player came from the lobby, and must not be
// offered the lobby again in the download window.
inline constexpr char kStartedByLobby[] = "MARROWBY_STARTED_BY_LOBBY";
inline bool startedByLobby() {
    return qEnvironmentVariable(kStartedByLobby) == QLatin1String("1");
}

}  // namespace mb::lobbylink
