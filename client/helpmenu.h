#pragma once
// The Help menu (Content, About, Quick Instructions), the View menu's Phrase List and the side
// windows they open: the help, the about box and the phrase list, each shown centred over the
// main window. The help's own "About" opens the about box the same way, and the phrases the
// player applies go to the chat's buttons. The quick instructions panel is the window's: this
// part only says when the player asks for it.
#include <QObject>
#include <QString>
#include <functional>

#include "client/firstuse.h"

class ChatPanel;
class QMenu;
class QMenuBar;
class QWidget;
class Tabout;
class Thelp;
class Tphrases;
class WindowSettings;

class HelpMenu : public QObject {
    Q_OBJECT
public:
    // The phrase list reads and writes `section` of the settings' file.
    HelpMenu(QWidget* window, ChatPanel* chat, const WindowSettings& settings, QString section);

    // Adds "Phrase List" at the end of the View menu.
    void addPhraseList(QMenu* view);
    // Adds the Help menu at the end of the menu bar.
    void addHelp(QMenuBar* bar);
    // The side windows; each may be missing. The help and the phrase list are made when first
    // asked for (see Tchat::Windows).
    void attach(Tabout* about, std::function<Thelp*()> help, std::function<Tphrases*()> phrases);

    // The help window and the phrase list, each made now if it has not been yet; null if
    // there is none.
    Thelp* help() { return help_.get(); }
    Tphrases* phrases() { return phrases_.get(); }

signals:
    void quickInstructionsChosen();

private:
    void showPhrases();

    QWidget* window_;
    ChatPanel* chat_;
    const WindowSettings& settings_;
    QString section_;
    Tabout* about_ = nullptr;
    mb::FirstUse<Thelp> help_;
    mb::FirstUse<Tphrases> phrases_;
};
