#pragma once
// What the game program says about itself: `--help` and `--version` on the command line, and
// the icon and desktop entry name a desktop shows it with.

namespace mb {

// Answers exactly `--help`, `-h` or `--version` as the only argument on standard output and
// returns true; every other command line is the game's own and returns false. Needs no
// application object, so it works without a display.
bool answerInformationRequest(int argc, char* argv[]);

// The window icon drawn by the game's art, and the desktop entry that describes the program.
// Needs the application object.
void setApplicationIdentity();

}  // namespace mb
