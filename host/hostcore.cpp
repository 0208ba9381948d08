// Host session: seats, login, roster, relays, removal, just watch and the inbound queue.
#include "host/hostcore.h"

#include <QString>
#include <algorithm>

#include "core/errornotice.h"
#include "net/commands.h"
#include "net/message.h"

namespace mb {

namespace {

bool isUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The longest UTF-8 sequence; a cut backs off at most this far.
constexpr int kMaxUtf8Length = 4;

// Characters a reader cannot see, or that reorder or hide what follows: names made of them
// could pass for another player's. Format characters (zero-width, bidirectional controls,
// soft hyphen, ...) are found by their category; these blank letters and selectors are not.
bool isInvisible(char32_t c) {
    if (QChar::category(c) == QChar::Other_Format) return true;
    return c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5 || c == 0x3164 ||
           c == 0xFFA0 || (c >= 0x180B && c <= 0x180F) || (c >= 0xFE00 && c <= 0xFE0F) ||
           (c >= 0xE0100 && c <= 0xE01EF);
}

// The length of the well-formed UTF-8 character at `at` and its code point, or 0 when the
// bytes there are not one (they are then kept as they are, byte by byte).
int utf8Character(QByteArrayView text, qsizetype at, char32_t& code) {
    const auto lead = static_cast<unsigned char>(text[at]);
    int length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead >= 0xF5 || length == 0 || at + length > text.size()) return 0;
    code = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if (!isUtf8Continuation(text[at + i])) return 0;
        code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// A name's key for the duplicate mark: compatibility forms and case folded, and when `unmarked`
// any " (N)" marks taken off, so that "ALICE", "ａｌｉｃｅ" and "alice (3)" all meet "alice".
QString nameKey(const QByteArray& name, bool unmarked) {
    QString key = QString::fromUtf8(name).normalized(QString::NormalizationForm_KC).toCaseFolded();
    while (unmarked) {
        const qsizetype open = key.lastIndexOf(QLatin1String(" ("));
        if (open < 0 || !key.endsWith(QLatin1Char(')')) || open + 3 > key.size() - 1) break;
        const QStringView digits = QStringView(key).sliced(open + 2, key.size() - open - 3);
        if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); })) break;
        key.truncate(open);
    }
    return key;
}

}  // namespace

QByteArray cutAtCharacter(QByteArrayView text, qsizetype maxBytes) {
    if (text.size() <= maxBytes) return text.toByteArray();
    qsizetype end = maxBytes;
    // Back off over the continuation bytes of a character the cut would split. Bytes that are
    // not UTF-8 at all are cut anywhere.
    for (int back = 0; end > 0 && back < kMaxUtf8Length && isUtf8Continuation(text[end]); ++back)
        --end;
    if (end > 0 && isUtf8Continuation(text[end])) end = maxBytes;
    return text.first(end).toByteArray();
}

QByteArray safePlayerName(QByteArrayView typed, int seat) {
    QByteArray name;
    name.reserve(typed.size());
    for (qsizetype i = 0; i < typed.size();) {
        char32_t code = 0;
        if (const int length = utf8Character(typed, i, code); length > 0) {
            if (QChar::category(code) == QChar::Other_Control)
                name += '_';
            else if (QChar::isSpace(code))
                name += ' ';
            else if (!isInvisible(code))
                name += typed.sliced(i, length);
            i += length;
            continue;
        }
        const char c = typed[i++];
        const auto u = static_cast<unsigned char>(c);
        // "+" would shift every roster field after it, "|" would cut chat lines short, and
        // ":" would let an action read like somebody's chat line ("alice chats: ...").
        if (u < 0x20 || u == 0x7F || c == kFieldSeparator || c == '|' || c == ':')
            name += '_';
        else
            name += c;
    }
    // Spaces at either end or doubled are as invisible as the characters dropped above.
    name = name.simplified();
    name = cutAtCharacter(name, kMaxNameBytes).trimmed();
    if (name.isEmpty() || name == kListEndMarker) name = "Player " + QByteArray::number(seat);
    return name;
}

