// Card engine and computer players: games, rounds, the deal, turns, replacements, scoring.
#include <algorithm>

#include "host/hostcore.h"
#include "net/commands.h"
#include "net/message.h"

namespace mb {

namespace {

// Two playing seats share 40 cards, three 50; one or four get the full 60. Each player count
// leaves 19 cards to draw after the deal.
int deckSizeFor(int players) {
    switch (players) {
        case 2:
            return 40;
        case 3:
            return 50;
        default:
            return kMaxDeckSize;
    }
}

}  // namespace

// --- Games and rounds ---

void HostCore::startgame(const QByteArray& body) {
    // Only the hosting player is offered "Start Game"; anyone else restarting the table at will
    // would keep every game from finishing.
    if (currentSender_ != kHostSeat) return;
    stopBreaks();
    stopComputer();
    turnDeadline_.reset();
    gameStarted_ = true;
    gameOver_ = false;
    turnOpen_ = false;

    FieldReader r(body);
    r.field();  // the starter as the client names it; the seat's own name is relayed instead
    const QByteArray starter = seats_[kHostSeat].name;
    try {
        playTo_ = toInt(r.field());
    } catch (const ConversionError&) {
        playTo_ = kDefaultPlayTo;
    }
    broadcast(MessageBuilder(cmd::kStartGame).field(starter).field(playTo_).field("").take());
    observer_->gameStarted(starter, playTo_);

    for (int s = 1; s <= kTableSeats; ++s) {
        seats_[s].score = 0;
        seats_[s].watching = false;
    }
    turnSeat_ = 0;
    roundNumber_ = 0;
    startround();
}

void HostCore::startround() {
    ++roundNumber_;
    playersThisRound_ = 0;
    hostSeatTurns_ = 0;
    MessageBuilder m(cmd::kRoundStart);
    m.field(roundNumber_);
    for (int s = 1; s <= kTableSeats; ++s) {
        SeatRecord& rec = seats_[s];
        rec.playing = rec.present || s == kComputerSeat;
        if (rec.playing) ++playersThisRound_;
        m.field(s).field(rec.playing ? 1 : 0);
    }
    broadcast(m.take());
    observer_->roundStarted(roundNumber_, playersThisRound_);
    shufflecards();
    findplayer();
}

void HostCore::shufflecards() {
    piles_.deck.fill(0);
    piles_.deckSize = deckSizeFor(playersThisRound_);
    piles_.dealtSize = piles_.deckSize;
    for (int card = 1; card <= piles_.deckSize; ++card) {
        int p;
        do {
            p = random_.below(piles_.deckSize);
        } while (piles_.deck[p] != 0);
        piles_.deck[p] = card;
    }
    piles_.drawIndex = 0;

    for (int s = 1; s <= kTableSeats; ++s) {
        SeatRecord& rec = seats_[s];
        if (!rec.playing) continue;
        for (int& card : rec.hand) card = getcard();
        sendTo(s, handMessage(s));
    }
    piles_.discard.fill(0);
    piles_.discard[0] = getcard();
    piles_.discardCount = 1;
    broadcast(MessageBuilder(cmd::kTopCard).field(piles_.topCard()).field("").take());
}

void HostCore::reshuffle() {
    const int top = piles_.topCard();
    const int k = piles_.discardCount - 1;  // everything under the top card
    piles_.deck.fill(0);
    for (int j = 0; j < k; ++j) {
        int p;
        do {
            p = random_.below(k);
        } while (piles_.deck[p] != 0);
        piles_.deck[p] = piles_.discard[j];
    }
    piles_.deckSize = k;
    piles_.discard.fill(0);
    piles_.discard[0] = top;
    piles_.discardCount = 1;
    piles_.drawIndex = 0;
}

int HostCore::getcard() {
    return piles_.deck[piles_.drawIndex++];
}

// --- Turns ---

void HostCore::findplayer() {
    const bool anyPlaying = std::any_of(seats_.begin() + 1, seats_.begin() + 1 + kTableSeats,
                                        [](const SeatRecord& r) { return r.playing; });
    if (!anyPlaying) return;
    do {
        turnSeat_ = turnSeat_ % kTableSeats + 1;
    } while (!seats_[turnSeat_].playing);

    turnDeadline_.reset();
    if (piles_.drawIndex + 1 > piles_.deckSize) reshuffle();
    if (turnSeat_ == kHostSeat) ++hostSeatTurns_;
    turnOpen_ = true;
    // The next draw is the turn seat's to know: told to the others (spectators too), it would
    // show a changed client which card goes into the mover's hand, which the hidden
    // CMD_hisplay keeps from them. Their windows never show it, so they are told 0.
    const auto nextPlayer = [this](int draw) {
        return MessageBuilder(cmd::kNextPlayer).field(turnSeat_).field(draw).field("").take();
    };
    sendTo(turnSeat_, nextPlayer(piles_.nextDraw()));
    sendToOthers(turnSeat_, nextPlayer(0));

    const SeatRecord& rec = seats_[turnSeat_];
    // A connection that has not logged in is nobody at the table: it must not hold the turn.
    if (!rec.present || !rec.loggedIn || rec.watching)
        startComputerMove();
    else if (turnLimit_ > std::chrono::milliseconds::zero())
        turnDeadline_ = now() + turnLimit_;
}

void HostCore::replacecard(const QByteArray& body) {
    FieldReader r(body);
    const int seat = r.intField();
    // A connection moves only for its own seat, and only on its turn.
    if (seat != currentSender_ || seat != turnSeat_) return;
    const int source = r.intField();
    const int slot = r.intField();
    makeMove(seat, source, slot);
}

void HostCore::makeMove(int seat, int source, int slot) {
    if (seat < 1 || seat > kTableSeats || slot < 1 || slot > kHandSize) return;
    if (source != kDrawPile && source != kDiscardPile) return;
    // One replacement per turn: the next is accepted once the next turn has begun.
    if (seat != turnSeat_ || !turnOpen_) return;
    turnOpen_ = false;
    turnDeadline_.reset();

    int card;
    if (source == kDiscardPile) {
        card = piles_.topCard();
        --piles_.discardCount;
    } else {
        card = getcard();
    }
    int& held = seats_[seat].hand[slot - 1];
    piles_.discard[piles_.discardCount++] = held;
    held = card;

    const QByteArray seen = MessageBuilder(cmd::kHisPlay)
                                .field(seat)
                                .field(card)
                                .field(slot)
                                .field(piles_.topCard())
                                .field(source)
                                .field("")
                                .take();
    const QByteArray hidden = MessageBuilder(cmd::kHisPlay)
                                  .field(seat)
                                  .field(0)
                                  .field(0)
                                  .field(piles_.topCard())
                                  .field(source)
                                  .field("")
                                  .take();
    for (int s = 1; s <= kMaxSeats; ++s) sendTo(s, s == seat ? seen : hidden);

    if (!checkforalldone(seat)) startPause(PendingStep::NextTurn, kTurnPauseTicks);
}

bool HostCore::checkforalldone(int seat) {
    const Hand& hand = seats_[seat].hand;
    if (!std::is_sorted(hand.begin(), hand.end())) return false;

    int points = 0;
    for (int card : hand) points += card;
    SeatRecord& rec = seats_[seat];
    rec.score += points;
    MessageBuilder m(cmd::kRoundOver);
    m.field(seat).field(rec.score).field(points);
    for (int slot = 1; slot <= kHandSize; ++slot) m.field(slot).field(hand[slot - 1]);
    broadcast(m.take());
    observer_->roundOver(seat, points, rec.score);

    if (rec.score >= playTo_) {
        broadcast(MessageBuilder(cmd::kWinner).field(seat).field("").take());
        gameOver_ = true;
        observer_->gameWon(seat, rec.score);
    } else {
        startPause(PendingStep::NextRound, kRoundPauseTicks);
    }
    return true;
}

// --- Pauses ---

void HostCore::startPause(PendingStep step, int ticks) {
    pendingStep_ = step;
    pauseCountdown_ = ticks;
    timers_.stopBreaksTimer();
    timers_.startBreaksTimer();
    breaksActive_ = true;
}

void HostCore::stopBreaks() {
    timers_.stopBreaksTimer();
    breaksActive_ = false;
    pendingStep_ = PendingStep::None;
}

void HostCore::breaksTick() {
    if (!breaksActive_) return;
    if (--pauseCountdown_ >= 1) return;
    const PendingStep step = pendingStep_;
    stopBreaks();
    if (step == PendingStep::NextTurn) findplayer();
    if (step == PendingStep::NextRound) startround();
}

// --- Computer players ---

void HostCore::startComputerMove() {
    timers_.stopComputerTimer();
    const std::chrono::milliseconds interval = botSpeed_ ? botSpeed_() : kBotSpeedNormal;
    computerMovePending_ = true;
    computerCountdown_ = kComputerMoveTicks;
    timers_.startComputerTimer(interval);
    computerActive_ = true;
}

void HostCore::stopComputer() {
    timers_.stopComputerTimer();
    computerActive_ = false;
    computerMovePending_ = false;
}

void HostCore::computerTick() {
    if (!computerActive_) return;
    if (--computerCountdown_ >= 1) return;
    const bool pending = computerMovePending_;
    stopComputer();
    // The move is for whoever holds the turn now, even a player who came back meanwhile.
    if (pending) computerplay(turnSeat_);
}

void HostCore::computerplay(int seat) {
    if (seat < 1 || seat > kTableSeats || !turnOpen_) return;
    const ComputerMove move =
        computersort(seats_[seat].hand, piles_.topCard(), piles_.nextDraw(), playersThisRound_);
    if (!move.settled()) {
        makeMove(seat, move.source, move.slot);
        return;
    }
    // A hand dealt already settled is a completed order: score it rather than stall the table.
    turnOpen_ = false;
    turnDeadline_.reset();
    checkforalldone(seat);
}

}  // namespace mb
