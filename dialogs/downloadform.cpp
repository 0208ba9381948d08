#include "dialogs/downloadform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>

#include "assets/art.h"
#include "core/appfiles.h"
#include "core/errornotice.h"
#include "core/savefile.h"
#include "dialogs/httpclient.h"
#include "widgets/gamestyle.h"

#ifndef MARROWBY_SITE_URL
#define MARROWBY_SITE_URL "https://www.kestrosoftware.example"
#endif

namespace {

constexpr char kLobbyInstallerUrl[] = MARROWBY_SITE_URL "/lobby/kestrolobby-setup.run";
constexpr char kLobbyUrlVariable[] = "MARROWBY_LOBBY_URL";
constexpr char kInstalledLobby[] = ".local/bin/kestrolobby";
// The lobby program built and installed with the game.
constexpr char kBesideLobby[] = "marrowby-lobby";
constexpr char kInstallerParameters[] = "/SP- /silent /noicons";

constexpr QSize kClientSize{724, 500};
constexpr QRect kLeftPanel{5, 6, 450, 487};
constexpr QRect kTopRightPanel{462, 6, 257, 228};
constexpr QRect kBottomRightPanel{462, 236, 257, 257};
constexpr int kInset = 8;

// The picture is drawn for the screen's pixel density each time, so it stays sharp when the
// window moves to another screen.
class Picture : public QWidget {
public:
    explicit Picture(QWidget* parent) : QWidget(parent) {
        setFixedSize(mb::art::lobbyPictureSize());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawPixmap(QPoint(0, 0), mb::art::lobbyPicture(devicePixelRatioF()));
    }
};

QFrame* whitePanel(QWidget* parent, const QRect& geometry) {
    auto* panel = new QFrame(parent);
    panel->setGeometry(geometry);
    panel->setFrameShape(QFrame::Box);
    mb::setWhitePanelLook(panel);
    panel->setObjectName(QStringLiteral("panel"));
    return panel;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setGeometry(geometry);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
}

void showMessage(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Marrowby"), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->open();
}

}  // namespace

QString Tdownload::installerUrl() {
    const QString custom = qEnvironmentVariable(kLobbyUrlVariable);
    return custom.isEmpty() ? QString::fromLatin1(kLobbyInstallerUrl) : custom;
}

QString Tdownload::installedLobbyPath() {
    return QDir::home().filePath(QString::fromLatin1(kInstalledLobby));
}

Tdownload::Places Tdownload::defaultPlaces() {
    const QString dir = QCoreApplication::applicationDirPath();
    return {installerUrl(), dir, installedLobbyPath(),
            QDir(dir).filePath(QString::fromLatin1(kBesideLobby))};
}

void Tdownload::drawPictureAhead() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        mb::art::drawLobbyPictureAhead(screen->devicePixelRatio());
}

Tdownload::Tdownload(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Download The Kestro Lobby"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientSize);
    HttpClient1 = new mb::THttpClient(this);

    QFrame* left = whitePanel(this, kLeftPanel);
    auto* Image1 = new Picture(left);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->move(7, 7);
    const int width = kLeftPanel.width() - 2 * 7;
    auto* Label1 = label(left, "Label1",
                         QStringLiteral("Download The Kestro Lobby Now to play this  and other "
                                        "exciting games online with other players! "),
                         QRect(7, 373, width, 34));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    getbutton =
        button(left, "getbutton", QStringLiteral("Download And Install The Kestro Lobby Now"),
               QRect(7, 410, 290, 28));
    abortbutton = button(left, "abortbutton", QStringLiteral("Stop Download"),
                         QRect(303, 410, width - 296, 28));
    infolabel = label(left, "infolabel", QString(), QRect(7, 444, width, 18));
    infolabel3 = label(left, "infolabel3", QString(), QRect(7, 464, width, 18));
    infolabel2 = label(left, "infolabel2", QString(), QRect(7, 464, width, 18));
    infolabel2->hide();

    QFrame* topRight = whitePanel(this, kTopRightPanel);
    const int rightWidth = kTopRightPanel.width() - 2 * kInset;
    label(topRight, "Label7",
          QStringLiteral("To proceed to the game without the ability to play against others "
                         "click the button below."),
          QRect(kInset, kInset, rightWidth, 52));
    Button1 = button(topRight, "Button1", QStringLiteral("Play Solo Game"),
                     QRect(kInset, 66, rightWidth, 30));
    Button1->setDefault(true);
    QLabel* Label3 = label(topRight, "Label3",
                           QStringLiteral("Note: Even if you are playing offline, you will need "
                                          "to configure your FIREWALL to allow the game to "
                                          "access the internet components."),
                           QRect(kInset, 108, rightWidth, 110));
    mb::setTextColour(Label3, Qt::red);

    QFrame* bottomRight = whitePanel(this, kBottomRightPanel);
    label(bottomRight, "Label5",
          QStringLiteral("If you already have The Kestro Lobby and you wish to play with others "
                         "then click the button below to close this game and open The Kestro "
                         "Lobby."),
          QRect(kInset, kInset, rightWidth, 88));
    Button2 = button(bottomRight, "Button2", QStringLiteral("Play with Others"),
                     QRect(kInset, 102, rightWidth, 30));

    connect(getbutton, &QPushButton::clicked, this, &Tdownload::getbuttonClick);
    connect(abortbutton, &QPushButton::clicked, this, &Tdownload::abortbuttonClick);
    connect(Button1, &QPushButton::clicked, this, &Tdownload::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tdownload::Button2Click);
    connect(HttpClient1, &mb::THttpClient::HeaderData, this, &Tdownload::HttpClient1HeaderData);
    connect(HttpClient1, &mb::THttpClient::DocBegin, this, &Tdownload::HttpClient1DocBegin);
    connect(HttpClient1, &mb::THttpClient::DocData, this, &Tdownload::HttpClient1DocData);
    setPlaces(defaultPlaces());
}

