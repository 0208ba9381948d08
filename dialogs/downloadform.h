#pragma once
// The offer of the separate lobby program, shown beside the table at a solo start: download
// and install it, go on with the solo game, or close the game and open an installed lobby.
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace mb {
class THttpClient;
}

class Tdownload : public QDialog {
    Q_OBJECT
public:
    // Where the installer is fetched from, where it is saved and where an installed lobby
    // program lives. Tests point them all at a loopback server and a temporary directory.
    struct Places {
        QString url;           // the installer's address; its last path segment names the file
        QString programDir;    // downloads are saved where this program keeps its data files
        QString lobbyProgram;  // the installed lobby program
        QString besideLobby;   // our own lobby beside this program, tried first; may be empty
    };
    // The installer's address: the project's site unless MARROWBY_LOBBY_URL names another.
    static QString installerUrl();
    static QString installedLobbyPath();
    static Places defaultPlaces();
    // Starts drawing the window's picture for the primary screen on another thread, so that
    // it is ready when the window first paints; a solo start calls it before building the
    // table.
    static void drawPictureAhead();

    explicit Tdownload(QWidget* parent = nullptr);
    ~Tdownload() override;
    void setPlaces(const Places& places);
    const Places& places() const { return places_; }

    // 0 before the first download, 1 while one runs or after it ended well, 2 after an abort
    // or a failure. Only 2 matters: it keeps the installer from being started.
    int abortMark() const { return abortmark_; }
    mb::THttpClient& httpClient() const { return *HttpClient1; }
    // Where the last download was saved.
    QString downloadPath() const { return downloadPath_; }

signals:
    // The main window's Exit command: the game ends while the lobby or its installer runs.
    void exitRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void getbuttonClick();
    void abortbuttonClick();
    void HttpClient1HeaderData();
    void HttpClient1DocBegin();
    void HttpClient1DocData();
    void Button1Click();
    void Button2Click();

    Places places_;
    int abortmark_ = 0;
    QString downloadPath_;
    mb::THttpClient* HttpClient1 = nullptr;
    QLabel* infolabel = nullptr;
    QLabel* infolabel2 = nullptr;
    QLabel* infolabel3 = nullptr;
    QPushButton* getbutton = nullptr;
    QPushButton* abortbutton = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};
