#pragma once
// Lets the text cursor stop blinking once nobody has touched the program for a while, as the
// desktop's own text fields do: the cursor stays shown, solid, and the next key, click, wheel
// turn or focus change starts the blink again.
//
// A blinking cursor wakes the whole program twice a second; an idle table left open all day
// would spend its CPU on nothing else.
#include <QObject>
#include <chrono>

class QTimer;

namespace mb {

// Ten seconds is the usual desktop default for the blink to give up.
inline constexpr std::chrono::milliseconds kBlinkRestAfter{10000};

class BlinkRest : public QObject {
    Q_OBJECT
public:
    // Watches the whole application's input from now on. The blink's rate is the one the
    // platform set when this was created; it is put back when the rest ends and when this is
    // destroyed. One at a time per application.
    explicit BlinkRest(QObject* parent = nullptr,
                       std::chrono::milliseconds restAfter = kBlinkRestAfter);
    ~BlinkRest() override;

    bool resting() const { return resting_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rest();
    void wake();

    QTimer* timer_;
    int flashTime_;
    bool resting_ = false;
};

}  // namespace mb