HostCore::HostCore(HostOutput& output, HostTimers& timers, GameRandom random, QByteArray version)
    : output_(output), timers_(timers), version_(std::move(version)), random_(random) {
    setClock({});
    dispatcher_ = Dispatcher{
        {cmd::kLoginInfo, [this](const QByteArray& b) { receivedlogininfo(b); }},
        {cmd::kKickHim, [this](const QByteArray& b) { kickhim(b); }},
        {cmd::kChat, [this](const QByteArray& b) { chat(b); }},
        {cmd::kAction, [this](const QByteArray& b) { action(b); }},
        {cmd::kPlayASound, [this](const QByteArray& b) { playasound(b); }},
        {cmd::kStartGame, [this](const QByteArray& b) { startgame(b); }},
        {cmd::kJustWatch, [this](const QByteArray& b) { justwatch(b); }},
        {cmd::kReplaceCard, [this](const QByteArray& b) { replacecard(b); }},
    };
    dispatcher_.setErrorHandler([this](const QString& text) { malformedMessage(text); });
}

void HostCore::malformedMessage(const QString& text) {
    if (malformedSink_)
        malformedSink_(text);
    else
        showErrorNotice(text);
    const int seat = currentSender_;
    if (!validSeat(seat)) return;
    Connection& c = connections_[seat];
    const std::chrono::milliseconds t = now();
    if (c.malformedCount == 0 || t - c.malformedSince >= kMalformedWindow) {
        c.malformedSince = t;
        c.malformedCount = 0;
    }
    if (++c.malformedCount <= kMaxMalformedPerWindow) return;
    observer_->malformedFlood(seat, seats_[seat].name);
    disconnectsock(seat);
}

void HostCore::setClock(Clock clock) {
    if (!clock)
        clock = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch());
        };
    clock_ = std::move(clock);
}

// --- Sending ---

void HostCore::sendTo(int seat, const QByteArray& message) {
    if (!seats_[seat].present) return;
    ++effects_;
    output_.send(seat, message);
}

void HostCore::broadcast(const QByteArray& message) {
    for (int s = 1; s <= kMaxSeats; ++s) sendTo(s, message);
}

void HostCore::sendToOthers(int except, const QByteArray& message) {
    for (int s = 1; s <= kMaxSeats; ++s)
        if (s != except) sendTo(s, message);
}

// --- Connections ---

int HostCore::seatForNewConnection() const {
    // Seat 1 carries the right to start games and remove players: a newcomer must not inherit
    // it, and the hand that goes with it, from a player who dropped out of the game. A table
    // that everybody has left has nobody to protect, and someone must be able to start again.
    const bool anyonePresent = std::any_of(seats_.begin() + 1, seats_.begin() + 1 + kMaxSeats,
                                           [](const SeatRecord& r) { return r.present; });
    const int first = keepHostSeat_ && gameRunning() && anyonePresent ? kHostSeat + 1 : 1;
    for (int s = first; s <= kMaxSeats; ++s)
        if (!seats_[s].present) return s;
    // A full table: the connection that has waited longest without logging in gives way, so
    // bare connections that re-dial cannot keep a friend out.
    int oldest = kRefusedSeat;
    for (int s = first; s <= kMaxSeats; ++s)
        if (!seats_[s].loggedIn && (oldest == kRefusedSeat ||
                                    connections_[s].acceptedAt < connections_[oldest].acceptedAt))
            oldest = s;
    return oldest;
}

void HostCore::makeRoom(int seat) {
    if (!validSeat(seat) || !seats_[seat].present || seats_[seat].loggedIn) return;
    observer_->bareConnectionReplaced(seat);
    // Said like a refusal, so a real client that was merely slow shows "Game is full".
    sendTo(seat, MessageBuilder(cmd::kFull).field("").take());
    disconnectsock(seat);
}

void HostCore::Sock1Accept(int seat) {
    if (seat == kRefusedSeat) {
        output_.send(kRefusedSeat, MessageBuilder(cmd::kFull).field("").take());
        output_.closeSeat(kRefusedSeat);
        observer_->connectionRefused();
        return;
    }
    makeRoom(seat);
    if (!validSeat(seat) || seats_[seat].present) return;
    SeatRecord& rec = seats_[seat];
    rec.present = true;
    rec.loggedIn = false;
    rec.name.clear();
    decoders_[seat] = FrameDecoder{};
    queues_[seat] = InboundQueue{};
    connections_[seat] = Connection{};
    connections_[seat].acceptedAt = now();
    observer_->seatAccepted(seat);
    sendTo(seat, MessageBuilder(cmd::kSendLoginInfo).field(seat).take());
}

