#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace velmora {

// Where the frame of a window goes so that it lies in the available area of
// its screen: moved in from every edge it crosses. Where the area is smaller
// than the frame, the frame's left and top edges sit on the area's, so the
// title bar stays on the screen and the window can still be moved.
QPoint placedInside(const QRect& frame, const QRect& available);

// The frame's top-left corner for a window of this client size centred over
// another window's client area; both have the same frame margins (one window
// manager draws them).
QPoint centredOver(const QRect& ownerClient, const QSize& clientSize, const QMargins& frame,
                   const QRect& available);

} // namespace velmora
