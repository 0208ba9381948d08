#include "client/chatform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSystemSemaphore>
#include <QTimer>
#include <cerrno>

#include "assets/art.h"
#include "assets/soundplayer.h"
#include "client/boardscale.h"
#include "client/chatpanel.h"
#include "client/helpmenu.h"
#include "client/lobbyoffer.h"
#include "client/noticebox.h"
#include "client/quickinstructions.h"
#include "client/settingsmenu.h"
#include "client/spylistform.h"
#include "client/tableboard.h"
#include "client/windowsettings.h"
#include "core/backends.h"
#include "core/errornotice.h"
#include "dialogs/aboutform.h"
#include "dialogs/downloadform.h"
#include "dialogs/gamestartform.h"
#include "host/hostlimits.h"
#include "host/logtext.h"
#include "host/serverform.h"
#include "net/commands.h"
#include "net/lobbylink.h"
#include "net/message.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "net/tickpump.h"
#include "records/tallylistform.h"
#include "widgets/followdensity.h"
#include "widgets/sidewindow.h"

namespace {

constexpr QSize kBoardSize = mb::kBoardDesignSize;
constexpr int kBoardMargin = 2;  // the board sits 2 px inside the client area on every side
constexpr QSize kDefaultWindowSize{772, 535};
// The classic window is 4 pixels wider than the board and its margins; the board keeps that
// strip on its right at every size, so the default layout is the classic one to the pixel.
constexpr int kRightStrip = kDefaultWindowSize.width() - kBoardSize.width() - 2 * kBoardMargin;
// Peers' malformed messages are shown in the log at most this often, each cut to this size.
constexpr std::chrono::seconds kPeerNoticeInterval{1};
constexpr qsizetype kMaxPeerNoticeBytes = 120;
// An address typed by the player is shown back to him in a line of the log: no real host name
// comes near this length, so a longer one cannot take up the log.
constexpr qsizetype kMaxShownAddress = 100;

QString versionText(const Tabout* about) {
    return about ? about->versionText() : QString::fromLatin1(mb::kProgramVersion);
}

}  // namespace

Tchat::Tchat(QStringList arguments, Ports ports, QWidget* parent)
    : QMainWindow(parent), args_(std::move(arguments)), ports_(ports) {
    setWindowTitle(QStringLiteral("Marrowby by Kestro Software"));
    // The table's pictures are drawn on another core while its widgets are built.
    mb::art::drawTableAhead(devicePixelRatioF());
    sounds_ = new mb::SoundPlayer(this);
    settings_ = new SettingsMenu(this, st_.gamename);
    createBoard();
    // Built for the density the window starts at; drawn again only when it shows at another.
    mb::followDensity(
        this, [this](qreal) { applyPictures(); }, devicePixelRatioF());
    createMenus();
    createQuickInstructions();
    lobbyOffer_ = new LobbyOffer(this, [this] {
        // Its picture is drawn on another core while its widgets are built.
        Tdownload::drawPictureAhead();
        downloadWindow()->show();
    });

    sock = new mb::Sock(this);
    sock->setObjectName(QStringLiteral("sock"));
    sock->setPortName(QString::number(ports_.game));
    connect(sock, &mb::Sock::readyRead, this, &Tchat::sockRead);
    connect(sock, &mb::Sock::connectFailed, this, &Tchat::tableUnreachable);
    connect(sock, &mb::Sock::info, this,
            [this](mb::InfoCode, const QString& text) { sockInfo(text); });
    Sock11 = new mb::Sock(this);
    Sock11->setObjectName(QStringLiteral("Sock11"));
    Sock11->setHostName(QStringLiteral("127.0.0.1"));
    Sock11->setPortName(QString::number(ports_.lobby));
    // The link only tells the lobby how the game ended. Whatever comes back is dropped as it
    // comes, so that a program on the lobby's port cannot fill this copy's memory.
    connect(Sock11, &mb::Sock::readyRead, Sock11, [link = Sock11] { link->receive(); });

    dispatcher_ = mb::Dispatcher{
        {mb::cmd::kSendLoginInfo, [this](const QByteArray& b) { sendloginfo(b); }},
        {mb::cmd::kChat, [this](const QByteArray& b) { chat_->chatrecieved(b); }},
        {mb::cmd::kAction, [this](const QByteArray& b) { chat_->chatrecieved(b); }},
        {mb::cmd::kPlayASound, [this](const QByteArray& b) { playasound(b); }},
        {mb::cmd::kHaveWrongVersion,
         [this](const QByteArray& b) {
             chat_->addlinetochat(
                 QStringLiteral("0+") + QString::fromUtf8(b) +
                     QStringLiteral(" has a different version of the game then you."),
                 st_.systemcolor);
         }},
        {mb::cmd::kWrongVersion,
         [this](const QByteArray&) {
             chat_->addlinetochat(
                 QStringLiteral("0+You have a differnt version of the game then the host."),
                 st_.systemcolor);
         }},
        {mb::cmd::kFull, [this](const QByteArray&) { gameFull(); }},
    };
    table_.addHandlers(dispatcher_);
    Timer1 = new mb::TickPump(
        mb::kClientTick, [this] { return processsocktimer(); }, this);

    FormCreate();
    // The placeholder entry is consumed by the first tick, like any entry.
    Timer1->wake();
}

