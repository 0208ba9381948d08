#include "lobby/lobbylink.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

#include "net/lobbylink.h"

namespace mb {

GameEnd parseLinkReport(QByteArrayView bytes) {
    if (bytes == lobbylink::kClosed) return GameEnd::Closed;
    if (bytes == lobbylink::kUnreachable) return GameEnd::Unreachable;
    if (bytes == lobbylink::kFull) return GameEnd::Full;
    if (bytes == lobbylink::kLost) return GameEnd::Lost;
    return GameEnd::Unknown;
}

QString gameEndLine(GameEnd end) {
    switch (end) {
        case GameEnd::Closed:
            return QStringLiteral("The game was closed.");
        case GameEnd::Unreachable:
            return QStringLiteral("The table could not be reached.");
        case GameEnd::Full:
            return QStringLiteral("The table was full.");
        case GameEnd::Lost:
            return QStringLiteral("The table ended the game.");
        case GameEnd::Unknown:
            break;
    }
    return QStringLiteral("The game has ended.");
}

LobbyLink::LobbyLink(quint16 port, QObject* parent)
    : QObject(parent), port_(port), server_(new QTcpServer(this)) {
    connect(server_, &QTcpServer::newConnection, this, &LobbyLink::accept);
}

bool LobbyLink::listen() {
    // Only this machine's own programs may link; the lobby is never reachable from outside.
    return server_->listen(QHostAddress::LocalHost, port_);
}

QString LobbyLink::errorString() const {
    return server_->errorString();
}

quint16 LobbyLink::port() const {
    return server_->serverPort();
}

void LobbyLink::accept() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        if (open_ >= kMaxOpenLinks) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++open_;
        socket->setReadBufferSize(lobbylink::kMaxLinkReportBytes + 1);
        // Past the bound it cannot be a report any more; one byte too many is kept to say so.
        auto report = std::make_shared<QByteArray>();
        auto take = [socket, report] {
            const QByteArray bytes = socket->readAll();
            const qsizetype room = lobbylink::kMaxLinkReportBytes + 1 - report->size();
            report->append(bytes.first(std::min(bytes.size(), room)));
        };
        connect(socket, &QTcpSocket::readyRead, socket, take);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, report, take] {
            take();
            socket->deleteLater();
            --open_;
            emit linkClosed(parseLinkReport(*report));
        });
        emit linkOpened();
    }
}

}  // namespace mb
