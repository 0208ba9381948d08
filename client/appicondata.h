#pragma once
// The window icon, drawn by the game's art when the program is built and compiled in (see
// client/CMakeLists.txt). Drawn at each start instead, its six sizes took about 6 ms and
// 0.7 MiB before the table could show, for pictures that never change.
#include <cstdint>
#include <span>

namespace mb {

struct AppIconData {
    int pixels;                 // the icon is this many pixels square
    const std::uint32_t* argb;  // premultiplied 0xAARRGGBB, row by row, pixels * pixels of them
};

// Smallest first.
std::span<const AppIconData> appIconData();

}  // namespace mb
