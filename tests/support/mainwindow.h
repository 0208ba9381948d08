#pragma once
// The main window's parts, found by the object names the window gives them, for tests and
// picture tools that click and type like a player.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "client/chatform.h"
#include "client/chatpanel.h"
#include "client/tablemodel.h"
#include "dialogs/downloadform.h"
#include "net/sock.h"
#include "tests/support/chatlog.h"
#include "tests/support/children.h"

namespace mbtest {

// A solo table offers its download window once its player is in; a test or picture of the
// table alone waits for that and closes it. False if the offer never came.
inline bool closeLobbyOffer(Tchat& table, int timeoutMs = 15000) {
    if (!QTest::qWaitFor([&] { return !table.lobbyOfferPending(); }, timeoutMs)) return false;
    table.downloadWindow()->hide();
    return true;
}

inline QAction* action(const QObject* window, const QString& name) {
    return child<QAction>(window, name);
}

// The chat.
inline ChatPanel* chatPanel(const QObject* window) {
    return child<ChatPanel>(window, QStringLiteral("chatpanel"));
}
inline QLineEdit* chatEntry(const QObject* window) {
    return child<QLineEdit>(window, QStringLiteral("mychat"));
}
// Phrase buttons 1 to 9; 10 opens the chatter sounds.
inline QAbstractButton* phraseButton(const QObject* window, int n) {
    return child<QAbstractButton>(window, QStringLiteral("b_phrase%1").arg(n));
}

// The board.
inline QWidget* handCard(const QObject* window, int slot) {
    return child<QWidget>(window, QStringLiteral("image_card%1").arg(slot));
}
inline QWidget* pilePicture(const QObject* window, int pile) {
    return child<QWidget>(window, pile == mb::kDrawPile ? QStringLiteral("image_drawpile")
                                                        : QStringLiteral("image_topcard"));
}
inline QLabel* nameLabel(const QObject* window, int seat) {
    return child<QLabel>(window, QStringLiteral("label_playername%1").arg(seat));
}
inline QAbstractButton* startButton(const QObject* window) {
    return child<QAbstractButton>(window, QStringLiteral("button_start"));
}
inline QLabel* statusLabel(const QObject* window) {
    return child<QLabel>(window, QStringLiteral("label_status"));
}
inline QWidget* quickInstructionsPanel(const QObject* window) {
    return child<QWidget>(window, QStringLiteral("panel_help"));
}
// A right click on seat `seat`'s name, as the player opens its menu; the menu it opened.
inline QMenu* seatMenu(const QObject* window, int seat) {
    QLabel* name = nameLabel(window, seat);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1),
                            name->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(name, &event);
    return child<QMenu>(window, QStringLiteral("popup_kick"));
}

// The connection to the game's host.
inline mb::Sock* clientSocket(const QObject* window) {
    return child<mb::Sock>(window, QStringLiteral("sock"));
}

}  // namespace mbtest
