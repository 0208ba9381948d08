#include "discovery/avahipoll.h"

#include <avahi-common/timeval.h>
#include <avahi-common/watch.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <limits>

// Avahi's opaque handle types are ours to define; each wraps the Qt objects doing the work.
struct AvahiWatch {
    mb::QtAvahiPoll::Watch* watch;
};
struct AvahiTimeout {
    mb::QtAvahiPoll::Timeout* timeout;
};

namespace mb {

// A watch may be freed from inside its own callback; its notifiers then go on living until the
// event loop is back, and the callback is told nothing more.
struct QtAvahiPoll::Watch {
    AvahiWatch handle{this};
    int fd = -1;
    AvahiWatchCallback callback = nullptr;
    void* userdata = nullptr;
    QSocketNotifier* reader = nullptr;
    QSocketNotifier* writer = nullptr;
    AvahiWatchEvent happened = AvahiWatchEvent(0);
    bool inCallback = false;
    bool freed = false;

    void setEvents(AvahiWatchEvent events) {
        reader->setEnabled(events & (AVAHI_WATCH_IN | AVAHI_WATCH_HUP | AVAHI_WATCH_ERR));
        writer->setEnabled(events & AVAHI_WATCH_OUT);
    }
    void fire(AvahiWatchEvent event) {
        happened = event;
        inCallback = true;
        callback(&handle, fd, event, userdata);
        inCallback = false;
        happened = AvahiWatchEvent(0);
        if (freed) release();
    }
    void release() {
        reader->setEnabled(false);
        writer->setEnabled(false);
        reader->deleteLater();
        writer->deleteLater();
        delete this;
    }
};

struct QtAvahiPoll::Timeout {
    AvahiTimeout handle{this};
    AvahiTimeoutCallback callback = nullptr;
    void* userdata = nullptr;
    QTimer* timer = nullptr;
    bool inCallback = false;
    bool freed = false;

    void arm(const struct timeval* tv) {
        if (!tv) {
            timer->stop();
            return;
        }
        // avahi_age() is how long ago tv was, in microseconds; a future time is negative.
        const AvahiUsec due = -avahi_age(tv);
        const AvahiUsec ms =
            std::clamp<AvahiUsec>((due + 999) / 1000, 0, std::numeric_limits<int>::max());
        timer->start(int(ms));
    }
    void fire() {
        inCallback = true;
        callback(&handle, userdata);
        inCallback = false;
        if (freed) release();
    }
    void release() {
        timer->stop();
        timer->deleteLater();
        delete this;
    }
};

namespace {

QtAvahiPoll* owner(const AvahiPoll* api) {
    return static_cast<QtAvahiPoll*>(api->userdata);
}

AvahiWatch* watchNew(const AvahiPoll* api, int fd, AvahiWatchEvent events,
                     AvahiWatchCallback callback, void* userdata) {
    auto* w = new QtAvahiPoll::Watch;
    w->fd = fd;
    w->callback = callback;
    w->userdata = userdata;
    w->reader = new QSocketNotifier(fd, QSocketNotifier::Read, owner(api));
    w->writer = new QSocketNotifier(fd, QSocketNotifier::Write, owner(api));
    QObject::connect(w->reader, &QSocketNotifier::activated, w->reader,
                     [w] { w->fire(AVAHI_WATCH_IN); });
    QObject::connect(w->writer, &QSocketNotifier::activated, w->writer,
                     [w] { w->fire(AVAHI_WATCH_OUT); });
    w->setEvents(events);
    return &w->handle;
}

void watchUpdate(AvahiWatch* handle, AvahiWatchEvent events) {
    handle->watch->setEvents(events);
}

AvahiWatchEvent watchGetEvents(AvahiWatch* handle) {
    return handle->watch->happened;
}

void watchFree(AvahiWatch* handle) {
    QtAvahiPoll::Watch* w = handle->watch;
    if (w->inCallback) {
        w->freed = true;
        w->setEvents(AvahiWatchEvent(0));
    } else {
        w->release();
    }
}

AvahiTimeout* timeoutNew(const AvahiPoll* api, const struct timeval* tv,
                         AvahiTimeoutCallback callback, void* userdata) {
    auto* t = new QtAvahiPoll::Timeout;
    t->callback = callback;
    t->userdata = userdata;
    t->timer = new QTimer(owner(api));
    t->timer->setSingleShot(true);
    t->timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(t->timer, &QTimer::timeout, t->timer, [t] { t->fire(); });
    t->arm(tv);
    return &t->handle;
}

void timeoutUpdate(AvahiTimeout* handle, const struct timeval* tv) {
    handle->timeout->arm(tv);
}

void timeoutFree(AvahiTimeout* handle) {
    QtAvahiPoll::Timeout* t = handle->timeout;
    if (t->inCallback) {
        t->freed = true;
        t->timer->stop();
    } else {
        t->release();
    }
}

}  // namespace

QtAvahiPoll::QtAvahiPoll(QObject* parent) : QObject(parent), api_(std::make_unique<AvahiPoll>()) {
    api_->userdata = this;
    api_->watch_new = watchNew;
    api_->watch_update = watchUpdate;
    api_->watch_get_events = watchGetEvents;
    api_->watch_free = watchFree;
    api_->timeout_new = timeoutNew;
    api_->timeout_update = timeoutUpdate;
    api_->timeout_free = timeoutFree;
}

QtAvahiPoll::~QtAvahiPoll() = default;

}  // namespace mb