int HostCore::acceptConnection() {
    const int seat = seatForNewConnection();
    Sock1Accept(seat);
    return seat;
}

void HostCore::seatClosed(int seat) {
    if (!validSeat(seat) || !seats_[seat].present) return;
    SeatRecord& rec = seats_[seat];
    const QByteArray name = rec.name;
    // Nobody was told of a connection that never logged in, so nobody is told it left: a
    // connect-and-close loop costs the others nothing.
    if (rec.loggedIn)
        sendToOthers(seat, MessageBuilder(cmd::kPlayerDisconnected).field(seat).field(name).take());
    rec.present = false;
    rec.loggedIn = false;
    rec.name.clear();
    rec.watching = false;
    // Whatever the connection still had queued dies with it.
    queues_[seat] = InboundQueue{};
    decoders_[seat] = FrameDecoder{};
    observer_->seatLeft(seat, name);
    // The hosting player's own seat keeps the turn: its hand waits for it to come back. On a
    // host without a player of its own, seat 1 is kept for the computer like any other. A seat
    // that has already moved passes the turn when its pause ends.
    const bool keepsTurn = seat == kHostSeat && !keepHostSeat_;
    if (gameStarted_ && turnSeat_ == seat && !keepsTurn && turnOpen_) findplayer();
}

void HostCore::disconnectsock(int seat) {
    if (!validSeat(seat) || !seats_[seat].present) return;
    ++effects_;
    seatClosed(seat);
    output_.closeSeat(seat);
}

void HostCore::receive(int seat, QByteArrayView bytes) {
    if (!validSeat(seat) || !seats_[seat].present) return;
    QList<QByteArray> messages;
    if (decoders_[seat].feed(bytes, messages) == FrameDecoder::Result::Overflow) {
        disconnectsock(seat);
        return;
    }
    for (const QByteArray& m : messages) queues_[seat].push(m);
    if (queues_[seat].size() > kMaxBacklog) disconnectsock(seat);
}

// --- Dispatch ---

bool HostCore::hasQueuedInput() const {
    for (int s = 1; s <= kMaxSeats; ++s)
        if (!queues_[s].empty()) return true;
    return false;
}

int HostCore::nextQueueInTurn() {
    // Take connections in turn so that a chatty one cannot hold the others back.
    for (int step = 1; step <= kMaxSeats; ++step) {
        const int s = (lastServed_ + step - 1) % kMaxSeats + 1;
        if (queues_[s].empty()) continue;
        lastServed_ = s;
        return s;
    }
    return 0;
}

bool HostCore::socktimerTimer() {
    // One entry that does something per tick. Entries that come to nothing (relays over the
    // rate, refused requests, malformed numbers, empty lines) take no tick of their own, so a
    // peer sending nothing but those cannot push an honest player's move back by many ticks.
    for (int quiet = 0; quiet < kMaxQuietEntriesPerTick; ++quiet) {
        const int s = nextQueueInTurn();
        if (s == 0) break;
        const quint64 before = effects_;
        dispatchEntry(s, queues_[s].pop());
        if (effects_ != before) break;
    }
    return hasQueuedInput();
}

void HostCore::dispatchEntry(int seat, const QByteArray& entry) {
    if (!validSeat(seat) || !seats_[seat].present) return;
    // A connection speaks only once it has said who it is.
    if (!seats_[seat].loggedIn && !hasCommand(entry, cmd::kLoginInfo)) return;
    currentSender_ = seat;
    dispatcher_.dispatch(entry);
    currentSender_ = 0;
}

// --- Session handlers ---