Tchat::~Tchat() = default;

void Tchat::FormCreate() {
    st_.gamename = QStringLiteral("Marrowby");
    confirm = [this](const QString& question) {
        return QMessageBox::question(this, st_.gamename, question,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    runningMarker_ =
        std::make_unique<QSystemSemaphore>(QStringLiteral("marrowby"), 1, QSystemSemaphore::Open);
    resize(kDefaultWindowSize);
    st_.systemcolor = mb::kSystemBlue;
    st_.seatcount = mb::kTableSeats;
    table_.clearall();
    st_.ishost = false;
    st_.currentturn = 0;
}

void Tchat::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // A host given by name is looked up now, through the services library: a joining copy
    // opens it on another core at once. Every other copy needs it first for the sound of its
    // player coming in, and opens it once logged in (sendloginfo), so that the first frame
    // and the login do not share the cores with it.
    if (args_.size() >= 3 && args_[2] != QLatin1String("true")) mb::backends::loadAhead();
    FormShow();
}

void Tchat::FormShow() {
    processparams();
    // The player can type a line straight away.
    chat_->focusEntry();
}

void Tchat::processparams() {
    table_.startVisible = false;
    StartGame1->setEnabled(false);
    st_.loginname.clear();
    if (args_.isEmpty()) {
        chat_->addlinetochat(QStringLiteral("0+Loading Solo Game..Please wait."), st_.systemcolor);
        // A solo game the lobby started does not offer the lobby the player came from.
        if (!mb::lobbylink::startedByLobby()) lobbyOffer_->due();
        st_.hostaddress = QStringLiteral("127.0.0.1");
        st_.playername = QStringLiteral("You");
        hostpress();
        return;
    }
    chat_->addlinetochat(QStringLiteral("0+Loading Multi-player Game.. Please Wait."),
                         st_.systemcolor);
    if (args_.size() < 3) return;
    st_.playername = args_[0];
    st_.hostaddress = args_[1];
    if (args_[2] == QStringLiteral("true"))
        hostpress();
    else
        joinpress();
    try {
        Sock11->open();  // a lobby that is not there goes unnoticed
    } catch (const mb::SockError&) {
    }
}

void Tchat::hostpress() {
    try {
        w_.server->startListening();
    } catch (const mb::SockError& e) {
        // Another program holds the game port: say so, and host nothing.
        mb::showErrorNotice(QString::fromUtf8(e.what()));
        // No ": " in a system line: the log sets what follows one apart as a speaker's words.
        chat_->addlinetochat(QStringLiteral("0+Port %1 is in use on this computer by another "
                                            "table or solo game, so this copy cannot host.")
                                 .arg(ports_.game),
                             st_.systemcolor);
        // No login will come to wait for; the lobby is where another game can be found.
        lobbyOffer_->now();
        return;
    }
    st_.loginname = st_.playername.toUtf8() + mb::kTerminator;
    st_.ishost = true;
    sock->setHostName(QStringLiteral("127.0.0.1"));
    sock->setPortName(QString::number(w_.server->listenPort()));
    sock->open();
    table_.startVisible = true;
    StartGame1->setEnabled(true);
    enableRemoveFromGame();
    render();
}

void Tchat::joinpress() {
    st_.loginname = st_.playername.toUtf8() + mb::kTerminator;
    sock->setHostName(st_.hostaddress);
    try {
        sock->open();
    } catch (const mb::SockError& e) {
        // An address that cannot be resolved leaves the client unconnected, like a refusal.
        mb::showErrorNotice(QString::fromUtf8(e.what()));
    }
    table_.startVisible = false;
    StartGame1->setEnabled(false);
    render();
}

void Tchat::tableUnreachable(int error) {
    // The window would otherwise go on saying "Please Wait" for ever.
    QString why;
    switch (error) {
        case 0:
            why = QStringLiteral("no computer of that name is known");
            break;
        case ECONNREFUSED:
            why = QStringLiteral("nothing there answers on port %1").arg(ports_.game);
            break;
        case ENETUNREACH:
        case EHOSTUNREACH:
            why = QStringLiteral("this network has no way to it");
            break;
        case ETIMEDOUT:
            why = QStringLiteral("it did not answer");
            break;
        default:
            why = QStringLiteral("the connection failed");
    }
    chat_->addlinetochat(QStringLiteral("0+The table at %1 could not be reached, as %2. Close "
                                        "this window to try another.")
                             .arg(st_.hostaddress.left(kMaxShownAddress), why),
                         st_.systemcolor);
}

void Tchat::sockRead() {
    // Past the bound the connection is as good as lost; what is queued is still worked off.
    // (A close seen before the last bytes were read is not that: a refusal's "CMD_full" may
    // still be waiting.)
    if (floodDropped_) {
        try {
            sock->receive();
        } catch (const mb::SockError&) {
        }
        return;
    }
    QList<QByteArray> messages;
    if (remainder_.feed(sock->receive(), messages) == mb::FrameDecoder::Result::Overflow) {
        // A host that never ends its message is as good as gone.
        connectionLost();
        return;
    }
    for (const auto& m : messages) receivedlist_.push(m);
    if (!messages.isEmpty()) Timer1->wake();
    // Bounded as the host bounds each connection's queue: a host that floods is dropped.
    if (receivedlist_.size() > mb::kMaxBacklog) {
        floodDropped_ = true;
        sock->close();
        connectionLost();
    }
}

void Tchat::sockInfo(const QString& text) {
    if (text == QLatin1String(mb::kSocketClosed)) connectionLost();
}

void Tchat::connectionLost() {
    // What arrived before the close is worked off first: a refused copy's "CMD_full" comes
    // just ahead of it. The tick closes the window once the queue is empty.
    connectionLost_ = true;
    if (lobbyReport_.isEmpty()) lobbyReport_ = mb::lobbylink::kLost;
    Timer1->wake();
}

bool Tchat::processsocktimer() {
    if (dispatcher_.dispatch(receivedlist_.pop())) render();
    if (receivedlist_.empty() && connectionLost_ && !fullBox_) {
        connectionLost_ = false;
        // Closing from inside a socket event would pull the socket away under its own handler.
        QTimer::singleShot(0, this, &QWidget::close);
    }
    return !receivedlist_.empty();
}

void Tchat::sendloginfo(const QByteArray& body) {
    st_.myseat = mb::toInt(body);
    st_.isconnected = true;
    // A joining copy that is given seat 1 gains what the hosting copy shows.
    if (table_.hasSeatOneRights() && !st_.ishost) {
        table_.startVisible = true;
        StartGame1->setEnabled(true);
        enableRemoveFromGame();
        render();
    }
    sendToHost(mb::MessageBuilder(mb::cmd::kLoginInfo)
                   .field(st_.myseat)
                   .field(versionText(w_.about).toUtf8())
                   .field(st_.loginname)
                   .take());
    // The sounds' library, from here on (see showEvent); a sound asked for before it is in
    // waits for it rather than stop the table.
    mb::backends::loadAhead();
    lobbyOffer_->loggedIn();
}

void Tchat::enableRemoveFromGame() {
    removeEnabled_ = true;
    if (Tspylist* spies = spylist_.ifMade()) spies->setRemoveEnabled(true);
}

void Tchat::sendToHost(const QByteArray& message) {
    try {
        sock->send(mb::frame(message));
    } catch (const mb::SockError&) {
        // Not connected (any more): the request has nowhere to go.
    }
}

void Tchat::gameFull() {
    if (std::exchange(fullShown_, true)) return;
    // The host closes the connection right after; the window waits for the user instead.
    lobbyReport_ = mb::lobbylink::kFull;
    QMessageBox* box = mb::showMessage(this, QStringLiteral("Game is full"));
    fullBox_ = box;
    connect(box, &QDialog::finished, this, &QWidget::close);
}

void Tchat::closeEvent(QCloseEvent* event) {
    // A copy that never logged in still reads and writes its tally as the window comes and
    // goes.
    tallylist_.get();
    windowSettings_->saveOnClose();
    // The lobby that started this copy says how the game ended; a lobby that is not there
    // goes unnoticed, as ever.
    if (Sock11->isConnected()) {
        if (lobbyReport_.isEmpty())
            lobbyReport_ = st_.isconnected ? mb::lobbylink::kClosed : mb::lobbylink::kUnreachable;
        try {
            Sock11->send(lobbyReport_);
        } catch (const mb::SockError&) {
        }
    }
    event->accept();
    // Side windows may still be visible; closing the main window ends the program all the same.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void Tchat::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void Tchat::FormResize() {
    // The central widget's minimum size already keeps the board visible; this covers a
    // window manager that ignores size hints.
    QWidget* client = centralWidget();
    const QSize least = kBoardSize + QSize(2 * kBoardMargin, 2 * kBoardMargin);
    if (client->height() < least.height() || client->width() < least.width())
        resize(width() + std::max(0, least.width() - client->width()),
               height() + std::max(0, least.height() - client->height()));
}

bool Tchat::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) layoutBoard();
    return QMainWindow::eventFilter(watched, event);
}

