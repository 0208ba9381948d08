#pragma once
// The authoritative game host without sockets or timers: seats, logins, relays, the card
// engine and the computer players. The transport feeds it bytes and connection events; it
// answers through HostOutput and asks HostTimers for its two timers, so a whole game can be
// played by calling its tick functions directly.
#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

#include "core/version.h"
#include "host/computerplayer.h"
#include "host/gamerandom.h"
#include "host/hostlimits.h"
#include "net/dispatch.h"
#include "net/framing.h"
#include "net/protocol.h"

namespace mb {

class HostOutput {
public:
    virtual ~HostOutput() = default;
    // One message, without its terminator, to the connection of `seat` (1..9, or kRefusedSeat).
    virtual void send(int seat, const QByteArray& message) = 0;
    // Close the connection of `seat`. The host has already forgotten the seat when this is
    // called; a "closed" report that comes back for it changes nothing.
    virtual void closeSeat(int seat) = 0;
};

class HostTimers {
public:
    virtual ~HostTimers() = default;
    // (Re)start the pause timer: HostCore::breaksTick() every kBreakInterval.
    virtual void startBreaksTimer() = 0;
    virtual void stopBreaksTimer() = 0;
    // (Re)start the computer timer: HostCore::computerTick() every `interval`.
    virtual void startComputerTimer(std::chrono::milliseconds interval) = 0;
    virtual void stopComputerTimer() = 0;
};

// What a log or a user interface may want to show; every function has a no-op default.
class HostObserver {
public:
    virtual ~HostObserver() = default;
    virtual void seatAccepted(int /*seat*/) {}
    virtual void connectionRefused() {}
    virtual void seatLeft(int /*seat*/, const QByteArray& /*name*/) {}
    virtual void playerLoggedIn(int /*seat*/, const QByteArray& /*name*/, bool /*sameVersion*/) {}
    virtual void gameStarted(const QByteArray& /*starter*/, int /*playTo*/) {}
    virtual void roundStarted(int /*round*/, int /*players*/) {}
    virtual void roundOver(int /*seat*/, int /*points*/, int /*total*/) {}
    virtual void gameWon(int /*seat*/, int /*total*/) {}
    virtual void loginTimedOut(int /*seat*/) {}
    // A connection's relays are being dropped; said once per flood, not per message.
    virtual void relaysDropped(int /*seat*/, const QByteArray& /*name*/) {}
    virtual void turnTimedOut(int /*seat*/, const QByteArray& /*name*/) {}
    // A full table made room for a newcomer by closing this connection, which had not logged in.
    virtual void bareConnectionReplaced(int /*seat*/) {}
    // This connection sent more malformed messages than kMaxMalformedPerWindow allows and is
    // being closed.
    virtual void malformedFlood(int /*seat*/, const QByteArray& /*name*/) {}
};

struct SeatRecord {
    QByteArray name;        // empty while free or before login
    bool present = false;   // a connection occupies the seat
    bool loggedIn = false;  // the connection has logged in (it does so once)
    bool watching = false;
    int score = 0;
    bool playing = false;  // dealt into the current round
    Hand hand{};
};

// The draw pile and the discard pile. Position 1 of the wire is index 0 here.
struct CardPiles {
    std::array<int, kMaxDeckSize> deck{};
    int deckSize = 0;   // valid draw positions: the dealt size, or the reshuffled count
    int drawIndex = 0;  // positions already drawn
    std::array<int, kMaxDeckSize> discard{};
    int discardCount = 0;
    int dealtSize = 0;  // 40, 50 or 60: the cards in play this round

    int topCard() const { return discardCount > 0 ? discard[discardCount - 1] : 0; }
    int nextDraw() const { return drawIndex < deckSize ? deck[drawIndex] : 0; }
};

// Printable, list-safe player names that cannot pass for another's: separators ("+", "|"), ":"
// and control characters become "_", invisible and format characters (zero-width, bidirectional
// controls, soft hyphen) are dropped, spaces are trimmed and collapsed to one, the name is cut
// to kMaxNameBytes without splitting a UTF-8 character, and a name the roster lists could not
// carry ("" or the end marker "@") becomes "Player <seat>". Bytes that are not UTF-8 are kept.
QByteArray safePlayerName(QByteArrayView typed, int seat);
// The first `maxBytes` bytes of `text` or fewer, never ending inside a UTF-8 character.
QByteArray cutAtCharacter(QByteArrayView text, qsizetype maxBytes);

class HostCore {
public:
    using BotSpeedSource = std::function<std::chrono::milliseconds()>;
    using TurnCountSource = std::function<int()>;
    // Monotonic time for deadlines and rates; tests step it by hand.
    using Clock = std::function<std::chrono::milliseconds()>;

