#pragma once
// The one record of the client, shared by the main window's handlers.
#include <QByteArray>
#include <QString>

#include "core/colourtext.h"

namespace mb {

inline constexpr WinColor kSystemBlue = 0xFF0000;

struct ClientState {
    QString playername;
    QString hostaddress;
    QByteArray loginname;  // playername plus the message terminator
    bool ishost = false;
    bool isconnected = false;
    int myseat = 0;
    int seatcount = 4;
    WinColor systemcolor = kSystemBlue;
    bool phraseready = true;
    int phrasecooldown = 0;
    QString gamename = QStringLiteral("Marrowby");

    // Card table
    int currentturn = 0;
    int pickedpile = 0;
    int nextdrawcard = 0;
    int myturncount = 0;
};

}  // namespace mb
