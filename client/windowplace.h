#pragma once
// Where a window may stand on the desktop. The settings file holds any position an earlier run
// saved, on a screen that may since have gone or shrunk ("Left=1500" on a 1280-wide screen):
// a window placed there blindly opens out of sight, and without its title bar on a screen it
// cannot even be dragged back.
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace mb {

// Below this, a title bar is taken to be this tall: before a window is first shown, the
// desktop has not told how tall its title bar is.
inline constexpr int kAssumedTitleBarHeight = 24;

// The position for a window frame so that its title bar (the top `titleBarHeight` pixels of
// the frame) lies wholly on the available screen areas. A frame whose title bar is already
// there keeps its place; otherwise it moves, as little as it must, onto the area it lies
// nearest to, wholly inside it when it fits. No areas at all: the frame keeps its place.
QPoint keepTitleBarOnScreen(const QRect& frame, int titleBarHeight, const QList<QRect>& areas);

// How much a side longer than the screen's work area is cut when the window's size is kept.
inline constexpr int kOversizeShrink = 15;

// The size to keep for a window of `size` on a screen whose work area is `available`: a side
// longer than the area is kept kOversizeShrink pixels shorter, so that a window the desktop
// let grow past the screen opens a little smaller next time, as the classic game's did.
QSize sizeToKeep(QSize size, QSize available);

}  // namespace mb
