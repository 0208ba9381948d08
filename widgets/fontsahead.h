#pragma once
// Reads the desktop's font configuration on another thread while the application object is
// being made. The first text any window lays out waits for that configuration (some fifty
// files parsed, about 4 ms here), and making the application object (loading the platform
// plugin, connecting to the display) needs none of it, so the two can run side by side.
//
//   mb::FontsAhead fonts;            // before the QApplication
//   QApplication app(argc, argv);
//   fonts.wait();                    // before the first widget
//
// wait() matters: a first text laid out while the thread still reads would read the whole
// configuration a second time rather than wait for it. The destructor waits as well.
#include <thread>

namespace mb {

class FontsAhead {
public:
    FontsAhead();
    ~FontsAhead() = default;  // the thread joins
    FontsAhead(const FontsAhead&) = delete;
    FontsAhead& operator=(const FontsAhead&) = delete;

    void wait();

private:
    std::jthread thread_;
};

}  // namespace mb
