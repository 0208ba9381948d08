#pragma once
// The main window: program start, the connection to the host and the dispatch of its messages.
#include <QMainWindow>
#include <QRect>
#include <QStringList>

#include "client/clientstate.h"
#include "net/dispatch.h"
#include "net/framing.h"

class QAction;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSystemSemaphore;
class Tabout;
class Tdownload;
class Tgamestart;
class Thelp;
class Tphrases;
class Tspylist;
class Ttallylist;

namespace mb {
class Sock;
class TServer;
class TickPump;
}  // namespace mb

// Ports are fixed for the real program; tests substitute free ones.
struct TchatPorts {
    quint16 game = 7772;
    quint16 lobby = 9001;
};

class Tchat : public QMainWindow {
    Q_OBJECT
public:
    using Ports = TchatPorts;
    // The sibling windows, created after this one and handed over before it is shown.
    struct Windows {
        mb::TServer* server = nullptr;
        Tabout* about = nullptr;
        Tdownload* download = nullptr;
        Tgamestart* gamestart = nullptr;
        Thelp* help = nullptr;
        Tphrases* phrases = nullptr;
        Tspylist* spylist = nullptr;
        Ttallylist* tallylist = nullptr;
    };

    explicit Tchat(QStringList arguments, Ports ports = {}, QWidget* parent = nullptr);
    ~Tchat() override;
    void attach(const Windows& windows) { w_ = windows; }

    // The seed of the game's random numbers, taken from the clock when the window was created.
    quint32 randomSeed() const { return seed_; }
    const mb::ClientState& state() const { return st_; }
    // Bot speed in milliseconds, as the Options menu holds it; the local host reads it.
    int botSpeed() const { return botspeed_; }
    // Lines added to the chat log, in order (style prefix included).
    const QStringList& chatLines() const { return chatLines_; }
    mb::Sock* clientSocket() const { return sock; }
    mb::Sock* lobbySocket() const { return Sock11; }

    void addlinetochat(const QString& line, mb::WinColor colour);
    void sendToHost(const QByteArray& message);

signals:
    void lineAdded(const QString& line);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    void processparams();
    void hostpress();
    void joinpress();
    void sockRead();
    void sockInfo(const QString& text);
    bool processsocktimer();
    void sendloginfo(const QByteArray& body);
    void gameFull();
    void saveinifile();
    void clearall();
    void connectionLost();

    // Handlers filled in by the table, roster and chat.
    void chatrecieved(const QByteArray&) {}
    void playasound(const QByteArray&) {}
    void newplayerinfo(const QByteArray&) {}
    void playerdisconnected(const QByteArray&) {}
    void justwatching(const QByteArray&) {}
    void startthegame(const QByteArray&) {}
    void getnextplayer(const QByteArray&) {}
    void winner(const QByteArray&) {}
    void roundstart(const QByteArray&) {}
    void mycards(const QByteArray&) {}
    void topcard(const QByteArray&) {}
    void hisplay(const QByteArray&) {}
    void roundover(const QByteArray&) {}
    void gamestats(const QByteArray&) {}

    QStringList args_;
    Ports ports_;
    Windows w_;
    mb::ClientState st_;
    quint32 seed_ = 0;
    int botspeed_ = 1000;
    bool shown_ = false;
    bool closing_ = false;
    // Settings are written only after they were read: a window closed before that must not
    // overwrite what earlier runs stored.
    bool settingsLoaded_ = false;
    QRect bounds_;  // window bounds as last loaded or saved
    QStringList chatLines_;

    mb::Sock* sock = nullptr;
    mb::Sock* Sock11 = nullptr;
    mb::FrameDecoder remainder_;
    mb::InboundQueue receivedlist_{QByteArray("receivedlist")};
    mb::TickPump* Timer1 = nullptr;
    mb::Dispatcher dispatcher_;
    std::unique_ptr<QSystemSemaphore> runningMarker_;

    QFrame* panel_board = nullptr;
    QPushButton* button_start = nullptr;
    QAction* StartGame1 = nullptr;
    QLabel* label_status = nullptr;
    QPlainTextEdit* mainchat = nullptr;
};
