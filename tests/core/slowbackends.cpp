// A services library of the right version that takes its time to open, as the real one does
// on a cold disk, and whose sound output says on standard output what it was given.
#include <chrono>
#include <cstdio>
#include <thread>

#include "assets/audioout.h"
#include "core/backends.h"

namespace {

// Runs inside the opening, so that every caller sees it still under way for this long.
const bool slowOpening = [] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    return true;
}();

class SayingOut : public mb::AudioOut {
public:
    bool available() override { return true; }
    void play(const QString& name, const mb::WavClip&) override {
        std::printf("played %s\n", qPrintable(name));
    }
    void stop() override {}
};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) int marrowby_backends_interface() {
    return mb::backends::kInterfaceVersion;
}
__attribute__((visibility("default"))) mb::AudioOut* marrowby_make_audio_out() {
    return new SayingOut;
}
}
