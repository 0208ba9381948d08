#include "widgets/blinkrest.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace mb {

namespace {

// The platform's rate, taken before any rest set it to 0: two windows of one process (as in
// tests) each have a rest, and the second must not take the first one's 0 for the platform's.
int platformFlashTime() {
    static const int time = QApplication::cursorFlashTime();
    return time;
}

}  // namespace

BlinkRest::BlinkRest(QObject* parent, std::chrono::milliseconds restAfter)
    : QObject(parent), timer_(new QTimer(this)), flashTime_(platformFlashTime()) {
    timer_->setSingleShot(true);
    timer_->setInterval(restAfter);
    connect(timer_, &QTimer::timeout, this, &BlinkRest::rest);
    qApp->installEventFilter(this);
    timer_->start();
}

BlinkRest::~BlinkRest() {
    if (resting_) QApplication::setCursorFlashTime(flashTime_);
}

bool BlinkRest::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        // What a person does to type: mouse moves alone leave the rest alone, as on the desktop.
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
        case QEvent::FocusIn:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
            wake();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void BlinkRest::rest() {
    // A flash time of 0 means a cursor that is always shown and never blinks.
    resting_ = true;
    QApplication::setCursorFlashTime(0);
}

void BlinkRest::wake() {
    if (resting_) {
        resting_ = false;
        QApplication::setCursorFlashTime(flashTime_);
    }
    // Restarting a running timer only moves its deadline: no wake-up of its own per key.
    timer_->start();
}

}  // namespace mb
