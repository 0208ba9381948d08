#pragma once
// What the game program says about itself: `--help` and `--version` on the command line, and
// the icon and desktop entry name a desktop shows it with.

namespace mb {

// Answers exactly `--help`, `-h` or `--version` as the only argument on standard output and
// returns true; every other command line is the game's own and returns false. Needs no
// application object, so it works without a display.
bool answerInformationRequest(int argc, char* argv[]);

// Starts drawing the window icon on another core, once the application object is made and the
// font configuration read: its six sizes take longer to draw than the whole table.
void drawApplicationIconAhead();

// The window icon drawn by the game's art (taken from drawApplicationIconAhead() when it was
// called, waiting for what it has not finished), and the desktop entry that describes the
// program. Needs the application object; called before the first window shows.
void setApplicationIdentity();

}  // namespace mb
