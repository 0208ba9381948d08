#pragma once
// The main window: program start, the connection to the host and the dispatch of its messages.
#include <QByteArrayView>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <chrono>
#include <functional>

#include "client/clientstate.h"
#include "client/firstuse.h"
#include "client/tablemodel.h"
#include "net/dispatch.h"
#include "net/framing.h"

class QAction;
class QMenu;
class QSystemSemaphore;
class Tabout;
class Tdownload;
class Tgamestart;
class Thelp;
class Tphrases;
class Tspylist;
class Ttallylist;
class ChatPanel;
class HelpMenu;
class LobbyOffer;
class QuickInstructions;
class SettingsMenu;
class TableBoard;
class WindowSettings;

namespace mb {
class Sock;
class SoundPlayer;
class TServer;
class TickPump;
}  // namespace mb

// Ports are fixed for the real program; tests substitute free ones.
struct TchatPorts {
    quint16 game = 7772;
    quint16 lobby = 9001;
};

class Tchat : public QMainWindow, private mb::TableEffects {
    Q_OBJECT
public:
    using Ports = TchatPorts;
    // The sibling windows, created after this one and handed over before it is shown. The
    // first frame shows only the table; the others are made when first asked for: the
    // download window when a solo game offers it (see LobbyOffer), the start window when the
    // settings are read, the tally at the first game's end, the spy list, the phrase list and
    // the help when opened. Most games never open the last three; made at start, the four
    // cost it about 2.5 ms.
    struct Windows {
        mb::TServer* server = nullptr;
        Tabout* about = nullptr;
        std::function<Tdownload*()> download;
        std::function<Tgamestart*()> gamestart;
        std::function<Thelp*()> help;
        std::function<Tphrases*()> phrases;
        std::function<Tspylist*()> spylist;
        std::function<Ttallylist*()> tallylist;
    };

    explicit Tchat(QStringList arguments, Ports ports = {}, QWidget* parent = nullptr);
    ~Tchat() override;
    void attach(const Windows& windows);
    // The side windows, each made now if it was not yet (see Windows).
    Thelp* helpWindow();
    Tdownload* downloadWindow() { return download_.get(); }
    // Whether the download window is still to be offered (see LobbyOffer).
    bool lobbyOfferPending() const;
    Tgamestart* gamestartWindow() { return gamestart_.get(); }
    Tphrases* phrasesWindow();
    Tspylist* spylistWindow() { return spylist_.get(); }
    Ttallylist* tallylistWindow() { return tallylist_.get(); }

    const mb::ClientState& state() const { return st_; }
    // Bot speed in milliseconds, as the Options menu holds it; the local host reads it.
    int botSpeed() const;
    const mb::TableModel& table() const { return table_; }
    // What the client answers to; a test holds it against the protocol's list.
    const mb::Dispatcher& dispatcher() const { return dispatcher_; }
    mb::SoundPlayer& soundPlayer() const { return *sounds_; }

    void button_startClick();
    void loadchecklist();
    // Asks a Yes/No question; a message box unless a test puts its own answer here.
    std::function<bool(const QString&)> confirm;

    // A malformed message from another connection, as the hosting copy's host found it: a
    // system line in the log, at most one each kPeerNoticeInterval with the count of those
    // held back, so a peer cannot block the table with notices.
    void peerNotice(const QString& text);
    void sendToHost(const QByteArray& message) override;

    // The settings file is "kestrolobby.ini" where appFilePath() puts it unless a test names
    // another.
    void setSettingsFile(const QString& path);
    QString settingsFile() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormResize();
    void processparams();
    void hostpress();
    void joinpress();
    void sockRead();
    // The host could not be reached (`error` as Sock::connectFailed gives it).
    void tableUnreachable(int error);
    void sockInfo(const QString& text);
    bool processsocktimer();
    void sendloginfo(const QByteArray& body);
    void gameFull();
    void createQuickInstructions();
    void connectionLost();
    void createBoard();
    void layoutBoard();  // the board and its chat for the client area's size
    void createMenus();
    void render();
    void applyPictures();
    void label_playername1ContextPopup(int seat, const QPoint& globalPos);

    // What the table model asks for.
    void playsounds(const QString& name) override;
    void addSystemLine(const QString& line) override;
    void addcounter(int turns) override;
    void addgame(const mb::GameWinner& winner) override;
    void loadinifile() override;
    int turnSound() const override;
    void myTurnBegins() override;

    void playasound(const QByteArray& body);

    void enableRemoveFromGame();

    QStringList args_;
    Ports ports_;
    Windows w_;
    mb::FirstUse<Tdownload> download_;
    LobbyOffer* lobbyOffer_ = nullptr;
    mb::FirstUse<Tgamestart> gamestart_;
    mb::FirstUse<Tspylist> spylist_;
    mb::FirstUse<Ttallylist> tallylist_;
    bool removeEnabled_ = false;  // the spy list's Remove From Game, for when it is made
    mb::ClientState st_;
    bool shown_ = false;
    SettingsMenu* settings_ = nullptr;
    WindowSettings* windowSettings_ = nullptr;
    HelpMenu* helpMenu_ = nullptr;

    mb::Sock* sock = nullptr;
    mb::Sock* Sock11 = nullptr;
    bool connectionLost_ = false;  // close once the queue is worked off
    QPointer<QObject> fullBox_;    // the open "Game is full" box
    // How this copy ended, for the lobby link (see net/lobbylink.h).
    QByteArrayView lobbyReport_;
    bool floodDropped_ = false;  // the host flooded past the queue's bound
    bool fullShown_ = false;     // said once: a host may repeat it by the hundred
    std::chrono::steady_clock::time_point lastPeerNotice_{};
    bool peerNoticeShown_ = false;
    int peerNoticesHeld_ = 0;
    mb::FrameDecoder remainder_;
    mb::InboundQueue receivedlist_{QByteArray("receivedlist")};
    mb::TickPump* Timer1 = nullptr;
    mb::Dispatcher dispatcher_;
    std::unique_ptr<QSystemSemaphore> runningMarker_;

    mb::TableModel table_{st_, *this};
    mb::SoundPlayer* sounds_ = nullptr;

    TableBoard* board_ = nullptr;
    ChatPanel* chat_ = nullptr;

    QAction* StartGame1 = nullptr;
    QAction* Exit1 = nullptr;
    QuickInstructions* panel_help = nullptr;
    QMenu* popup_kick = nullptr;
    QAction* RemoveFromGame1 = nullptr;
    QAction* SettoJustWatch1 = nullptr;
    QAction* UnsetJustWatch1 = nullptr;
    int popupKickTag_ = 0;
};
