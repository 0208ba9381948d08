#include "client/tablemodel.h"

#include "net/commands.h"
#include "net/framing.h"
#include "net/message.h"

namespace mb {

namespace {

const std::array<QString, kTableSeats + 1> kHints = {
    QString(), QString(), QStringLiteral("Duro"), QStringLiteral("Klick"), QStringLiteral("Kling")};

QString text(const QByteArray& bytes) {
    return QString::fromUtf8(bytes);
}

bool validSlot(int slot) {
    return slot >= 1 && slot <= kHandSize;
}

}  // namespace

TableModel::TableModel(ClientState& state, TableEffects& effects) : st_(state), fx_(effects) {
    hand_.fill(kNoPicture);
    wcards_.fill(kNoPicture);
    for (int s = 1; s <= kTableSeats; ++s) seats_[size_t(s)].hint = kHints[size_t(s)];
}

void TableModel::addHandlers(Dispatcher& dispatcher) {
    using Handler = void (TableModel::*)(const QByteArray&);
    const std::pair<const char*, Handler> table[] = {
        {cmd::kNewPlayerInfo, &TableModel::newplayerinfo},
        {cmd::kExistingPlayers, &TableModel::newplayerinfo},
        {cmd::kPlayerDisconnected, &TableModel::playerdisconnected},
        {cmd::kJustWatching, &TableModel::justwatching},
        {cmd::kStartGame, &TableModel::startthegame},
        {cmd::kNextPlayer, &TableModel::getnextplayer},
        {cmd::kWinner, &TableModel::winner},
        {cmd::kRoundStart, &TableModel::roundstart},
        {cmd::kMyCards, &TableModel::mycards},
        {cmd::kTopCard, &TableModel::topcard},
        {cmd::kHisPlay, &TableModel::hisplay},
        {cmd::kRoundOver, &TableModel::roundover},
        {cmd::kGameStats, &TableModel::gamestats},
    };
    for (const auto& entry : table) {
        const Handler handler = entry.second;
        dispatcher.add(entry.first,
                       [this, handler](const QByteArray& body) { (this->*handler)(body); });
    }
}

SeatView* TableModel::tableSeat(int seat) {
    return isTableSeat(seat) ? &seats_[size_t(seat)] : nullptr;
}

QString TableModel::shownName(int seat) const {
    return isTableSeat(seat) ? seats_[size_t(seat)].name : QString();
}

void TableModel::clearall() {
    for (int s = 1; s <= std::min(st_.seatcount, kTableSeats); ++s) {
        seats_[size_t(s)].score = QStringLiteral("0");
        seats_[size_t(s)].bonus.clear();
    }
}

void TableModel::setSeatPlaying(int seat, bool playing) {
    if (SeatView* v = tableSeat(seat)) {
        v->notPlaying = !playing;
        v->scoreVisible = playing;
    }
}

void TableModel::startthegame(const QByteArray& body) {
    FieldReader f(body);
    const QString name = text(f.field());
    const QString score = text(f.field());
    startVisible = false;
    justWatchChecked = false;
    winnerVisible = false;
    gameRunning = true;
    clearall();
    playToScore = QStringLiteral("Play to Score: ") + score;
    if (st_.myseat > st_.seatcount || shownName(st_.myseat) != name)
        fx_.addSystemLine(QStringLiteral("0+") + name + QStringLiteral(" has started a game."));
    else
        fx_.addSystemLine(QStringLiteral("0+You have started a game."));
    SeatView& duro = seats_[2];
    if (duro.name == kWaiting) {
        duro.name = duro.hint;
        fx_.addSystemLine(QStringLiteral("0+I am Duro the bot. Good Luck!"));
    }
}

void TableModel::roundstart(const QByteArray& body) {
    FieldReader f(body);
    const int round = f.intField();
    st_.myturncount = 0;
    winnerCardsVisible = false;
    numTurns = QStringLiteral("Turns: 0");
    roundNumber = QStringLiteral("Round: ") + QString::number(round);
    f.beginList();
    while (!f.atListEnd()) {
        const int seat = f.intField();
        const int flag = f.intField();
        setSeatPlaying(seat, flag != 0);
    }
    for (int s = 1; s <= kTableSeats; ++s) seats_[size_t(s)].bonus.clear();
    drawPileCard = 0;
}

void TableModel::mycards(const QByteArray& body) {
    FieldReader f(body);
    if (f.intField() != st_.myseat) return;
    f.beginList();
    while (!f.atListEnd()) {
        const int slot = f.intField();
        const int card = f.intField();
        if (validSlot(slot)) hand_[size_t(slot)] = card;
    }
}

void TableModel::topcard(const QByteArray& body) {
    topCard = FieldReader(body).intField();
}

void TableModel::getnextplayer(const QByteArray& body) {
    FieldReader f(body);
    const int seat = f.intField();
    const int card = f.intField();
    pileRaised.fill(false);
    st_.pickedpile = 0;
    st_.currentturn = seat;
    st_.nextdrawcard = card;
    if (SeatView* v = tableSeat(seat)) {
        turnArrowSeat = seat;
        if (v->name == kWaiting) v->name = v->hint;
    }
    if (seat == st_.myseat) {
        status = QStringLiteral("Your Turn.");
        fx_.playsounds(fx_.turnSound() == 1 ? QStringLiteral("turnnew") : QStringLiteral("turn"));
        ++st_.myturncount;
        numTurns = QStringLiteral("Turns: ") + QString::number(st_.myturncount);
        fx_.myTurnBegins();
    } else {
        status = shownName(seat) + QStringLiteral("'s turn.");
    }
}

void TableModel::hisplay(const QByteArray& body) {
    FieldReader f(body);
    const int seat = f.intField();
    const int card = f.intField();
    const int slot = f.intField();
    const int top = f.intField();
    const int pile = f.intField();
    pileRaised.fill(false);
    status.clear();
    if (seat != st_.myseat) {
        status = shownName(seat) +
                 (pile == kDrawPile ? QStringLiteral(" drew a card.")
                                    : QStringLiteral(" took the top card from the discard pile."));
    } else if (validSlot(slot)) {
        hand_[size_t(slot)] = card;
    }
    topCard = top;
    drawPileCard = 0;
    if (seat == st_.myseat) fx_.playsounds(QStringLiteral("replace"));
}

void TableModel::roundover(const QByteArray& body) {
    FieldReader f(body);
    const int seat = f.intField();
    const QString total = text(f.field());
    const QString points = text(f.field());
    if (SeatView* v = tableSeat(seat)) {
        v->score = total;
        v->bonus = QStringLiteral("+") + points;
    }
    f.beginList();
    while (!f.atListEnd()) {
        const int slot = f.intField();
        const int card = f.intField();
        if (validSlot(slot)) wcards_[size_t(slot)] = card;
    }
    winnerCardsVisible = true;
    if (seat == st_.myseat) {
        status = completed = QStringLiteral("You completed the order!");
        fx_.addcounter(st_.myturncount);
    } else {
        status = completed = shownName(seat) + QStringLiteral(" completed the order!");
    }
    fx_.playsounds(QStringLiteral("roundover"));
}

void TableModel::winner(const QByteArray& body) {
    const int seat = FieldReader(body).intField();
    winnerCardsVisible = false;
    fx_.playsounds(QStringLiteral("winner"));
    winnerText = seat == st_.myseat ? QStringLiteral("You have Won the Game!")
                                    : shownName(seat) + QStringLiteral(" has Won the Game!");
    status = QStringLiteral("Game Over!");
    fx_.addSystemLine(QStringLiteral("0+") + winnerText);
    winnerVisible = true;
    gameRunning = false;
    if (hasSeatOneRights()) startVisible = true;
    if (st_.myseat >= 1 && st_.myseat <= st_.seatcount)
        fx_.addgame(seat == st_.myseat ? mb::GameWinner() : mb::GameWinner(shownName(seat)));
}

void TableModel::gamestats(const QByteArray& body) {
    FieldReader f(body);
    f.field();  // the turn becomes known with the next turn message
    playToScore = QStringLiteral("Play to Score: ") + text(f.field());
    roundNumber = QStringLiteral("Round: ") + text(f.field());
    numTurns = QStringLiteral("Turns: ") + text(f.field());
    const int top = f.intField();
    f.beginList();
    while (!f.atListEnd()) {
        const int seat = f.intField();
        const QString score = text(f.field());
        const QByteArray flag = f.field();
        if (SeatView* v = tableSeat(seat)) v->score = score;
        setSeatPlaying(seat, flag == "1");
    }
    topCard = top;
}

void TableModel::newplayerinfo(const QByteArray& body) {
    FieldReader f(body);
    f.beginList();
    bool any = false;
    while (!f.atListEnd()) {
        const int seat = f.intField();
        const QString name = text(f.field());
        const QByteArray flag = f.field();
        any = true;
        if (seat == st_.myseat) {
            fx_.addSystemLine(QStringLiteral("0+You are Connected."));
            fx_.addSystemLine(QStringLiteral("0+Click Control-i for Quick Instructions."));
            if (!settingsRead_) fx_.loadinifile();
            settingsRead_ = true;
        } else {
            fx_.addSystemLine(QStringLiteral("0+") + name + QStringLiteral(" is Connected."));
        }
        if (seat <= st_.seatcount) {
            if (SeatView* v = tableSeat(seat)) {
                v->name = name;
                v->scoreVisible = true;
                if (flag == "1") v->eyes = true;
            }
        } else if (seat <= kMaxSeats) {
            addSpy(seat, name);
            fx_.addSystemLine(seat == st_.myseat
                                  ? QStringLiteral("0+You are spying.")
                                  : QStringLiteral("0+") + name + QStringLiteral(" is spying."));
        }
    }
    if (any) fx_.playsounds(QStringLiteral("entered"));
}

void TableModel::addSpy(int seat, const QString& name) {
    // One entry per spectator seat: a host that announced a seat again, or numbered one beyond
    // the last, would otherwise grow the list without end.
    const QString prefix = QString::number(seat) + QStringLiteral(": ");
    for (QString& entry : spies)
        if (entry.startsWith(prefix)) {
            entry = prefix + name;
            return;
        }
    spies << prefix + name;
}

void TableModel::playerdisconnected(const QByteArray& body) {
    FieldReader f(body);
    const int seat = f.intField();
    const QString name = text(f.field());
    if (seat <= st_.seatcount) {
        SeatView* v = tableSeat(seat);
        if (!v) return;
        if (v->name != kWaiting && v->name != v->hint)
            fx_.addSystemLine(QStringLiteral("0+") + v->name + QStringLiteral(" disconnected."));
        v->name = kWaiting;
        v->eyes = false;
        return;
    }
    const QString entry = QString::number(seat) + QStringLiteral(": ") + name;
    if (spies.removeOne(entry))
        fx_.addSystemLine(QStringLiteral("0+") + name + QStringLiteral(" has left."));
}

void TableModel::justwatching(const QByteArray& body) {
    FieldReader f(body);
    const int seat = f.intField();
    const QByteArray flag = f.field();
    SeatView* v = seat <= st_.seatcount ? tableSeat(seat) : nullptr;
    if (!v) return;
    const bool watching = flag == kWatchOn;
    if (seat == st_.myseat) justWatchChecked = watching;
    fx_.addSystemLine(
        QStringLiteral("0+") + v->name +
        (watching ? QStringLiteral(" is just watching") : QStringLiteral(" is now playing again")));
    v->eyes = watching;
}

void TableModel::pileClick(int pile) {
    if (!myTurn()) return;
    if (st_.pickedpile != 0) {
        status = QStringLiteral("You have already picked up a card");
        fx_.playsounds(QStringLiteral("invalid"));
        return;
    }
    if (pile == kDrawPile) drawPileCard = st_.nextdrawcard;
    st_.pickedpile = pile;
    pileRaised[size_t(pile == kDrawPile ? kDrawPile : kDiscardPile)] = true;
    status = QStringLiteral("Select a Card to Replace.");
    fx_.playsounds(QStringLiteral("select"));
}

void TableModel::handClick(int slot) {
    if (!myTurn()) return;
    if (st_.pickedpile == 0) {
        fx_.playsounds(QStringLiteral("invalid"));
        status = QStringLiteral("Please Pick Up a Card First.");
        return;
    }
    st_.currentturn = 0;
    if (st_.isconnected)
        fx_.sendToHost(MessageBuilder(cmd::kReplaceCard)
                           .field(st_.myseat)
                           .field(st_.pickedpile)
                           .field(slot)
                           .take());
}

void TableModel::JustWatch1Click() {
    if (!st_.isconnected || st_.myseat > st_.seatcount || st_.myseat < 1) return;
    fx_.sendToHost(MessageBuilder(cmd::kJustWatch)
                       .field(st_.myseat)
                       .field(justWatchChecked ? kWatchOff : kWatchOn)
                       .take());
}

SeatMenuState TableModel::seatMenu(int seat) const {
    const bool rights = hasSeatOneRights();
    SeatMenuState m{rights, rights, rights};
    if (shownName(seat) == kWaiting) m.remove = false;
    return m;
}

void TableModel::setJustWatch(int seat, bool watch) {
    if (!st_.isconnected || seat > st_.seatcount || seat < 1) return;
    fx_.sendToHost(
        MessageBuilder(cmd::kJustWatch).field(seat).field(watch ? kWatchOn : kWatchOff).take());
}

void TableModel::kicking(int seat) {
    if (!hasSeatOneRights() || !st_.isconnected) return;
    fx_.sendToHost(MessageBuilder(cmd::kKickHim).field(st_.myseat).field(seat).field("").take());
}

QStringList TableModel::opponents() const {
    QStringList names;
    for (int s = 1; s <= std::min(st_.seatcount, kTableSeats); ++s)
        if (s != st_.myseat && seats_[size_t(s)].name != kWaiting) names << seats_[size_t(s)].name;
    return names;
}

}  // namespace mb
