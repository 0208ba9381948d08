#include "client/lobbyoffer.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <utility>

LobbyOffer::LobbyOffer(QWidget* table, std::function<void()> show)
    : QObject(table), table_(table), show_(std::move(show)) {}

void LobbyOffer::due() {
    due_ = true;
    QWindow* window = table_->windowHandle();
    drawn_ = window && window->isExposed();
    // The window is exposed just before its first frame is painted; the offer is posted
    // from there, so it runs once that frame is done.
    if (!drawn_ && window) window->installEventFilter(this);
    offerIfReady();
}

void LobbyOffer::loggedIn() {
    loggedIn_ = true;
    offerIfReady();
}

void LobbyOffer::now() {
    if (!due_) return;
    due_ = false;
    show_();
}

bool LobbyOffer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && !drawn_) {
        auto* window = qobject_cast<QWindow*>(watched);
        if (window && window->isExposed()) {
            drawn_ = true;
            window->removeEventFilter(this);
            offerIfReady();
        }
    }
    return QObject::eventFilter(watched, event);
}

void LobbyOffer::offerIfReady() {
    if (!due_ || !drawn_ || !loggedIn_) return;
    // A table closed in the meantime (its host went away at once) offers nothing.
    QTimer::singleShot(0, this, [this] {
        if (table_->isVisible()) now();
    });
}
