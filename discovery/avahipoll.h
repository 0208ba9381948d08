#pragma once
// Avahi's main-loop interface served by the Qt event loop: file descriptors are watched with
// QSocketNotifier and timeouts run on QTimer, so every Avahi callback runs on the thread of
// this object, between other events, like any socket event of the program.
#include <QObject>
#include <memory>
#include <vector>

struct AvahiPoll;

namespace mb {

class QtAvahiPoll : public QObject {
    Q_OBJECT
public:
    explicit QtAvahiPoll(QObject* parent = nullptr);
    // Every Avahi object made with poll() must be freed first: they free their watches here.
    ~QtAvahiPoll() override;

    const AvahiPoll* poll() const { return api_.get(); }

    struct Watch;
    struct Timeout;

private:
    std::unique_ptr<AvahiPoll> api_;
};

}  // namespace mb
