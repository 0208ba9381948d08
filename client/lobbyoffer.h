#pragma once
// The download window beside a solo table is offered once the table's first frame is on the
// screen and its player is logged in. Made and shown with the table, it held both up: its
// widgets, its picture and its first frame took about a fifth of the start, for a window
// nobody needs before the first move. It comes some milliseconds later, and nothing about it
// changes.
//
//   due()       the start decided to offer it (a solo game the lobby did not start)
//   loggedIn()  the host logged the player in
//   now()       there is nothing to wait for (this copy could not host)
//
// The offer is made once, from the event loop after both have happened, so that the table's
// paint and the login are not behind it.
#include <QObject>
#include <functional>

class QWidget;

class LobbyOffer : public QObject {
public:
    LobbyOffer(QWidget* table, std::function<void()> show);

    void due();
    void loggedIn();
    void now();
    // Whether the offer is waiting for the table's frame or the login.
    bool pending() const { return due_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void offerIfReady();

    QWidget* table_;
    std::function<void()> show_;
    bool due_ = false;
    bool drawn_ = false;
    bool loggedIn_ = false;
};