    // `random` deals the cards: GameRandom() for a game among people, a seeded one for a known
    // game.
    HostCore(HostOutput& output, HostTimers& timers, GameRandom random,
             QByteArray version = kProgramVersion);
    HostCore(const HostCore&) = delete;
    HostCore& operator=(const HostCore&) = delete;

    // Read at the start of every computer turn; kBotSpeedNormal when unset.
    void setBotSpeedSource(BotSpeedSource source) { botSpeed_ = std::move(source); }
    // The hosting player's turns this round, for CMD_gamestats. Unset (a dedicated host), the
    // core counts seat 1's turns itself.
    void setHostTurnCountSource(TurnCountSource source) { hostTurnCount_ = std::move(source); }
    void setObserver(HostObserver* observer) { observer_ = observer ? observer : &noObserver_; }
    // Unset, the steady clock.
    void setClock(Clock clock);
    // A player who has not moved this long after the turn began has the computer's move made
    // for them. Zero (the default) waits for ever.
    void setTurnLimit(std::chrono::milliseconds limit) { turnLimit_ = limit; }
    // A host without a player of its own: while a game runs, seat 1 and its rights stay with
    // the computer when its player leaves, and newcomers are seated from 2.
    void setKeepHostSeatInGame(bool keep) { keepHostSeat_ = keep; }
    // Where the texts of peers' malformed messages go; unset, the error notice. A hosting copy
    // shows them without blocking its own table.
    void setMalformedSink(std::function<void(const QString&)> sink) {
        malformedSink_ = std::move(sink);
    }
    std::chrono::milliseconds now() const { return clock_(); }

    // --- Connections ---
    // The lowest free seat 1..9; when all nine are present, the seat of the oldest connection
    // that has not logged in; kRefusedSeat when every connection has.
    int seatForNewConnection() const;
    // Closes the connection of `seat` if it has not logged in (told CMD_full, announced to
    // nobody), so a newcomer can take the seat. Call it before handing the seat to another
    // connection; Sock1Accept does so itself.
    void makeRoom(int seat);
    // The transport has accepted a connection into `seat` (as chosen above): a real seat is
    // marked present and asked to log in; kRefusedSeat is sent CMD_full and closed.
    void Sock1Accept(int seat);
    // Both steps at once, for callers without a real listener. Returns the seat.
    int acceptConnection();
    // The connection of `seat` has closed. Repeated reports are harmless.
    void seatClosed(int seat);
    // Drops the connection of `seat` through the close path (a removal, a flood, a peer that
    // stops reading): the others are told, then HostOutput::closeSeat closes it.
    void disconnectsock(int seat);
    // Bytes received on the connection of `seat`: cut into messages and queued.
    void receive(int seat, QByteArrayView bytes);

    // --- Ticks ---
    // The dispatch tick: handles one queued entry that does something, taking connections in
    // turn; entries that come to nothing on the way are passed over. Returns whether more
    // entries are waiting.
    bool socktimerTimer();
    bool hasQueuedInput() const;
    // Dispatches one entry as if it had been queued by `seat`'s connection.
    void dispatchEntry(int seat, const QByteArray& entry);
    void breaksTick();
    void computerTick();
    // Deadlines: closes connections that never logged in and applies the turn limit. Call it
    // every kHousekeepingInterval or so.
    void housekeepingTick();
    // Whether a deadline is pending (a connection not logged in, a turn limit running): an
    // idle table needs no housekeeping, so its timer may rest.
    bool hasDeadlines() const;

    // --- State, read-only ---
    const SeatRecord& seat(int seat) const { return seats_[seat]; }
    const CardPiles& piles() const { return piles_; }
    bool gameStarted() const { return gameStarted_; }
    bool gameOver() const { return gameOver_; }
    bool gameRunning() const { return gameStarted_ && !gameOver_; }
    int turnSeat() const { return turnSeat_; }
    // The turn seat may still make its move.
    bool turnOpen() const { return turnOpen_; }
    int roundNumber() const { return roundNumber_; }
    int playTo() const { return playTo_; }
    int playersThisRound() const { return playersThisRound_; }
    bool breaksTimerActive() const { return breaksActive_; }
    bool computerTimerActive() const { return computerActive_; }
    qsizetype queuedEntries(int seat) const { return queues_[seat].size(); }
    const QByteArray& version() const { return version_; }
    // What the host answers to; a test holds it against the protocol's list.
    const Dispatcher& dispatcher() const { return dispatcher_; }

private:
    enum class PendingStep { None, NextTurn, NextRound };

