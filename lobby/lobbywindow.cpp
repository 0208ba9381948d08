#include "lobby/lobbywindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "assets/art.h"
#include "core/version.h"
#include "discovery/tabledirectory.h"
#include "lobby/lobbylink.h"
#include "lobby/lobbysettings.h"
#include "lobby/tablelist.h"
#include "net/lobbylink.h"
#include "widgets/followdensity.h"

namespace mb {

namespace {

constexpr QSize kDefaultSize{620, 470};
constexpr char kGameProgram[] = "marrowby";
constexpr char kUnavailableNotice[] =
    "Tables on this network cannot be listed: the Avahi service is not running";

}  // namespace

LobbyWindow::Launcher LobbyWindow::gameIn(const QString& directory) {
    return [directory](const QStringList& arguments, QString* error) {
        const QDir dir(directory);
        const QString program = dir.filePath(QString::fromLatin1(kGameProgram));
        if (!QFileInfo(program).isExecutable()) {
            *error = QStringLiteral("The game was not found beside the lobby (%1).").arg(program);
            return false;
        }
        QProcess game;
        game.setProgram(program);
        game.setArguments(arguments);
        game.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(lobbylink::kStartedByLobby), QStringLiteral("1"));
        game.setProcessEnvironment(environment);
        // Detached: a game goes on when the lobby is closed.
        if (!game.startDetached()) {
            *error = QStringLiteral("The game could not be started (%1).").arg(program);
            return false;
        }
        return true;
    };
}

LobbyWindow::LobbyWindow(QString settingsPath, Launcher launcher, quint16 linkPort, QWidget* parent)
    : QWidget(parent),
      settingsPath_(std::move(settingsPath)),
      launcher_(std::move(launcher)),
      directory_(new TableDirectory(this)),
      tables_(new TableList(kProgramVersion, this)),
      link_(new LobbyLink(linkPort, this)) {
    setWindowTitle(QStringLiteral("Marrowby Lobby"));
    resize(kDefaultSize);

    logo_ = new QLabel(this);
    followDensity(this, [this](qreal dpr) { logo_->setPixmap(art::logo(dpr)); });
    logo_->setAlignment(Qt::AlignCenter);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("name"));
    name_->setPlaceholderText(QStringLiteral("Your name"));
    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("tables"));
    list_->setModel(tables_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->header()->setSectionResizeMode(TableList::NameColumn, QHeaderView::Stretch);
    list_->header()->setStretchLastSection(false);
    for (int c = TableList::AddressColumn; c < TableList::ColumnCount; ++c)
        list_->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("notice"));
    notice_->setWordWrap(true);
    address_ = new QComboBox(this);
    address_->setObjectName(QStringLiteral("address"));
    address_->setEditable(true);
    address_->setInsertPolicy(QComboBox::NoInsert);
    address_->lineEdit()->setPlaceholderText(QStringLiteral("Host name or address"));
    join_ = new QPushButton(QStringLiteral("Join"), this);
    join_->setObjectName(QStringLiteral("join"));
    join_->setDefault(true);
    host_ = new QPushButton(QStringLiteral("Host a Table"), this);
    host_->setObjectName(QStringLiteral("host"));
    solo_ = new QPushButton(QStringLiteral("Play Solo"), this);
    solo_->setObjectName(QStringLiteral("solo"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("Your name:"), this), 0, 0);
    form->addWidget(name_, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("Table elsewhere:"), this), 1, 0);
    form->addWidget(address_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(join_);
    buttons->addStretch();
    buttons->addWidget(host_);
    buttons->addWidget(solo_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(logo_);
    layout->addWidget(new QLabel(QStringLiteral("Tables on this network:"), this));
    layout->addWidget(list_, 1);
    layout->addWidget(notice_);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(status_);

    const LobbySettings settings = LobbySettings::load(settingsPath_);
    name_->setText(settings.name);
    addresses_ = settings.addresses;
    address_->addItems(addresses_);
    address_->setCurrentIndex(-1);
    address_->clearEditText();

    connect(join_, &QPushButton::clicked, this, &LobbyWindow::join);
    connect(host_, &QPushButton::clicked, this, &LobbyWindow::hostTable);
    connect(solo_, &QPushButton::clicked, this, &LobbyWindow::playSolo);
    connect(list_, &QTreeView::doubleClicked, this, &LobbyWindow::join);
    // Enter in either box is Join, as the default button of a dialog would be.
    connect(name_, &QLineEdit::returnPressed, this, &LobbyWindow::join);
    connect(address_->lineEdit(), &QLineEdit::returnPressed, this, &LobbyWindow::join);
    // Typing an address means that address, not the table chosen in the list.
    connect(address_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!text.isEmpty()) list_->clearSelection();
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (list_->selectionModel()->hasSelection()) address_->clearEditText();
    });

    connect(directory_, &TableDirectory::stateChanged, this, &LobbyWindow::showDirectoryState);
    connect(directory_, &TableDirectory::tableFound, tables_, &TableList::put);
    connect(directory_, &TableDirectory::tableRemoved, tables_, &TableList::remove);
    directory_->browse();
    showDirectoryState();

    connect(link_, &LobbyLink::linkOpened, this, [this] { hide(); });
    connect(link_, &LobbyLink::linkClosed, this, &LobbyWindow::gameEnded);
    if (!link_->listen()) {
        linkTaken_ = true;
        setStatus(QStringLiteral("Another program holds the lobby's port %1: games start, but the "
                                 "lobby cannot tell when they end.")
                      .arg(linkPort));
    }
}

