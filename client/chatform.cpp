#include "client/chatform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemSemaphore>
#include <QTimer>

#include "assets/art.h"
#include "assets/soundplayer.h"
#include "client/chatpanel.h"
#include "client/helpmenu.h"
#include "client/noticebox.h"
#include "client/quickinstructions.h"
#include "client/settingsmenu.h"
#include "client/spylistform.h"
#include "client/windowsettings.h"
#include "core/backends.h"
#include "core/errornotice.h"
#include "dialogs/aboutform.h"
#include "dialogs/downloadform.h"
#include "dialogs/gamestartform.h"
#include "host/gamerandom.h"
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
#include "widgets/backgroundpanel.h"
#include "widgets/clicklabel.h"
#include "widgets/followdensity.h"
#include "widgets/gamestyle.h"
#include "widgets/picturebutton.h"
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

    sock = new mb::Sock(this);
    sock->setObjectName(QStringLiteral("sock"));
    sock->setPortName(QString::number(ports_.game));
    connect(sock, &mb::Sock::readyRead, this, &Tchat::sockRead);
    connect(sock, &mb::Sock::info, this,
            [this](mb::InfoCode, const QString& text) { sockInfo(text); });
    Sock11 = new mb::Sock(this);
    Sock11->setObjectName(QStringLiteral("Sock11"));
    Sock11->setHostName(QStringLiteral("127.0.0.1"));
    Sock11->setPortName(QString::number(ports_.lobby));

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
    runningMarker_ =
        std::make_unique<QSystemSemaphore>(QStringLiteral("marrowby"), 1, QSystemSemaphore::Open);
    resize(kDefaultWindowSize);
    st_.systemcolor = mb::kSystemBlue;
    st_.seatcount = mb::kTableSeats;
    table_.clearall();
    seed_ = mb::clockSeed();
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
        if (w_.download) w_.download->show();
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
    panel_board->setGeometry(
        QRect(QPoint(kBoardMargin, kBoardMargin), room.expandedTo(kBoardSize)));
    const mb::BoardGeometry geometry = mb::boardGeometry(panel_board->size());
    chat_->setArea(geometry.chat);
    // The instructions stay at their own size, centred over the table.
    if (panel_help) panel_help->centreOver(panel_board->geometry());
    if (scaler_.apply(geometry)) applyPictures();
}

// ---- The card table ------------------------------------------------------------------------

