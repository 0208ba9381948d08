#pragma once
// The lobby's end of the lobby link: it listens on 127.0.0.1 only, counts the game copies
// linked to it and hears from each, when it ends, how the game ended. Any local program may
// connect, so each connection is read for at most kMaxLinkReportBytes and their number is
// bounded. Window-free.
#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include "net/protocol.h"

class QTcpServer;

namespace mb {

enum class GameEnd { Closed, Unreachable, Full, Lost, Unknown };

// The end a link's bytes report: exactly one of the words of net/lobbylink.h, or Unknown.
GameEnd parseLinkReport(QByteArrayView bytes);
// The lobby's line for it.
QString gameEndLine(GameEnd end);

// A local program holding more links than this is not our games; the rest are closed.
inline constexpr int kMaxOpenLinks = 16;

class LobbyLink : public QObject {
    Q_OBJECT
public:
    explicit LobbyLink(quint16 port = kLobbyPort, QObject* parent = nullptr);

    // False when the port cannot be bound; errorString() says why.
    bool listen();
    QString errorString() const;
    quint16 port() const;
    int openLinks() const { return open_; }

signals:
    // A game copy has linked; emitted for each.
    void linkOpened();
    // A link has closed, saying how its game ended.
    void linkClosed(mb::GameEnd end);

private:
    void accept();

    quint16 port_;
    QTcpServer* server_;
    int open_ = 0;
};

}  // namespace mb