LobbyWindow::~LobbyWindow() = default;

void LobbyWindow::gameEnded(GameEnd end) {
    QString line = gameEndLine(end);
    if (!untried_.isEmpty() && end == GameEnd::Unreachable) {
        addresses_.removeIf(
            [&](const QString& a) { return a.compare(untried_, Qt::CaseInsensitive) == 0; });
        address_->clear();
        address_->addItems(addresses_);
        // Left in the box, to be put right.
        address_->setEditText(untried_);
        LobbySettings settings = LobbySettings::load(settingsPath_);
        settings.addresses = addresses_;
        if (settings.save(settingsPath_))
            line += QStringLiteral(" Its address is not kept in the list.");
    }
    // Any other end means the table was there.
    untried_.clear();
    setStatus(line);
    if (link_->openLinks() == 0) bringToFront();
}

void LobbyWindow::showDirectoryState() {
    const bool unavailable = directory_->state() == TableDirectory::State::Unavailable;
    notice_->setText(unavailable ? QString::fromLatin1(kUnavailableNotice) : QString());
    notice_->setVisible(unavailable);
}

void LobbyWindow::setStatus(const QString& text) {
    status_->setText(text);
}

void LobbyWindow::bringToFront() {
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

std::optional<QString> LobbyWindow::checkedName() {
    const std::optional<QString> name = playerNameFor(name_->text());
    if (!name) {
        setStatus(QStringLiteral("Please type your name first."));
        name_->setFocus();
        return std::nullopt;
    }
    name_->setText(*name);
    return name;
}

void LobbyWindow::join() {
    const std::optional<QString> name = checkedName();
    if (!name) return;
    QString address;
    QString untried;
    const QModelIndexList chosen = list_->selectionModel()->selectedRows();
    if (!chosen.isEmpty()) {
        const TableEntry& table = tables_->entry(chosen.first().row());
        // The game joins the game port only; a table on another port needs a forward.
        if (table.port != kGamePort) {
            setStatus(QStringLiteral("This table listens on port %1; the game joins tables on "
                                     "port %2 only.")
                          .arg(table.port)
                          .arg(kGamePort));
            return;
        }
        // The game would only be told "Game is full" and close; the list already knows. (The
        // list lags the table by up to a second, so a seat freed just now waits for it.)
        if (table.record.seats + table.record.watchers >= kMaxSeats) {
            setStatus(QStringLiteral("This table is full: %1 play and %2 watch. Choose another, "
                                     "or join when a place comes free.")
                          .arg(table.record.seats)
                          .arg(table.record.watchers));
            return;
        }
        address = table.address;
    } else {
        address = address_->currentText().trimmed();
        if (address.isEmpty()) {
            setStatus(QStringLiteral("Choose a table in the list or type its address."));
            return;
        }
        if (!isAddressText(address)) {
            setStatus(
                QStringLiteral("An address is a host name or a dotted address, such as "
                               "192.168.1.20."));
            return;
        }
        const bool known = addresses_.contains(address, Qt::CaseInsensitive);
        addresses_ = withAddress(addresses_, address);
        untried = known ? QString() : address;
        address_->clear();
        address_->addItems(addresses_);
        address_->setCurrentIndex(0);
    }
    start({*name, address, QStringLiteral("false")});
    untried_ = untried;
}

void LobbyWindow::hostTable() {
    if (const std::optional<QString> name = checkedName())
        start({*name, QStringLiteral("127.0.0.1"), QStringLiteral("true")});
}

void LobbyWindow::playSolo() {
    start({});
}

void LobbyWindow::start(const QStringList& arguments) {
    untried_.clear();
    if (!arguments.isEmpty()) {
        LobbySettings settings{arguments[0], addresses_};
        if (!settings.save(settingsPath_))
            setStatus(QStringLiteral("Your name and addresses could not be saved."));
    }
    QString error;
    if (!launcher_(arguments, &error)) {
        setStatus(error);
        return;
    }
    setStatus(arguments.isEmpty() ? QStringLiteral("A solo game has started.")
                                  : QStringLiteral("The game is starting..."));
}

void LobbyWindow::paintEvent(QPaintEvent*) {
    // The game's own quiet background, drawn at this screen's pixel ratio.
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), art::backgroundTile(devicePixelRatioF()));
}

}  // namespace mb