void Tchat::layoutBoard() {
    const QSize room =
        centralWidget()->size() - QSize(2 * kBoardMargin + kRightStrip, 2 * kBoardMargin);
    board_->setGeometry(QRect(QPoint(kBoardMargin, kBoardMargin), room.expandedTo(kBoardSize)));
    const mb::BoardGeometry geometry = mb::boardGeometry(board_->size());
    chat_->setArea(geometry.chat);
    // The instructions stay at their own size, centred over the table.
    if (panel_help) panel_help->centreOver(board_->geometry());
    if (board_->applyGeometry(geometry)) applyPictures();
}

// ---- The card table ------------------------------------------------------------------------

void Tchat::createBoard() {
    auto* client = new QWidget(this);
    client->setMinimumSize(kBoardSize + QSize(2 * kBoardMargin, 2 * kBoardMargin));
    setCentralWidget(client);
    board_ = new TableBoard(table_, client);
    board_->setGeometry(QRect(QPoint(kBoardMargin, kBoardMargin), kBoardSize));
    client->installEventFilter(this);  // the board follows the client area's size
    connect(board_, &TableBoard::handClicked, this, [this](int slot) {
        table_.handClick(slot);
        render();
    });
    connect(board_, &TableBoard::pileClicked, this, [this](int pile) {
        table_.pileClick(pile);
        render();
    });
    connect(board_, &TableBoard::winnerDoneClicked, this, [this] {
        table_.winnerDone();
        render();
    });
    connect(board_, &TableBoard::startClicked, this, &Tchat::button_startClick);
    connect(board_, &TableBoard::seatMenuRequested, this, &Tchat::label_playername1ContextPopup);

    chat_ = new ChatPanel(st_, board_);
    chat_->setArea(mb::boardGeometry(kBoardSize).chat);
    connect(chat_, &ChatPanel::lineToSend, this, &Tchat::sendToHost);
    applyPictures();
}

