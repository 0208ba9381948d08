#pragma once
// The lobby's own choices: the player's name and the addresses typed last, kept in the
// settings file the game uses, in a section of their own; the profile layer keeps every other
// byte of the file. Also the checks the lobby applies before it starts the game. Window-free.
#include <QString>
#include <QStringList>
#include <optional>

namespace mb {

inline constexpr char kLobbySection[] = "Lobby";
// The settings file shared with the game (whose section is "Marrowby").
inline constexpr char kLobbySettingsFile[] = "kestrolobby.ini";
// Addresses remembered, most recent first.
inline constexpr int kRememberedAddresses = 10;
// A host name is at most 253 characters.
inline constexpr qsizetype kMaxAddressLength = 253;

// The name the game would be started with: trimmed and cut as the host cuts names; nothing
// when it is empty.
std::optional<QString> playerNameFor(const QString& typed);
// A host name or dotted address: letters, digits, dots and hyphens, not starting with a
// hyphen (it is passed on as a program argument), 1 to kMaxAddressLength characters.
bool isAddressText(const QString& text);
// `list` with `address` moved or added to the front, without repeats (letter case ignored),
// at most kRememberedAddresses long.
QStringList withAddress(QStringList list, const QString& address);

struct LobbySettings {
    QString name;
    QStringList addresses;

    static LobbySettings load(const QString& path);
    // Writes the name and the address list; false when the file cannot be written.
    bool save(const QString& path) const;
};

}  // namespace mb
