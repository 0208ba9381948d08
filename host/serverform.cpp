#include "host/serverform.h"

#include <algorithm>

#include "host/logtext.h"
#include "net/commands.h"
#include "net/framing.h"
#include "net/message.h"

namespace mb {

// Connects the core's output, timer and event interfaces to this object.
class TServer::Port : public HostOutput, public HostTimers, public HostObserver {
public:
    explicit Port(TServer& server) : s_(server) {}

    void send(int seat, const QByteArray& message) override { s_.send(seat, message); }
    void closeSeat(int seat) override { s_.closeSeat(seat); }

    void startBreaksTimer() override { s_.timer_breaks->start(); }
    void stopBreaksTimer() override { s_.timer_breaks->stop(); }
    void startComputerTimer(std::chrono::milliseconds interval) override {
        s_.computertimer->start(std::max(interval, std::chrono::milliseconds{0}));
    }
    void stopComputerTimer() override { s_.computertimer->stop(); }

    void seatAccepted(int seat) override { emit s_.connectionAccepted(seat, peer(seat)); }
    void connectionRefused() override { emit s_.connectionRefused(peer(kRefusedSeat)); }
    void seatLeft(int seat, const QByteArray& name) override {
        emit s_.connectionClosed(seat, printableText(name));
    }
    void playerLoggedIn(int seat, const QByteArray& name, bool sameVersion) override {
        emit s_.playerLoggedIn(seat, printableText(name), sameVersion);
    }
    void gameStarted(const QByteArray& starter, int playTo) override {
        emit s_.gameStarted(printableText(starter), playTo);
    }
    void loginTimedOut(int seat) override { emit s_.loginTimedOut(seat, peer(seat)); }
    void relaysDropped(int seat, const QByteArray& name) override {
        emit s_.relaysDropped(seat, printableText(name));
    }
    void turnTimedOut(int seat, const QByteArray& name) override {
        emit s_.turnTimedOut(seat, printableText(name));
    }
    void bareConnectionReplaced(int seat) override {
        emit s_.bareConnectionReplaced(seat, peer(seat));
    }
    void malformedFlood(int seat, const QByteArray& name) override {
        emit s_.malformedFlood(seat, peer(seat), printableText(name));
    }
    void roundStarted(int round, int players) override { emit s_.roundStarted(round, players); }
    void roundOver(int seat, int points, int total) override {
        emit s_.roundOver(seat, points, total);
    }
    void gameWon(int seat, int total) override { emit s_.winner(seat, total); }

private:
    QString peer(int seat) const {
        const Sock* sock = s_.socks_[seat];
        return sock ? sock->hostName() : QString();
    }
    TServer& s_;
};

TServer::TServer(ServerOptions options, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      port_(std::make_unique<Port>(*this)),
      core_(std::make_unique<HostCore>(*port_, *port_,
                                       options_.seed ? GameRandom(*options_.seed) : GameRandom(),
                                       options_.version)),
      Sock1(new Sock(this)),
      socktimer(new TickPump(
          kHostTick,
          [this] {
              const bool more = core_->socktimerTimer();
              emit tableTouched();
              return more;
          },
          this, kHostTickBurst)),
      timer_breaks(new QTimer(this)),
      computertimer(new QTimer(this)),
      housekeeping_(new QTimer(this)) {
    core_->setObserver(port_.get());
    core_->setClock(options_.clock);
    core_->setTurnLimit(options_.turnLimit);
    core_->setKeepHostSeatInGame(options_.keepHostSeatInGame);
    if (options_.malformedSink) core_->setMalformedSink(options_.malformedSink);
    housekeeping_->setObjectName(QStringLiteral("housekeeping"));
    housekeeping_->setInterval(kHousekeepingInterval);
    // The timer runs only while a deadline is pending: an idle table costs no wake-ups.
    connect(housekeeping_, &QTimer::timeout, this, [this] {
        core_->housekeepingTick();
        if (!core_->hasDeadlines()) housekeeping_->stop();
    });
    connect(this, &TServer::tableTouched, this, &TServer::armHousekeeping);
    if (options_.botSpeed) core_->setBotSpeedSource(options_.botSpeed);
    if (options_.hostTurnCount) core_->setHostTurnCountSource(options_.hostTurnCount);

    Sock1->setPortName(options_.port);
    connect(Sock1, &Sock::acceptPending, this, &TServer::Sock1Accept);
    timer_breaks->setInterval(options_.breakInterval);
    connect(timer_breaks, &QTimer::timeout, this, [this] {
        core_->breaksTick();
        emit tableTouched();
    });
    connect(computertimer, &QTimer::timeout, this, [this] {
        core_->computerTick();
        emit tableTouched();
    });
}

TServer::~TServer() {
    // The connections outlive the core by a moment (they are children); keep them quiet.
    for (const QPointer<Sock>& sock : socks_)
        if (sock) disconnect(sock, nullptr, this, nullptr);
}

void TServer::armHousekeeping() {
    if (Sock1->isListening() && !housekeeping_->isActive() && core_->hasDeadlines())
        housekeeping_->start();
}

void TServer::startListening() {
    Sock1->setListen(true);
    armHousekeeping();
    emit listening(listenPort());
}
void TServer::stopListening() {
    Sock1->setListen(false);
    housekeeping_->stop();
}
bool TServer::isListening() const {
    return Sock1->isListening();
}
quint16 TServer::listenPort() const {
    return Sock1->localPort();
}

int TServer::seatOf(Sock* sock) const {
    const int seat = sock ? sock->tag() : 0;
    return seat >= 1 && seat <= kRefusedSeat && socks_[seat] == sock ? seat : 0;
}

const Sock* TServer::connection(int seat) const {
    return seat >= 1 && seat <= kRefusedSeat ? socks_[seat].data() : nullptr;
}

void TServer::Sock1Accept() {
    Sock* sock = Sock1->accept();
    if (!sock) return;
    if (const auto verdict = throttle_.admit(sock->hostName(), core_->now());
        verdict != ConnectionThrottle::Verdict::Admitted) {
        if (verdict == ConnectionThrottle::Verdict::Banned)
            emit connectionsThrottled(sock->hostName());
        // Told like a full table, so a person at a real client reads why it closes.
        try {
            sock->send(frame(MessageBuilder(cmd::kFull).field("").take()));
        } catch (const SockError&) {
        }
        sock->close();
        sock->deleteLater();
        return;
    }
    const int seat = core_->seatForNewConnection();
    // A full table closes its oldest bare connection for the newcomer.
    core_->makeRoom(seat);
    // The seat's previous connection is closed by now; it may still be on the call stack.
    if (socks_[seat]) socks_[seat]->deleteLater();
    socks_[seat] = sock;
    slow_[seat] = false;
    sock->setTag(seat);
    sock->setKeepAlive(kKeepAliveIdleSeconds, kKeepAliveIntervalSeconds, kKeepAliveProbes);
    connect(sock, &Sock::readyRead, this, [this, sock] { Sock1Read(sock); });
    connect(sock, &Sock::disconnected, this, [this, sock] { tempsockDisconnect(sock); });
    connect(sock, &Sock::info, this,
            [this, sock](InfoCode, const QString& text) { tempsockInfo(sock, text); });
    core_->Sock1Accept(seat);
    armHousekeeping();
}

void TServer::Sock1Read(Sock* sock) {
    const int seat = seatOf(sock);
    if (seat == 0 || seat == kRefusedSeat || !sock->bufferedInput()) return;
    core_->receive(seat, sock->receive());
    if (core_->hasQueuedInput()) socktimer->wake();
}

void TServer::tempsockDisconnect(Sock* sock) {
    const int seat = seatOf(sock);
    if (seat != 0 && core_->seat(seat).present) sock->close();
}

void TServer::tempsockInfo(Sock* sock, const QString& text) {
    if (text != QLatin1String(kSocketClosed)) return;
    // A peer close is reported twice; the second report finds the seat free already.
    if (const int seat = seatOf(sock); seat != 0) {
        core_->seatClosed(seat);
        emit tableTouched();
    }
}

void TServer::send(int seat, const QByteArray& message) {
    Sock* sock = socks_[seat];
    if (!sock || !sock->isConnected()) return;
    try {
        sock->send(frame(message));
    } catch (const SockError&) {
        return;  // the close report for this connection is on its way
    }
    if (sock->pendingOutput() > options_.maxPendingOutput && !slow_[seat]) {
        slow_[seat] = true;
        // Not now: the core is in the middle of sending, possibly to this very seat.
        QTimer::singleShot(0, this, &TServer::closeSlowConsumers);
    }
}

void TServer::closeSlowConsumers() {
    for (int seat = 1; seat <= kMaxSeats; ++seat) {
        if (!slow_[seat]) continue;
        slow_[seat] = false;
        core_->disconnectsock(seat);
    }
}

void TServer::closeSeat(int seat) {
    if (Sock* sock = socks_[seat]; sock && sock->isOpen()) sock->close();
}

}  // namespace mb