    bool validSeat(int seat) const { return seat >= 1 && seat <= kMaxSeats; }
    // The next connection with queued entries, taking them in turn; 0 when none.
    int nextQueueInTurn();
    void broadcast(const QByteArray& message);
    void sendToOthers(int except, const QByteArray& message);
    void sendTo(int seat, const QByteArray& message);
    QByteArray gameStatsMessage() const;
    QByteArray handMessage(int seat) const;

    // Session handlers: each takes the text after the command name.
    void receivedlogininfo(const QByteArray& body);
    void kickhim(const QByteArray& body);
    void chat(const QByteArray& body);
    void action(const QByteArray& body);
    void playasound(const QByteArray& body);
    void justwatch(const QByteArray& body);

    // Card engine.
    void startgame(const QByteArray& body);
    void startround();
    void shufflecards();
    void reshuffle();
    int getcard();
    void findplayer();
    void replacecard(const QByteArray& body);
    void makeMove(int seat, int source, int slot);
    bool checkforalldone(int seat);
    void startPause(PendingStep step, int ticks);
    void stopBreaks();

    // Computer players.
    void startComputerMove();
    void stopComputer();
    void computerplay(int seat);

    // Whether one more relay of `bytes` from `seat` fits its rates (count and bytes); says so
    // once when a flood starts.
    bool relayAllowed(int seat, qsizetype bytes);
    // A handler found a malformed number in the current sender's message.
    void malformedMessage(const QString& text);
    QByteArray uniqueName(QByteArray name, int seat) const;

    // What the host knows of each connection beyond its seat record.
    struct Connection {
        std::chrono::milliseconds acceptedAt{};
        // Times of the latest relays, oldest first once the ring is full.
        std::array<std::chrono::milliseconds, kMaxRelaysPerWindow> relays{};
        int relayCount = 0;
        int relayNext = 0;
        bool dropping = false;
        std::chrono::milliseconds lastDrop{};
        // Relayed bytes not yet drained, in thousandths of a byte (see relayAllowed).
        qint64 bucket = 0;
        std::chrono::milliseconds bucketAt{};
        std::chrono::milliseconds malformedSince{};
        int malformedCount = 0;
    };

    HostOutput& output_;
    HostTimers& timers_;
    HostObserver noObserver_;
    HostObserver* observer_ = &noObserver_;
    BotSpeedSource botSpeed_;
    TurnCountSource hostTurnCount_;
    QByteArray version_;
    GameRandom random_;
    Dispatcher dispatcher_;

    // Seats 1..9 are used; 0 and kRefusedSeat only keep the indexing plain.
    std::array<SeatRecord, kRefusedSeat + 1> seats_{};
    std::array<FrameDecoder, kRefusedSeat + 1> decoders_{};
    std::array<InboundQueue, kRefusedSeat + 1> queues_{};
    std::array<Connection, kRefusedSeat + 1> connections_{};
    Clock clock_;
    std::function<void(const QString&)> malformedSink_;
    std::chrono::milliseconds turnLimit_{0};
    std::optional<std::chrono::milliseconds> turnDeadline_;
    bool keepHostSeat_ = false;
    int lastServed_ = 0;
    // Messages sent and connections closed so far: tells an entry that did something.
    quint64 effects_ = 0;
    int currentSender_ = 0;

    CardPiles piles_;
    bool gameStarted_ = false;
    bool gameOver_ = false;
    int turnSeat_ = 0;
    bool turnOpen_ = false;
    int roundNumber_ = 0;
    int playTo_ = 0;
    int playersThisRound_ = 0;
    int hostSeatTurns_ = 0;

    PendingStep pendingStep_ = PendingStep::None;
    int pauseCountdown_ = 0;
    bool breaksActive_ = false;
    bool computerMovePending_ = false;  // the computer timer's tag
    int computerCountdown_ = 0;
    bool computerActive_ = false;
};

}  // namespace mb