Tdownload::~Tdownload() = default;

void Tdownload::setPlaces(const Places& places) {
    places_ = places;
    HttpClient1->setURL(places_.url);
}

void Tdownload::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void Tdownload::getbuttonClick() {
    abortmark_ = 1;
    const QString url = HttpClient1->URL();
    const QString fileName = url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
    infolabel2->setText(fileName);
    const QString path =
        fileName.isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String("..")
            ? QString()
            : mb::appFilePath(places_.programDir, fileName, mb::AppFileKind::Data);
    // Saved as every file of the program is: over a regular file or at a new path only, the
    // older file replaced when the transfer ends.
    mb::SaveTarget file;
    if (path.isEmpty() || !file.open(path, mb::SpecialFiles::Refuse)) {
        mb::showErrorNotice(QStringLiteral("Cannot create file \"%1\". %2")
                                .arg(path.isEmpty() ? fileName : path, file.errorString()));
        return;
    }
    downloadPath_ = path;
    HttpClient1->setRcvdStream(&file.device());
    getbutton->setEnabled(false);
    abortbutton->setEnabled(true);
    infolabel->setText(QStringLiteral("Loading"));

    QString otherError;
    try {
        HttpClient1->Get();
        infolabel->setText(QStringLiteral("Received %1 bytes").arg(file.device().size()));
    } catch (const mb::HttpError&) {
        infolabel->setText(QStringLiteral("Download Aborted"));
        abortmark_ = 2;
    } catch (const mb::HttpStreamError& e) {
        // Part of an installer is no installer: never start it.
        abortmark_ = 2;
        otherError = QString::fromStdString(e.what());
    }

    getbutton->setEnabled(true);
    abortbutton->setEnabled(false);
    HttpClient1->setRcvdStream(nullptr);
    // What arrived is kept, a failed transfer's too; an installer that did not reach the disk
    // whole is never run.
    if (!file.commit() && abortmark_ != 2) {
        abortmark_ = 2;
        otherError = QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString());
    }
    if (!otherError.isEmpty()) mb::showErrorNotice(otherError);
    if (abortmark_ == 2) return;

    infolabel3->setText(QStringLiteral("Installing"));
    QFile::setPermissions(path,
                          QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    if (!QProcess::startDetached(
            path, QProcess::splitCommand(QString::fromLatin1(kInstallerParameters)))) {
        showMessage(this, QStringLiteral("An Error has Occurred."));
        return;
    }
    emit exitRequested();
}

void Tdownload::abortbuttonClick() {
    HttpClient1->Abort();
    infolabel->setText(QStringLiteral("Download has been aborted."));
    abortmark_ = 2;
    infolabel3->setText(QStringLiteral("Download Aborted"));
}

void Tdownload::HttpClient1HeaderData() {
    infolabel->setText(infolabel->text() + QLatin1Char('.'));
}

void Tdownload::HttpClient1DocBegin() {
    infolabel3->setText(QStringLiteral("Downloading: ") + infolabel2->text());
}

void Tdownload::HttpClient1DocData() {
    infolabel->setText(QStringLiteral("%1 bytes").arg(HttpClient1->RcvdCount()));
}

void Tdownload::Button1Click() {
    hide();
}

void Tdownload::Button2Click() {
    for (const QString& lobby : {places_.besideLobby, places_.lobbyProgram}) {
        if (lobby.isEmpty() || !QFileInfo::exists(lobby)) continue;
        QProcess::startDetached(lobby, {});
        emit exitRequested();
        return;
    }
    showMessage(this, QStringLiteral("Please close the game and open the Kestro Lobby using the "
                                     "icon on your desktop or using the your Window's start-up "
                                     "menu."));
}