namespace {

constexpr std::array<int, mb::kHandSize + 1> kHandLeft = {0,   6,   82,  157, 233, 308,
                                                          384, 459, 535, 610, 686};
constexpr int kHandTop = 116;
constexpr int kPileTop = 12;
constexpr int kPileRaisedTop = 2;
constexpr int kDrawLeft = 308;
constexpr int kDiscardLeft = 384;
constexpr std::array<int, mb::kTableSeats + 1> kNameTop = {0, 13, 36, 61, 85};
constexpr int kNameLeft = 512;
constexpr int kScoreGap = 6;
constexpr int kBonusGap = 5;
constexpr int kNotPlayingLeft = 583;
constexpr int kEyesLeft = 490;
constexpr int kTurnLeft = 471;
constexpr int kTurnAbove = 8;
constexpr QRect kStatusRect{(764 - 493) / 2, 218, 493, 20};
constexpr QPoint kStartPos{315, 188};
constexpr QRect kWinnerCardsRect{6, 114, 752, 129};
constexpr QRect kWinnerRect{160, 144, 441, 41};

QLabel* plainLabel(const QString& text, QWidget* parent, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

void Tchat::createBoard() {
    auto* client = new QWidget(this);
    client->setMinimumSize(kBoardSize + QSize(2 * kBoardMargin, 2 * kBoardMargin));
    setCentralWidget(client);
    panel_board = new mb::BackgroundPanel(client);
    panel_board->setObjectName(QStringLiteral("panel_board"));
    panel_board->setTile(&mb::art::backgroundTile);
    panel_board->setGeometry(QRect(QPoint(kBoardMargin, kBoardMargin), kBoardSize));
    client->installEventFilter(this);  // the board follows the client area's size

    const QSize card = mb::art::cardSize();
    for (int slot = 1; slot <= mb::kHandSize; ++slot) {
        auto* c = new mb::ClickLabel(slot, panel_board);
        c->setObjectName(QStringLiteral("image_card%1").arg(slot));
        scaler_.place(c, QRect(QPoint(kHandLeft[size_t(slot)], kHandTop), card));
        c->setCursor(Qt::PointingHandCursor);
        connect(c, &mb::ClickLabel::clicked, this, [this](int tag) {
            table_.handClick(tag);
            render();
        });
        image_card[size_t(slot)] = c;
    }
    auto pile = [&](int tag, int left, const char* name) {
        auto* p = new mb::ClickLabel(tag, panel_board);
        p->setObjectName(QLatin1String(name));
        scaler_.place(p, QRect(QPoint(left, kPileTop), card));
        p->setCursor(Qt::PointingHandCursor);
        connect(p, &mb::ClickLabel::clicked, this, [this](int t) {
            table_.pileClick(t);
            render();
        });
        return p;
    };
    image_drawpile = pile(mb::kDrawPile, kDrawLeft, "image_drawpile");
    image_topcard = pile(mb::kDiscardPile, kDiscardLeft, "image_topcard");
    auto caption = [&](int tag, const QString& text, int left, const char* name) {
        auto* c = new mb::ClickLabel(tag, panel_board);
        c->setObjectName(QLatin1String(name));
        c->setText(text);
        mb::setCaptionLook(c, Qt::white, QColor(0, 0, 0, 120), QMargins(7, 0, 7, 0));
        scaler_.place(c, QRect(QPoint(left, kPileTop + 2), QSize()));
        c->setCursor(Qt::PointingHandCursor);
        connect(c, &mb::ClickLabel::clicked, this, [this](int t) {
            table_.pileClick(t);
            render();
        });
        return c;
    };
    label_draw = caption(mb::kDrawPile, QStringLiteral("DRAW"), 328, "label_draw");
    label_discard = caption(mb::kDiscardPile, QStringLiteral("DISCARD"), 395, "label_discard");

    image_Turn = new QLabel(panel_board);
    image_Turn->setObjectName(QStringLiteral("image_Turn"));
    scaler_.place(image_Turn,
                  QRect(QPoint(kTurnLeft, kNameTop[1] - kTurnAbove), mb::art::turnArrowSize()));
    image_Turn->hide();

    QFont nameFont = font();
    nameFont.setBold(true);
    for (int s = 1; s <= mb::kTableSeats; ++s) {
        auto* name = new mb::ClickLabel(s, panel_board);
        name->setObjectName(QStringLiteral("label_playername%1").arg(s));
        name->setFont(nameFont);
        scaler_.place(name, QRect(QPoint(kNameLeft, kNameTop[size_t(s)]), QSize()));
        connect(name, &mb::ClickLabel::rightClicked, this, &Tchat::label_playername1ContextPopup);
        label_playername[size_t(s)] = name;
        label_score[size_t(s)] = plainLabel(QStringLiteral("0"), panel_board, "label_score");
        label_score[size_t(s)]->setObjectName(QStringLiteral("label_score%1").arg(s));
        label_bonus[size_t(s)] = plainLabel(QString(), panel_board, "label_bonus");
        label_bonus[size_t(s)]->setObjectName(QStringLiteral("label_bonus%1").arg(s));
        mb::setTextColour(label_bonus[size_t(s)], QColor(0x0a, 0x7a, 0x0a));
        label_bonus[size_t(s)]->setFont(nameFont);
        scaler_.place(label_score[size_t(s)],
                      QRect(QPoint(kNameLeft, kNameTop[size_t(s)]), QSize()));
        scaler_.place(label_bonus[size_t(s)],
                      QRect(QPoint(kNameLeft, kNameTop[size_t(s)]), QSize()));
        auto* notPlaying = new QLabel(panel_board);
        notPlaying->setObjectName(QStringLiteral("image_playing%1").arg(s));
        scaler_.place(notPlaying, QRect(QPoint(kNotPlayingLeft, kNameTop[size_t(s)]),
                                        mb::art::notPlayingSize()));
        notPlaying->hide();
        image_playing[size_t(s)] = notPlaying;
        auto* eyes = new QLabel(panel_board);
        eyes->setObjectName(QStringLiteral("image_eyes%1").arg(s));
        scaler_.place(eyes, QRect(QPoint(kEyesLeft, kNameTop[size_t(s)] + 3), mb::art::eyesSize()));
        eyes->hide();
        image_eyes[size_t(s)] = eyes;
    }

    label_playtoscore = plainLabel(QString(), panel_board, "label_playtoscore");
    scaler_.place(label_playtoscore, QRect(8, 12, 200, 18));
    label_roundnum = plainLabel(QString(), panel_board, "label_roundnum");
    scaler_.place(label_roundnum, QRect(8, 32, 200, 18));
    label_numturns = plainLabel(QString(), panel_board, "label_numturns");
    scaler_.place(label_numturns, QRect(8, 52, 200, 18));
    label_status = plainLabel(QString(), panel_board, "label_status");
    label_status->setAlignment(Qt::AlignCenter);
    QFont statusFont = font();
    statusFont.setBold(true);
    label_status->setFont(statusFont);
    scaler_.place(label_status, kStatusRect);

    button_start = new mb::PictureButton(panel_board);
    button_start->setObjectName(QStringLiteral("button_start"));
    scaler_.place(button_start, QRect(kStartPos, QSize()));
    connect(button_start, &QAbstractButton::clicked, this, &Tchat::button_startClick);

    panel_winnercards = new QFrame(panel_board);
    panel_winnercards->setObjectName(QStringLiteral("panel_winnercards"));
    scaler_.place(panel_winnercards, kWinnerCardsRect);
    panel_winnercards->setFrameShape(QFrame::Panel);
    panel_winnercards->setFrameShadow(QFrame::Raised);
    panel_winnercards->setAutoFillBackground(true);
    for (int slot = 1; slot <= mb::kHandSize; ++slot) {
        auto* c = new mb::ClickLabel(slot, panel_winnercards);
        c->setObjectName(QStringLiteral("image_wcard%1").arg(slot));
        scaler_.place(c, QRect(QPoint(kHandLeft[size_t(slot)] - kWinnerCardsRect.left(), 2), card),
                      false);
        connect(c, &mb::ClickLabel::clicked, this, [this](int tag) {
            table_.handClick(tag);
            render();
        });
        image_wcard[size_t(slot)] = c;
    }
    label_completed = plainLabel(QString(), panel_winnercards, "label_completed");
    label_completed->setFont(statusFont);
    scaler_.place(label_completed, QRect(10, 102, 560, 22), false);
    auto* done = new QPushButton(QStringLiteral("Done"), panel_winnercards);
    done->setObjectName(QStringLiteral("button_winnerdone"));
    scaler_.place(done, QRect(660, 101, 80, 24), false);
    connect(done, &QPushButton::clicked, this, [this] {
        table_.winnerDone();
        render();
    });
    panel_winnercards->hide();

    panel_winner = new QFrame(panel_board);
    panel_winner->setObjectName(QStringLiteral("panel_winner"));
    scaler_.place(panel_winner, kWinnerRect);
    QFont winnerFont = font();
    winnerFont.setBold(true);
    winnerFont.setPixelSize(26);
    label_winner2 = plainLabel(QString(), panel_winner, "label_winner2");
    label_winner2->setFont(winnerFont);
    label_winner2->setAlignment(Qt::AlignCenter);
    scaler_.place(label_winner2, QRect(1, 1, kWinnerRect.width(), kWinnerRect.height()), false);
    mb::setTextColour(label_winner2, QColor(0x30, 0x30, 0x30));
    label_winner1 = plainLabel(QString(), panel_winner, "label_winner1");
    label_winner1->setFont(winnerFont);
    label_winner1->setAlignment(Qt::AlignCenter);
    scaler_.place(label_winner1, QRect(0, 0, kWinnerRect.width(), kWinnerRect.height()), false);
    mb::setTextColour(label_winner1, QColor(0xf0, 0xc0, 0x20));
    panel_winner->hide();

    chat_ = new ChatPanel(st_, panel_board);
    chat_->setArea(mb::boardGeometry(kBoardSize).chat);
    connect(chat_, &ChatPanel::lineToSend, this, &Tchat::sendToHost);
    applyPictures();
}

void Tchat::applyPictures() {
    // Pictures are drawn for the screen's pixel density, so they are drawn again when the
    // window moves to a screen with another one.
    // The table's pictures are drawn for its scale as well; the tile is a texture and stays.
    const qreal dpr = devicePixelRatioF();
    image_Turn->setPixmap(scaler_.art([](qreal d) { return mb::art::turnArrow(d); }, dpr));
    const QPixmap notPlaying = scaler_.art([](qreal d) { return mb::art::notPlaying(d); }, dpr);
    const QPixmap eyes = scaler_.art([](qreal d) { return mb::art::eyes(d); }, dpr);
    for (int s = 1; s <= mb::kTableSeats; ++s) {
        image_playing[size_t(s)]->setPixmap(notPlaying);
        image_eyes[size_t(s)]->setPixmap(eyes);
    }
    button_start->setPictures(
        scaler_.art([](qreal d) { return mb::art::startGameButton(d); }, dpr),
        scaler_.art([](qreal d) { return mb::art::startGameButton(d, true); }, dpr));
    scaler_.move(button_start, kStartPos);  // its size follows the picture's
    chat_->applyPictures();
    shownHand_.fill(-2);
    shownWinner_.fill(-2);
    shownDraw_ = shownTop_ = -2;
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
    // The download window's Exit ends the game as File > Exit does.
    if (w_.download) connect(w_.download, &Tdownload::exitRequested, Exit1, &QAction::trigger);
    gamestart_ = mb::FirstUse<Tgamestart>(w_.gamestart, [this](Tgamestart& start) {
        connect(&start, &Tgamestart::startRequested, this, [this](int score) {
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

Thelp* Tchat::helpWindow() {
    return helpMenu_->help();
}

Tphrases* Tchat::phrasesWindow() {
    return helpMenu_->phrases();
}

void Tchat::createQuickInstructions() {
    panel_help = new QuickInstructions(panel_board->parentWidget(), panel_board->pos());
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

void Tchat::placeSeatRow(int seat) {
    const size_t s = size_t(seat);
    mb::ClickLabel* name = label_playername[s];
    name->adjustSize();
    // The score follows the name and the bonus the score, each as wide as its text at the
    // board's scale; the gaps between them scale with the board.
    auto after = [this](const QWidget* left, int gap) {
        const int end = left->x() + left->width() - scaler_.offset();
        return qRound(end / scaler_.scale()) + gap;
    };
    scaler_.move(label_score[s], {after(name, kScoreGap), kNameTop[s]});
    scaler_.move(label_bonus[s], {after(label_score[s], kBonusGap), kNameTop[s]});
}

void Tchat::render() {
    const qreal dpr = devicePixelRatioF();
    const mb::BoardScaler& scaler = scaler_;
    auto showCard = [dpr, &scaler](QLabel* picture, int card, int& shown) {
        if (card == shown) return;
        shown = card;
        if (card == mb::kNoPicture)
            picture->clear();
        else
            picture->setPixmap(scaler.art([card](qreal d) { return mb::art::card(card, d); }, dpr));
    };
    for (int slot = 1; slot <= mb::kHandSize; ++slot) {
        showCard(image_card[size_t(slot)], table_.handCard(slot), shownHand_[size_t(slot)]);
        showCard(image_wcard[size_t(slot)], table_.winnerCard(slot), shownWinner_[size_t(slot)]);
    }
    showCard(image_drawpile, table_.drawPileCard, shownDraw_);
    showCard(image_topcard, table_.topCard, shownTop_);
    scaler_.move(image_drawpile,
                 {kDrawLeft, table_.pileRaised[mb::kDrawPile] ? kPileRaisedTop : kPileTop});
    scaler_.move(image_topcard,
                 {kDiscardLeft, table_.pileRaised[mb::kDiscardPile] ? kPileRaisedTop : kPileTop});
    label_draw->raise();
    label_discard->raise();

    for (int s = 1; s <= mb::kTableSeats; ++s) {
        const mb::SeatView& seat = table_.seat(s);
        const size_t i = size_t(s);
        label_playername[i]->setText(seat.name);
        label_playername[i]->setToolTip(seat.hint);
        label_score[i]->setText(seat.score);
        label_bonus[i]->setText(seat.bonus);
        placeSeatRow(s);
        label_score[i]->setVisible(seat.scoreVisible && !seat.notPlaying);
        image_playing[i]->setVisible(seat.notPlaying);
        image_eyes[i]->setVisible(seat.eyes);
    }
    if (table_.turnArrowSeat > 0) {
        scaler_.move(image_Turn, {kTurnLeft, kNameTop[size_t(table_.turnArrowSeat)] - kTurnAbove});
        image_Turn->show();
    }
    label_status->setText(table_.status);
    label_playtoscore->setText(table_.playToScore);
    label_roundnum->setText(table_.roundNumber);
    label_numturns->setText(table_.numTurns);
    button_start->setVisible(table_.startVisible);
    label_completed->setText(table_.completed);
    panel_winnercards->setVisible(table_.winnerCardsVisible);
    label_winner1->setText(table_.winnerText);
    label_winner2->setText(table_.winnerText);
    panel_winner->setVisible(table_.winnerVisible);
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

void Tchat::addgame(const QString& name) {
    loadchecklist();  // the tally counts the players at the table now
    if (Ttallylist* tally = tallylist_.get()) tally->addgame(name);
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
