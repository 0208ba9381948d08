#pragma once
// The programs' window icons, the game's and the lobby's, drawn by the art code when the
// programs are built and compiled in (see widgets/CMakeLists.txt). Drawn at each start instead,
// the game's six sizes took about 6 ms and 0.7 MiB before its table could show, for pictures
// that never change.
#include <QIcon>
#include <cstdint>
#include <span>

namespace mb {

struct IconData {
    int pixels;                 // the icon is this many pixels square
    const std::uint32_t* argb;  // premultiplied 0xAARRGGBB, row by row, pixels * pixels of them
};

// Each at 16, 32, 48, 64, 128 and 256 pixels, smallest first.
std::span<const IconData> appIconData();
std::span<const IconData> lobbyIconData();

// An icon of those sizes over the compiled-in pixels. Needs the application object.
QIcon compiledIcon(std::span<const IconData> sizes);

}  // namespace mb
