#pragma once
// Where a window may stand on the desktop. The settings file holds any position an earlier run
// saved, on a screen that may since have gone or shrunk ("Left=1500" on a 1280-wide screen):
// a window placed there blindly opens out of sight, and without its title bar on a screen it
// cannot even be dragged back.
#include <QList>
#include <QPoint>
#include <QRect>

namespace mb {

// Below this, a title bar is taken to be this tall: before a window is first shown, the
// desktop has not told how tall its title bar is.
inline constexpr int kAssumedTitleBarHeight = 24;

// The position for a window frame so that its title bar (the top `titleBarHeight` pixels of
// the frame) lies wholly on the available screen areas. A frame whose title bar is already
// there keeps its place; otherwise it moves, as little as it must, onto the area it lies
// nearest to, wholly inside it when it fits. No areas at all: the frame keeps its place.
QPoint keepTitleBarOnScreen(const QRect& frame, int titleBarHeight, const QList<QRect>& areas);

}  // namespace mb
