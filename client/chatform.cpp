#include "client/chatform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSystemSemaphore>
#include <QTimer>

#include "dialogs/aboutform.h"
#include "dialogs/downloadform.h"
#include "host/gamerandom.h"
#include "host/serverform.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "net/tickpump.h"

namespace {

constexpr QSize kBoardSize{764, 526};
constexpr int kBoardMargin = 2;  // the board sits 2 px inside the client area on every side
constexpr QSize kDefaultWindowSize{772, 535};
constexpr int kOversizeShrink = 15;

QString versionText(const Tabout* about) {
    return about ? about->versionText() : QString::fromLatin1(mb::kProgramVersion);
}

}  // namespace

Tchat::Tchat(QStringList arguments, Ports ports, QWidget* parent)
    : QMainWindow(parent), args_(std::move(arguments)), ports_(ports) {
    setWindowTitle(QStringLiteral("Marrowby by Kestro Software"));

    auto* client = new QWidget(this);
    client->setMinimumSize(kBoardSize + QSize(2 * kBoardMargin, 2 * kBoardMargin));
    setCentralWidget(client);
    panel_board = new QFrame(client);
    panel_board->setObjectName(QStringLiteral("panel_board"));
    panel_board->setGeometry(QRect(QPoint(kBoardMargin, kBoardMargin), kBoardSize));

    button_start = new QPushButton(QStringLiteral("START GAME"), panel_board);
    button_start->setObjectName(QStringLiteral("button_start"));
    button_start->setGeometry(315, 188, 134, 24);
    label_status = new QLabel(QStringLiteral("Welcome to Marrowby!"), panel_board);
    label_status->setObjectName(QStringLiteral("label_status"));
    label_status->setTextFormat(Qt::PlainText);
    label_status->setAlignment(Qt::AlignCenter);
    label_status->setGeometry((kBoardSize.width() - 493) / 2, 218, 493, 20);
    mainchat = new QPlainTextEdit(panel_board);
    mainchat->setObjectName(QStringLiteral("mainchat"));
    mainchat->setReadOnly(true);
    mainchat->setGeometry(6, 250, kBoardSize.width() - 12, kBoardSize.height() - 256);

    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    StartGame1 = file->addAction(QStringLiteral("Start Game"));
    StartGame1->setObjectName(QStringLiteral("StartGame1"));
    file->addSeparator();
    auto* exit = file->addAction(QStringLiteral("Exit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    sock = new mb::Sock(this);
    sock->setPortName(QString::number(ports_.game));
    connect(sock, &mb::Sock::readyRead, this, &Tchat::sockRead);
    connect(sock, &mb::Sock::info, this, [this](mb::InfoCode, const QString& text) { sockInfo(text); });
    Sock11 = new mb::Sock(this);
    Sock11->setHostName(QStringLiteral("127.0.0.1"));
    Sock11->setPortName(QString::number(ports_.lobby));

    dispatcher_ = mb::Dispatcher{
        {"CMD_sendlogininfo", [this](const QByteArray& b) { sendloginfo(b); }},
        {"CMD_chat", [this](const QByteArray& b) { chatrecieved(b); }},
        {"CMD_action", [this](const QByteArray& b) { chatrecieved(b); }},
        {"CMD_playasound", [this](const QByteArray& b) { playasound(b); }},
        {"CMD_newplayerinfo", [this](const QByteArray& b) { newplayerinfo(b); }},
        {"CMD_havewrongversion",
         [this](const QByteArray& b) {
             addlinetochat(QStringLiteral("0+") + QString::fromUtf8(b) +
                               QStringLiteral(" has a different version of the game then you."),
                           st_.systemcolor);
         }},
        {"CMD_wrongversion",
         [this](const QByteArray&) {
             addlinetochat(
                 QStringLiteral("0+You have a differnt version of the game then the host."),
                 st_.systemcolor);
         }},
        {"CMD_existingplayers", [this](const QByteArray& b) { newplayerinfo(b); }},
        {"CMD_playerdisconnected", [this](const QByteArray& b) { playerdisconnected(b); }},
        {"CMD_full", [this](const QByteArray&) { gameFull(); }},
        {"CMD_justwatching", [this](const QByteArray& b) { justwatching(b); }},
        {"CMD_startgame", [this](const QByteArray& b) { startthegame(b); }},
        {"CMD_nextplayer", [this](const QByteArray& b) { getnextplayer(b); }},
        {"CMD_winner", [this](const QByteArray& b) { winner(b); }},
        {"CMD_roundstart", [this](const QByteArray& b) { roundstart(b); }},
        {"CMD_mycards", [this](const QByteArray& b) { mycards(b); }},
        {"CMD_topcard", [this](const QByteArray& b) { topcard(b); }},
        {"CMD_hisplay", [this](const QByteArray& b) { hisplay(b); }},
        {"CMD_roundover", [this](const QByteArray& b) { roundover(b); }},
        {"CMD_gamestats", [this](const QByteArray& b) { gamestats(b); }},
    };
    Timer1 = new mb::TickPump(mb::kClientTick, [this] { return processsocktimer(); }, this);

    FormCreate();
    // The placeholder entry is consumed by the first tick, like any entry.
    Timer1->wake();
}

Tchat::~Tchat() = default;

void Tchat::FormCreate() {
    st_.gamename = QStringLiteral("Marrowby");
    runningMarker_ = std::make_unique<QSystemSemaphore>(QStringLiteral("marrowby"), 1,
                                                        QSystemSemaphore::Open);
    resize(kDefaultWindowSize);
    st_.phraseready = true;
    st_.systemcolor = mb::kSystemBlue;
    st_.seatcount = 4;
    clearall();
    seed_ = mb::clockSeed();
    st_.ishost = false;
    st_.currentturn = 0;
}

void Tchat::clearall() {}

void Tchat::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void Tchat::FormShow() { processparams(); }

void Tchat::processparams() {
    button_start->hide();
    StartGame1->setEnabled(false);
    st_.loginname.clear();
    if (args_.isEmpty()) {
        addlinetochat(QStringLiteral("0+Loading Solo Game..Please wait."), st_.systemcolor);
        if (w_.download) w_.download->show();
        st_.hostaddress = QStringLiteral("127.0.0.1");
        st_.playername = QStringLiteral("You");
        hostpress();
        return;
    }
    addlinetochat(QStringLiteral("0+Loading Multi-player Game.. Please Wait."), st_.systemcolor);
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
    w_.server->startListening();
    st_.loginname = st_.playername.toUtf8() + mb::kTerminator;
    st_.ishost = true;
    sock->setHostName(QStringLiteral("127.0.0.1"));
    sock->setPortName(QString::number(w_.server->listenPort()));
    sock->open();
    button_start->show();
    StartGame1->setEnabled(true);
}

void Tchat::joinpress() {
    st_.loginname = st_.playername.toUtf8() + mb::kTerminator;
    sock->setHostName(st_.hostaddress);
    try {
        sock->open();
    } catch (const mb::SockError& e) {
        // An address that cannot be resolved leaves the client unconnected, like a refusal.
        addlinetochat(QStringLiteral("0+") + QString::fromUtf8(e.what()), st_.systemcolor);
    }
    button_start->hide();
    StartGame1->setEnabled(false);
}

void Tchat::sockRead() {
    QList<QByteArray> messages;
    if (remainder_.feed(sock->receive(), messages) == mb::FrameDecoder::Result::Overflow) {
        // A host that never ends its message is as good as gone.
        connectionLost();
        return;
    }
    for (const auto& m : messages) receivedlist_.push(m);
    if (!messages.isEmpty()) Timer1->wake();
}

void Tchat::sockInfo(const QString& text) {
    if (text == QLatin1String(mb::kSocketClosed)) connectionLost();
}

void Tchat::connectionLost() {
    // Closing from inside a socket event would pull the socket away under its own handler.
    QTimer::singleShot(0, this, &QWidget::close);
}

bool Tchat::processsocktimer() {
    dispatcher_.dispatch(receivedlist_.pop());
    return !receivedlist_.empty();
}

void Tchat::sendloginfo(const QByteArray& body) {
    st_.myseat = mb::toInt(body);
    st_.isconnected = true;
    sendToHost("CMD_logininfo+" + QByteArray::number(st_.myseat) + "+" +
               versionText(w_.about).toUtf8() + "+" + st_.loginname);
}

void Tchat::sendToHost(const QByteArray& message) {
    try {
        sock->send(mb::frame(message));
    } catch (const mb::SockError&) {
        // Not connected (any more): the request has nowhere to go.
    }
}

void Tchat::gameFull() {
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Marrowby"),
                                QStringLiteral("Game is full"), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("gameFullBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    connect(box, &QDialog::finished, this, &QWidget::close);
    box->open();
}

void Tchat::addlinetochat(const QString& line, mb::WinColor) {
    chatLines_.append(line);
    const qsizetype plus = line.indexOf(QLatin1Char('+'));
    mainchat->appendPlainText(plus >= 0 ? line.mid(plus + 1) : line);
    emit lineAdded(line);
}

void Tchat::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    // Side windows may still be visible; closing the main window ends the program all the same.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void Tchat::FormClose() {
    const QRect now = geometry();
    if (now == bounds_) return;
    QRect store = now;
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        if (store.width() > area.width()) store.setWidth(store.width() - kOversizeShrink);
        if (store.height() > area.height()) store.setHeight(store.height() - kOversizeShrink);
    }
    bounds_ = store;
    saveinifile();
}

void Tchat::saveinifile() {
    if (!settingsLoaded_) return;
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
