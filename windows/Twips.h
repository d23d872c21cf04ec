#pragma once

#include <QRect>
#include <cmath>

namespace velmora {

// Layouts and the page arithmetic are in twips; widgets take pixels, 15 twips
// each at 96 dpi.
inline constexpr double kTwipsPerPixel = 15.0;

// To the nearest pixel, ties to the even neighbour (the default rounding mode).
inline int toPixels(double twips)
{
    return static_cast<int>(std::nearbyint(twips / kTwipsPerPixel));
}

inline QRect pixelRect(double left, double top, double width, double height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

inline float toTwips(double pixels)
{
    return float(pixels * kTwipsPerPixel);
}

} // namespace velmora
