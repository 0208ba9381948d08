#pragma once
// The chat of the main window: the log, the entry box, the phrase and chatter sound buttons,
// the smiley menu, the log's and the entry box's menus, the web addresses of the log and the
// phrase gate. It sends nothing itself: every message it makes leaves through lineToSend(),
// and it learns the seat it speaks for from the client's record. The rules themselves (what a
// line becomes, what is sent) live in chatline.cpp, which needs no window.
#include <QStringList>
#include <QWidget>
#include <array>

#include "chatview/chatlogview.h"
#include "client/chatline.h"
#include "client/clientstate.h"
#include "client/sendrate.h"

class QAction;
class QLineEdit;
class QMenu;
class QTimer;
class QToolButton;

namespace mb {

// The colour a colour value stands for on this desktop (system colours by its palette).
QColor toQColor(WinColor colour);

}  // namespace mb

class ChatPanel : public QWidget {
    Q_OBJECT
public:
    ChatPanel(const mb::ClientState& state, QWidget* parent);
    // Places the panel; the log takes its room above the entry row and the phrase row.
    void setArea(const QRect& area);

    // Phrase n (1 to 9) as its button sends it.
    QString phrase(int n) const;
    const QStringList& urlList() const { return urllist; }
    mb::WinColor chatColour() const { return chatColour_; }
    // Enter in the entry box: the typed line goes to the host unless nothing is connected.
    void sendit();
    // A click on web address `number` of the log (numbered from the last clear).
    void mainchatJump(int number);
    // A chat or action line relayed by the host: "style+text|colour".
    void chatrecieved(const QByteArray& body);
    // Pictures are drawn for the screen's pixel density; called when it changes.
    void applyPictures();

public slots:
    // Adds one log line, "style+text", the style's name part shown in `colour`.
    void addlinetochat(const QString& line, mb::WinColor colour);
    // Every style of the log in `points`; the log is laid out again at once only when asked
    // (a menu change shows from the next line on).
    void setTextSize(int points, bool relayoutNow);
    // The colour of the player's own lines, also the entry box's font colour.
    void setChatColour(mb::WinColor colour);
    void setPhrase(int n, const QString& text);
    void setPhrases(const QStringList& texts);  // phrases 1 to 9, in order
    void ClearMainChat1Click();
    void ScrollChatOff1Click(bool checked);

signals:
    // A message for the host, unframed.
    void lineToSend(const QByteArray& message);
    void lineAdded(const QString& line);
    // The oldest `count` lines left the log (all of them when `count` is negative).
    void linesDropped(int count);
    void scrollOffChanged(bool off);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    // Puts the keyboard focus in the entry box, so the player can type straight away.
    void focusEntry();

private:
    void createMenus();
    void layoutParts();
    void showPhrase(int n);  // phrase n's caption, cut to its button
    // Sends a chat line, action or chatter sound unless the host would drop it for coming too
    // fast; then the log says so once per burst. Whether it was sent.
    bool sendRelay(const QByteArray& message);
    void b_phrase1Click(int n);
    void b_phrase10MouseUp();
    void wave4Click(int tag);
    void button_smiliesClick();
    void N271Click(int tag);
    void Paste1Click();

    const mb::ClientState& st_;
    mb::chat::SendRate sendRate_;
    mb::TChatLogView* mainchat = nullptr;
    QLineEdit* mychat = nullptr;
    std::array<QToolButton*, mb::chat::kPhraseCount + 2> b_phrase{};  // 1 to 9, 10 the sounds
    std::array<QString, mb::chat::kPhraseCount + 1> phrases_;
    QToolButton* button_smilies = nullptr;
    QMenu* popup_sounds = nullptr;
    QMenu* popup_smilies = nullptr;
    QMenu* popup_mainchat = nullptr;
    QMenu* popup_mychat = nullptr;
    QAction* ScrollChatOff1 = nullptr;
    QStringList urllist;  // web addresses by jump number
    mb::TChatImageList smileys_;
    mb::WinColor chatColour_ = 0;
    // The phrase gate: a phrase button sends again only once it has opened.
    QTimer* phraseGate_ = nullptr;
    bool phraseready = true;
    int phrasecooldown = 0;
};