void HostCore::receivedlogininfo(const QByteArray& body) {
    FieldReader r(body);
    const int seat = r.intField();
    if (seat != currentSender_) return;
    SeatRecord& rec = seats_[seat];
    // Once per connection: a second login would rename a seat in mid-game.
    if (rec.loggedIn) return;
    const QByteArray version = r.field();
    rec.name = uniqueName(safePlayerName(r.rest(), seat), seat);
    rec.present = true;
    rec.loggedIn = true;

    broadcast(MessageBuilder(cmd::kNewPlayerInfo).field(seat).field(rec.name).field("0").take());

    MessageBuilder existing(cmd::kExistingPlayers);
    bool anyOther = false;
    for (int s = 1; s <= kMaxSeats; ++s) {
        // Connections that have not logged in are neither listed nor announced when they go.
        if (s == seat || !seats_[s].present || !seats_[s].loggedIn) continue;
        existing.field(s).field(seats_[s].name).field(seats_[s].watching ? "1" : "0");
        anyOther = true;
    }
    if (anyOther) sendTo(seat, existing.take());

    const bool sameVersion = version == version_;
    if (!sameVersion) {
        sendTo(kHostSeat, MessageBuilder(cmd::kHaveWrongVersion).field(rec.name).take());
        sendTo(seat, MessageBuilder(cmd::kWrongVersion).field("").take());
    }
    observer_->playerLoggedIn(seat, rec.name, sameVersion);

    if (gameStarted_) {
        sendTo(seat, gameStatsMessage());
        // A newcomer in a dealt seat takes its hand over.
        if (seat <= kTableSeats && rec.playing) sendTo(seat, handMessage(seat));
    }
}

QByteArray HostCore::uniqueName(QByteArray name, int seat) const {
    const QByteArray suffix = " (" + QByteArray::number(seat) + ')';
    // The name as typed is compared without the marks it carries, so a typed "alice (3)" is
    // marked too; once this seat's own mark is added, with it. Present names count as shown.
    auto taken = [&](const QByteArray& candidate, bool unmarked) {
        const QString key = nameKey(candidate, unmarked);
        for (int s = 1; s <= kMaxSeats; ++s)
            if (s != seat && seats_[s].loggedIn && nameKey(seats_[s].name, false) == key)
                return true;
        return false;
    };
    // Each round adds this seat's own mark; eight other names cannot stand in the way longer.
    for (int round = 0; round < kMaxSeats && taken(name, round == 0); ++round)
        name = cutAtCharacter(name, kMaxNameBytes - suffix.size()) + suffix;
    return name;
}

bool HostCore::relayAllowed(int seat, qsizetype bytes) {
    Connection& c = connections_[seat];
    const std::chrono::milliseconds t = now();
    // The byte budget is a leaky bucket in thousandths of a byte: it drains
    // kRelayBytesPerSecond bytes a second and holds one window's worth.
    constexpr qint64 kFullBucket = kRelayBytesPerSecond * kRelayByteWindow.count();
    const qint64 drained = std::max<qint64>(0, (t - c.bucketAt).count()) * kRelayBytesPerSecond;
    c.bucket = std::max<qint64>(0, c.bucket - drained);
    c.bucketAt = t;
    const bool overBytes = c.bucket + qint64(bytes) * 1000 > kFullBucket;
    // The ring holds the latest kMaxRelaysPerWindow relays; the slot to be overwritten is the
    // oldest of them.
    if (overBytes ||
        (c.relayCount == kMaxRelaysPerWindow && t - c.relays[c.relayNext] < kRelayWindow)) {
        // One log line per flood: it counts as over once a whole window passed without a drop.
        if (!c.dropping) observer_->relaysDropped(seat, seats_[seat].name);
        c.dropping = true;
        c.lastDrop = t;
        return false;
    }
    if (c.dropping && t - c.lastDrop >= kRelayWindow) c.dropping = false;
    c.bucket += qint64(bytes) * 1000;
    c.relays[c.relayNext] = t;
    c.relayNext = (c.relayNext + 1) % kMaxRelaysPerWindow;
    if (c.relayCount < kMaxRelaysPerWindow) ++c.relayCount;
    return true;
}

