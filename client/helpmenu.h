#pragma once
// The Help menu (Content, About, Quick Instructions), the View menu's Phrase List and the side
// windows they open: the help, the about box and the phrase list, each shown centred over the
// main window. The help's own "About" opens the about box the same way, and the phrases the
// player applies go to the chat's buttons. The quick instructions panel is the window's: this
// part only says when the player asks for it.
#include <QObject>
#include <QString>

class ChatPanel;
class QMenu;
class QMenuBar;
class QPixmap;
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
    // The side windows, once they exist; each may be missing. They take the window's tile.
    void attach(Tabout* about, Thelp* help, Tphrases* phrases, const QPixmap& tile);

signals:
    void quickInstructionsChosen();

private:
    void showPhrases();

    QWidget* window_;
    ChatPanel* chat_;
    const WindowSettings& settings_;
    QString section_;
    Tabout* about_ = nullptr;
    Thelp* help_ = nullptr;
    Tphrases* phrases_ = nullptr;
};
