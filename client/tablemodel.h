#pragma once
// Everything the card table and the roster show, and the rules that change it. No widgets: the
// main window draws this state and forwards clicks, so the rules run headless in tests.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

#include "client/clientstate.h"
#include "net/dispatch.h"
#include "net/protocol.h"
#include "records/tallybook.h"

namespace mb {

inline constexpr int kNoPicture = -1;  // a card picture that shows nothing yet

inline const QString kWaiting = QStringLiteral("<Waiting>");

// What the table asks of the rest of the program.
class TableEffects {
public:
    virtual ~TableEffects() = default;
    virtual void sendToHost(const QByteArray& message) = 0;
    virtual void playsounds(const QString& name) = 0;
    virtual void addSystemLine(const QString& line) = 0;
    // Tally of the local player: a completed order with its turns, a finished game.
    virtual void addcounter(int turns) = 0;
    virtual void addgame(const mb::GameWinner& winner) = 0;
    virtual void loadinifile() = 0;
    // 0 Classic, 1 New.
    virtual int turnSound() const = 0;
    // The local player's turn has begun.
    virtual void myTurnBegins() = 0;
};

struct SeatView {
    QString name = kWaiting;
    QString hint;  // the computer's name for the seat
    QString score = QStringLiteral("0");
    QString bonus;
    bool scoreVisible = false;
    bool notPlaying = false;  // the "NOT PLAYING" picture replaces the score
    bool eyes = false;        // just watching
};

struct SeatMenuState {
    bool remove = false;
    bool setWatch = false;
    bool unsetWatch = false;
};

class TableModel {
public:
    TableModel(ClientState& state, TableEffects& effects);

    // Host messages; each takes the body after the command. addHandlers() puts each under its
    // command name in a dispatch table, the one list of what the table answers to.
    void addHandlers(Dispatcher& dispatcher);
    void startthegame(const QByteArray& body);
    void roundstart(const QByteArray& body);
    void mycards(const QByteArray& body);
    void topcard(const QByteArray& body);
    void getnextplayer(const QByteArray& body);
    void hisplay(const QByteArray& body);
    void roundover(const QByteArray& body);
    void winner(const QByteArray& body);
    void gamestats(const QByteArray& body);
    void newplayerinfo(const QByteArray& body);
    void playerdisconnected(const QByteArray& body);
    void justwatching(const QByteArray& body);

    // The local player's clicks.
    void pileClick(int pile);
    void handClick(int slot);
    void winnerDone() { winnerCardsVisible = false; }
    void JustWatch1Click();
    SeatMenuState seatMenu(int seat) const;
    // Seat 1 starts games and removes players, whether this copy hosts the table or joined a
    // dedicated host as its first player; the host refuses those requests from other seats.
    bool hasSeatOneRights() const { return st_.myseat == 1 || st_.ishost; }
    void setJustWatch(int seat, bool watch);
    void kicking(int seat);
    void clearall();

    const SeatView& seat(int s) const { return seats_.at(size_t(s)); }
    static bool isTableSeat(int s) { return s >= 1 && s <= kTableSeats; }
    int handCard(int slot) const { return hand_.at(size_t(slot)); }
    int winnerCard(int slot) const { return wcards_.at(size_t(slot)); }
    // The local player's opponents for the tally: names at the other occupied seats.
    QStringList opponents() const;

    // Shown state, read by the window.
    int drawPileCard = kNoPicture;  // 0 the back, or the drawn card face up
    int topCard = kNoPicture;
    std::array<bool, 3> pileRaised{};  // by pile number
    QString status = QStringLiteral("Welcome to Marrowby!");
    QString playToScore = QStringLiteral("Play to Score: 0");
    QString roundNumber = QStringLiteral("Round: 0");
    QString numTurns = QStringLiteral("Turns: 0");
    bool startVisible = false;
    bool winnerCardsVisible = false;
    QString completed;
    bool winnerVisible = false;
    // From the start of a game to its winner: starting another throws its scores away.
    bool gameRunning = false;
    QString winnerText;
    int turnArrowSeat = 0;  // 0 while no turn is shown
    bool justWatchChecked = false;
    QStringList spies;  // "5: Ann", one per spectator seat kTableSeats+1..kMaxSeats

private:
    bool myTurn() const { return st_.currentturn == st_.myseat && st_.myseat != 0; }
    QString shownName(int seat) const;
    SeatView* tableSeat(int seat);
    void setSeatPlaying(int seat, bool playing);
    void addSpy(int seat, const QString& name);

    ClientState& st_;
    TableEffects& fx_;
    std::array<SeatView, kTableSeats + 1> seats_{};
    std::array<int, kHandSize + 1> hand_{};
    std::array<int, kHandSize + 1> wcards_{};
    // The settings are read at the first word of our own arrival only: a host that names our
    // seat again and again must not make us read the settings file again and again.
    bool settingsRead_ = false;
};

}  // namespace mb
