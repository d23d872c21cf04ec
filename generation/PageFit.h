#pragma once

#include <QSize>
#include <QSizeF>

namespace velmora {

// The pixels a page is pictured at: 180 per inch of paper, enough for the
// largest drawn size on a screen with two device pixels per pixel.
QSize pagePicturePixels(const QSizeF& pageTwips);

// The dots-per-metre that give a picture of the page, pictureWidth pixels
// wide, its natural size: the page scaled to fit the view box at zoom 1.0.
// Rounded up, so that the natural width never exceeds the fit; the height,
// whose pixels are rounded on their own, may exceed it by under a pixel.
int naturalDotsPerMeter(int pictureWidth, const QSizeF& pageTwips);

} // namespace velmora
