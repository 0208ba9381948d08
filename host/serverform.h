#pragma once
// The socket-facing host: the hidden window of every copy. It owns the listener and one
// connection per seat and hands everything it hears to HostCore; all rules live there.
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "core/version.h"
#include "host/connectionthrottle.h"
#include "host/hostcore.h"
#include "net/sock.h"
#include "net/tickpump.h"

namespace mb {

// Output bound per connection: a peer that stops reading is dropped instead of growing the
// host's memory without limit.
inline constexpr qsizetype kMaxPendingOutput = 1024 * 1024;

struct ServerOptions {
    QString port = QString::number(kGamePort);  // "0" picks a free port
    QByteArray version = kProgramVersion;
    // Read at the start of each computer turn; Normal when empty.
    HostCore::BotSpeedSource botSpeed;
    // The hosting player's turns this round; empty on a dedicated host.
    HostCore::TurnCountSource hostTurnCount;
    // Known deals for tests; empty deals from the system's random source, as a game among
    // people must.
    std::optional<quint32> seed;
    // The pause timer's tick; tests shorten it to play whole games quickly.
    std::chrono::milliseconds breakInterval = kBreakInterval;
    // Time for deadlines and rates; the steady clock when empty. Tests step their own.
    HostCore::Clock clock;
    // Zero waits for every move for ever; see HostCore::setTurnLimit.
    std::chrono::milliseconds turnLimit{0};
    // A host without a player of its own; see HostCore::setKeepHostSeatInGame.
    bool keepHostSeatInGame = false;
    // Texts of peers' malformed messages; the error notice when empty.
    std::function<void(const QString&)> malformedSink;
    // Tests lower the output bound to reach it without a megabyte of traffic.
    qsizetype maxPendingOutput = kMaxPendingOutput;
};

class TServer : public QObject {
    Q_OBJECT
public:
    explicit TServer(ServerOptions options = {}, QObject* parent = nullptr);
    ~TServer() override;

    // Sets Sock1 listening. Throws SockError when the port cannot be bound.
    void startListening();
    void stopListening();
    bool isListening() const;
    // The bound port, e.g. after listening on port "0".
    quint16 listenPort() const;

    const HostCore& core() const { return *core_; }
    // The connection of `seat`, or nullptr.
    const Sock* connection(int seat) const;

signals:
    void connectionAccepted(int seat, const QString& peer);
    void connectionRefused(const QString& peer);
    void connectionClosed(int seat, const QString& name);
    void playerLoggedIn(int seat, const QString& name, bool sameVersion);
    void gameStarted(const QString& starter, int playTo);
    void roundStarted(int round, int players);
    void roundOver(int seat, int points, int total);
    void winner(int seat, int total);
    // Names and peers in these signals are printable (see printableText).
    void connectionsThrottled(const QString& peer);
    void loginTimedOut(int seat, const QString& peer);
    void relaysDropped(int seat, const QString& name);
    void turnTimedOut(int seat, const QString& name);
    // The listener is open on `port`.
    void listening(quint16 port);
    // Something was handled that may have changed who sits, watches or plays; cheap to
    // compare against, emitted often.
    void tableTouched();
    // A newcomer to a full table took the seat of this connection, which had not logged in.
    void bareConnectionReplaced(int seat, const QString& peer);
    // This connection was closed for sending malformed messages too fast.
    void malformedFlood(int seat, const QString& peer, const QString& name);

private:
    class Port;
    friend class Port;

    void Sock1Accept();
    void Sock1Read(Sock* sock);
    void tempsockDisconnect(Sock* sock);
    void tempsockInfo(Sock* sock, const QString& text);
    // The seat `sock` serves, or 0 for an object no longer attached to a seat.
    int seatOf(Sock* sock) const;
    void send(int seat, const QByteArray& message);
    void closeSeat(int seat);
    void closeSlowConsumers();

    ServerOptions options_;
    std::unique_ptr<Port> port_;
    std::unique_ptr<HostCore> core_;
    Sock* Sock1;
    // The accepted connection of each seat (index = seat); a refused one passes through
    // kRefusedSeat on its way out.
    std::array<QPointer<Sock>, kRefusedSeat + 1> socks_{};
    std::array<bool, kRefusedSeat + 1> slow_{};
    TickPump* socktimer;
    QTimer* timer_breaks;
    QTimer* computertimer;
    QTimer* housekeeping_;
    void armHousekeeping();
    ConnectionThrottle throttle_;
};

}  // namespace mb
