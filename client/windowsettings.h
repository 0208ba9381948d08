#pragma once
// The main window's side of the settings: the file they live in, what the stored values do to
// the window, its chat and the start window when they are read at the first login, and the
// window's bounds kept when it closes. The Options menu and the values themselves are the
// SettingsMenu's; this part links its items to the chat and the window.
#include <QObject>
#include <QString>
#include <functional>
#include <utility>

#include "client/gamesettings.h"

class ChatPanel;
class QMenu;
class QWidget;
class SettingsMenu;
class Tgamestart;

class WindowSettings : public QObject {
    Q_OBJECT
public:
    WindowSettings(QWidget* window, SettingsMenu* menu, ChatPanel* chat);

    // "kestrolobby.ini" where appFilePath() puts it, unless a test named another file.
    QString file() const;
    void setFile(const QString& path) { path_ = path; }

    // Builds the Options menu and links its items to the chat and the window.
    void buildOptions(QMenu* options);
    // The start window holds the target score that is read and saved; asked for when the
    // settings are, and made then if need be.
    void setStartWindow(std::function<Tgamestart*()> gamestart) {
        gamestart_ = std::move(gamestart);
    }

    // Reads the file and applies it: the chat's text size, colour and phrases, the target
    // score, and the window's size and place, kept on screen. The values read are returned.
    const mb::GameSettings& load();
    // On close: keeps the window's bounds when they changed since the last read or save.
    void saveOnClose();

private:
    QWidget* window_;
    SettingsMenu* menu_;
    ChatPanel* chat_;
    std::function<Tgamestart*()> gamestart_;
    QString path_;
};