void HostCore::housekeepingTick() {
    const std::chrono::milliseconds t = now();
    for (int s = 1; s <= kMaxSeats; ++s) {
        if (!seats_[s].present || seats_[s].loggedIn) continue;
        if (t - connections_[s].acceptedAt < kLoginDeadline) continue;
        observer_->loginTimedOut(s);
        disconnectsock(s);
    }
    if (turnDeadline_ && t >= *turnDeadline_) {
        turnDeadline_.reset();
        if (turnOpen_) {
            observer_->turnTimedOut(turnSeat_, seats_[turnSeat_].name);
            computerplay(turnSeat_);
        }
    }
}

bool HostCore::hasDeadlines() const {
    if (turnDeadline_) return true;
    for (int s = 1; s <= kMaxSeats; ++s)
        if (seats_[s].present && !seats_[s].loggedIn) return true;
    return false;
}

QByteArray HostCore::gameStatsMessage() const {
    const int turns = hostTurnCount_ ? hostTurnCount_() : hostSeatTurns_;
    MessageBuilder m(cmd::kGameStats);
    m.field(turnSeat_).field(playTo_).field(roundNumber_).field(turns).field(piles_.topCard());
    for (int s = 1; s <= kTableSeats; ++s)
        m.field(s).field(seats_[s].score).field(seats_[s].playing ? 1 : 0);
    return m.take();
}

QByteArray HostCore::handMessage(int seat) const {
    MessageBuilder m(cmd::kMyCards);
    m.field(seat);
    for (int slot = 1; slot <= kHandSize; ++slot) m.field(slot).field(seats_[seat].hand[slot - 1]);
    return m.take();
}

void HostCore::kickhim(const QByteArray& body) {
    FieldReader r(body);
    const int sender = r.intField();
    const int target = r.intField();
    // Only the hosting player removes players, and only from its own connection.
    if (sender != kHostSeat || currentSender_ != kHostSeat || !validSeat(target)) return;
    disconnectsock(target);
}

void HostCore::chat(const QByteArray& body) {
    FieldReader r(body);
    const QByteArray seatText = r.field();
    if (toInt(seatText) != currentSender_ || !relayAllowed(currentSender_, r.rest().size())) return;
    broadcast(MessageBuilder(cmd::kChat)
                  .field(seatText)
                  .field(seats_[currentSender_].name)
                  .append(" chats: ")
                  .append(r.rest())
                  .take());
}

void HostCore::action(const QByteArray& body) {
    FieldReader r(body);
    const QByteArray seatText = r.field();
    if (toInt(seatText) != currentSender_ || !relayAllowed(currentSender_, r.rest().size())) return;
    broadcast(MessageBuilder(cmd::kAction)
                  .field(seatText)
                  .field(seats_[currentSender_].name)
                  .append(" ")
                  .append(r.rest())
                  .take());
}

void HostCore::playasound(const QByteArray& body) {
    FieldReader r(body);
    const int seat = r.intField();
    if (seat != currentSender_ || !relayAllowed(seat, r.rest().size())) return;
    broadcast(MessageBuilder(cmd::kPlayASound).field(seat).field(r.rest()).take());
}

void HostCore::justwatch(const QByteArray& body) {
    FieldReader r(body);
    const int seat = r.intField();
    const QByteArray flag = r.field();
    if (seat < 1 || seat > kTableSeats) return;
    // Players choose for themselves; only the hosting player chooses for another seat.
    if (seat != currentSender_ && currentSender_ != kHostSeat) return;
    // A repeat of the seat's state during a game changes nothing and is not announced; every
    // announcement counts toward the sender's relay rate, as each one is a line in every log.
    if (flag == kWatchOff) {
        if (gameStarted_ && !seats_[seat].watching) return;
        if (!relayAllowed(currentSender_, flag.size())) return;
        seats_[seat].watching = false;
        broadcast(MessageBuilder(cmd::kJustWatching).field(seat).field(kWatchOff).take());
    } else if (flag == kWatchOn && gameStarted_) {
        if (seats_[seat].watching || !relayAllowed(currentSender_, flag.size())) return;
        seats_[seat].watching = true;
        broadcast(MessageBuilder(cmd::kJustWatching).field(seat).field(kWatchOn).take());
        if (turnSeat_ == seat && turnOpen_) findplayer();
    }
}

}  // namespace mb
