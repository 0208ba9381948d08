#pragma once
// Every command of the protocol, in one list: its name on the wire and the side that receives
// it. Senders and dispatch tables use the named constants, so a misspelt name fails to compile
// instead of being dropped as unknown by the other side; tests hold each side's dispatch table
// against the list.
#include <array>
#include <string_view>

namespace mb {

enum class Receiver : unsigned char { Host = 1, Client = 2, Both = Host | Client };

struct Command {
    const char* name;
    Receiver receiver;
};

constexpr bool receivedBy(Receiver receiver, Receiver side) {
    return (static_cast<unsigned>(receiver) & static_cast<unsigned>(side)) != 0;
}

namespace cmd {

// Client to host.
inline constexpr char kLoginInfo[] = "CMD_logininfo";
inline constexpr char kKickHim[] = "CMD_kickhim";
inline constexpr char kJustWatch[] = "CMD_justwatch";
inline constexpr char kReplaceCard[] = "CMD_replacecard";
// Both ways: a request to the host, relayed or answered to every client under the same name.
inline constexpr char kChat[] = "CMD_chat";
inline constexpr char kAction[] = "CMD_action";
inline constexpr char kPlayASound[] = "CMD_playasound";
inline constexpr char kStartGame[] = "CMD_startgame";
// Host to client.
inline constexpr char kSendLoginInfo[] = "CMD_sendlogininfo";
inline constexpr char kNewPlayerInfo[] = "CMD_newplayerinfo";
inline constexpr char kExistingPlayers[] = "CMD_existingplayers";
inline constexpr char kHaveWrongVersion[] = "CMD_havewrongversion";
inline constexpr char kWrongVersion[] = "CMD_wrongversion";
inline constexpr char kPlayerDisconnected[] = "CMD_playerdisconnected";
inline constexpr char kFull[] = "CMD_full";
inline constexpr char kJustWatching[] = "CMD_justwatching";
inline constexpr char kRoundStart[] = "CMD_roundstart";
inline constexpr char kMyCards[] = "CMD_mycards";
inline constexpr char kTopCard[] = "CMD_topcard";
inline constexpr char kNextPlayer[] = "CMD_nextplayer";
inline constexpr char kHisPlay[] = "CMD_hisplay";
inline constexpr char kRoundOver[] = "CMD_roundover";
inline constexpr char kWinner[] = "CMD_winner";
inline constexpr char kGameStats[] = "CMD_gamestats";

}  // namespace cmd

inline constexpr std::array kCommands{
    Command{cmd::kLoginInfo, Receiver::Host},
    Command{cmd::kKickHim, Receiver::Host},
    Command{cmd::kJustWatch, Receiver::Host},
    Command{cmd::kReplaceCard, Receiver::Host},
    Command{cmd::kChat, Receiver::Both},
    Command{cmd::kAction, Receiver::Both},
    Command{cmd::kPlayASound, Receiver::Both},
    Command{cmd::kStartGame, Receiver::Both},
    Command{cmd::kSendLoginInfo, Receiver::Client},
    Command{cmd::kNewPlayerInfo, Receiver::Client},
    Command{cmd::kExistingPlayers, Receiver::Client},
    Command{cmd::kHaveWrongVersion, Receiver::Client},
    Command{cmd::kWrongVersion, Receiver::Client},
    Command{cmd::kPlayerDisconnected, Receiver::Client},
    Command{cmd::kFull, Receiver::Client},
    Command{cmd::kJustWatching, Receiver::Client},
    Command{cmd::kRoundStart, Receiver::Client},
    Command{cmd::kMyCards, Receiver::Client},
    Command{cmd::kTopCard, Receiver::Client},
    Command{cmd::kNextPlayer, Receiver::Client},
    Command{cmd::kHisPlay, Receiver::Client},
    Command{cmd::kRoundOver, Receiver::Client},
    Command{cmd::kWinner, Receiver::Client},
    Command{cmd::kGameStats, Receiver::Client},
};

namespace detail {

// A receiver splits an entry at its first "+" and matches the name exactly, so a name must be
// unique and free of the separator.
constexpr bool wellFormed(const std::array<Command, kCommands.size()>& commands) {
    for (size_t i = 0; i < commands.size(); ++i) {
        const std::string_view name = commands[i].name;
        if (!name.starts_with("CMD_") || name.find('+') != std::string_view::npos) return false;
        for (size_t j = 0; j < i; ++j)
            if (name == commands[j].name) return false;
    }
    return true;
}

}  // namespace detail

static_assert(detail::wellFormed(kCommands), "command names must be unique and contain no '+'");

}  // namespace mb