void Tchat::applyPictures() {
    // Pictures are drawn for the screen's pixel density, so they are drawn again when the
    // window moves to a screen with another one, and for the board's scale.
    board_->applyPictures();
    chat_->applyPictures();
    render();
}

void Tchat::createMenus() {
    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    StartGame1 = file->addAction(QStringLiteral("Start Game"));
    StartGame1->setObjectName(QStringLiteral("StartGame1"));
    connect(StartGame1, &QAction::triggered, this, &Tchat::button_startClick);
    file->addSeparator();
    Exit1 = file->addAction(QStringLiteral("Exit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    auto* view = menuBar()->addMenu(QStringLiteral("&View"));
    auto* spyList = view->addAction(QStringLiteral("Spy List"));
    spyList->setObjectName(QStringLiteral("SpyList1"));
    connect(spyList, &QAction::triggered, this,
            [this] { mb::showCentredOn(spylist_.get(), this); });
    auto* viewTally = view->addAction(QStringLiteral("View Tally"));
    viewTally->setObjectName(QStringLiteral("ViewTally1"));
    connect(viewTally, &QAction::triggered, this, [this] {
        loadchecklist();
        mb::showCentredOn(tallylist_.get(), this);
    });

    auto* options = menuBar()->addMenu(QStringLiteral("&Options"));
    windowSettings_ = new WindowSettings(this, settings_, chat_);
    helpMenu_ = new HelpMenu(this, chat_, *windowSettings_, st_.gamename);
    helpMenu_->addPhraseList(view);
    windowSettings_->buildOptions(options);
    connect(settings_, &SettingsMenu::justWatchChosen, this, [this] {
        table_.JustWatch1Click();
        render();
    });
    helpMenu_->addHelp(menuBar());

    popup_kick = new QMenu(this);
    popup_kick->setObjectName(QStringLiteral("popup_kick"));
    RemoveFromGame1 = popup_kick->addAction(QStringLiteral("Remove From Game"));
    RemoveFromGame1->setObjectName(QStringLiteral("RemoveFromGame1"));
    connect(RemoveFromGame1, &QAction::triggered, this, [this] { table_.kicking(popupKickTag_); });
    SettoJustWatch1 = popup_kick->addAction(QStringLiteral("Set to Just Watch"));
    SettoJustWatch1->setObjectName(QStringLiteral("SettoJustWatch1"));
    connect(SettoJustWatch1, &QAction::triggered, this,
            [this] { table_.setJustWatch(popupKickTag_, true); });
    UnsetJustWatch1 = popup_kick->addAction(QStringLiteral("Unset Just Watch"));
    UnsetJustWatch1->setObjectName(QStringLiteral("UnsetJustWatch1"));
    connect(UnsetJustWatch1, &QAction::triggered, this,
            [this] { table_.setJustWatch(popupKickTag_, false); });
}

void Tchat::attach(const Windows& windows) {
    w_ = windows;
    download_ = mb::FirstUse<Tdownload>(w_.download, [this](Tdownload& download) {
        // The download window's Exit ends the game as File > Exit does.
        connect(&download, &Tdownload::exitRequested, Exit1, &QAction::trigger);
    });
    gamestart_ = mb::FirstUse<Tgamestart>(w_.gamestart, [this](Tgamestart& start) {
        connect(&start, &Tgamestart::startRequested, this, [this](int score) {
            if (table_.gameRunning &&
                !confirm(QStringLiteral("A game is being played. Start a new one? The scores "
                                        "of this one will be lost.")))
                return;
            sendToHost(mb::MessageBuilder(mb::cmd::kStartGame)
                           .field(st_.playername.toUtf8())
                           .field(score)
                           .field("")
                           .take());
            settings_->save();
        });
    });
    spylist_ = mb::FirstUse<Tspylist>(w_.spylist, [this](Tspylist& spies) {
        connect(&spies, &Tspylist::kickRequested, this, [this](int seat) { table_.kicking(seat); });
        // What it would have been told had it been there from the start.
        spies.setRemoveEnabled(removeEnabled_);
        spies.setSpies(table_.spies);
    });
    tallylist_ = mb::FirstUse<Ttallylist>(w_.tallylist);
    helpMenu_->attach(w_.about, w_.help, w_.phrases);
    windowSettings_->setStartWindow([this] { return gamestart_.get(); });
}

bool Tchat::lobbyOfferPending() const {
    return lobbyOffer_->pending();
}

Thelp* Tchat::helpWindow() {
    return helpMenu_->help();
}

Tphrases* Tchat::phrasesWindow() {
    return helpMenu_->phrases();
}

void Tchat::createQuickInstructions() {
    panel_help = new QuickInstructions(board_->parentWidget(), board_->pos());
    connect(helpMenu_, &HelpMenu::quickInstructionsChosen, panel_help,
            &QuickInstructions::showInstructions);
}

void Tchat::setSettingsFile(const QString& path) {
    windowSettings_->setFile(path);
}

QString Tchat::settingsFile() const {
    return windowSettings_->file();
}

void Tchat::loadinifile() {
    if (windowSettings_->load().showHelp) panel_help->showInstructions();
}

int Tchat::botSpeed() const {
    return settings_->values().botSpeedMs;
}

int Tchat::turnSound() const {
    return settings_->values().turnSound;
}

void Tchat::render() {
    board_->render();
    if (QAction* watch = settings_->justWatchItem()) watch->setChecked(table_.justWatchChecked);
    if (Tspylist* spies = spylist_.ifMade()) spies->setSpies(table_.spies);
}

void Tchat::label_playername1ContextPopup(int seat, const QPoint& globalPos) {
    const mb::SeatMenuState m = table_.seatMenu(seat);
    RemoveFromGame1->setEnabled(m.remove);
    SettoJustWatch1->setEnabled(m.setWatch);
    UnsetJustWatch1->setEnabled(m.unsetWatch);
    popupKickTag_ = seat;
    popup_kick->popup(globalPos);
}

void Tchat::button_startClick() {
    if (st_.isconnected) {
        mb::showCentredOn(gamestart_.get(), this);
    } else {
        mb::showMessage(this, QStringLiteral("You are not connected"));
    }
}

void Tchat::loadchecklist() {
    Ttallylist* tally = tallylist_.get();
    if (!tally) return;
    QListWidget* checklist = tally->checklist;
    checklist->clear();
    for (const QString& name : table_.opponents()) {
        auto* item = new QListWidgetItem(name, checklist);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool tallied = !tally->listbox_tally->findItems(name, Qt::MatchFixedString).isEmpty();
        item->setCheckState(tallied ? Qt::Checked : Qt::Unchecked);
    }
}

void Tchat::playsounds(const QString& name) {
    if (settings_->values().playSounds) sounds_->play(name);
}

void Tchat::peerNotice(const QString& text) {
    const auto now = std::chrono::steady_clock::now();
    if (peerNoticeShown_ && now - lastPeerNotice_ < kPeerNoticeInterval) {
        ++peerNoticesHeld_;
        return;
    }
    QString line = QStringLiteral("0+Error in another player's message: ") +
                   mb::printableText(text.toUtf8(), kMaxPeerNoticeBytes);
    if (peerNoticesHeld_ > 0)
        line += QStringLiteral(" (and %1 more since the last notice)").arg(peerNoticesHeld_);
    peerNoticesHeld_ = 0;
    peerNoticeShown_ = true;
    lastPeerNotice_ = now;
    chat_->addlinetochat(line, st_.systemcolor);
}

void Tchat::addSystemLine(const QString& line) {
    chat_->addlinetochat(line, st_.systemcolor);
}

void Tchat::addcounter(int turns) {
    if (Ttallylist* tally = tallylist_.get()) tally->addcounter(turns);
}

void Tchat::addgame(const mb::GameWinner& winner) {
    loadchecklist();  // the tally counts the players at the table now
    if (Ttallylist* tally = tallylist_.get()) tally->addgame(winner);
}

void Tchat::playasound(const QByteArray& body) {
    mb::FieldReader fields(body);
    const int seat = fields.intField();
    const QString clip = QString::fromUtf8(fields.field());
    if (settings_->values().playerPhraseSounds) {
        sounds_->play(clip);
        return;
    }
    if (seat < 1 || seat > mb::kTableSeats) return;  // spectators have no name label
    const std::optional<QString> name = mb::chat::chatterSoundNameForClip(clip);
    if (!name) return;  // not a sound of the menu: nothing to name
    chat_->addlinetochat(QStringLiteral("0+") + table_.seat(seat).name +
                             QStringLiteral(": <Chatter Sound> ") + *name,
                         st_.systemcolor);
}

void Tchat::myTurnBegins() {
    // Ask for attention the desktop's usual way, without taking the focus.
    if (!isActiveWindow()) QApplication::alert(this);
}
