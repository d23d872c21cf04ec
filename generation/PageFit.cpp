#include "generation/PageFit.h"

#include "platform/ViewBox.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {
constexpr double kTwipsPerInch = 1440;
constexpr double kTwipsPerPagePixel = kTwipsPerInch / 180;
constexpr double kMetresPerInch = 0.0254;
} // namespace

QSize pagePicturePixels(const QSizeF& pageTwips)
{
    return QSize(int(std::lround(pageTwips.width() / kTwipsPerPagePixel)),
                 int(std::lround(pageTwips.height() / kTwipsPerPagePixel)));
}

int naturalDotsPerMeter(int pictureWidth, const QSizeF& pageTwips)
{
    const double scale =
        std::min(kViewBoxWidthTwips / pageTwips.width(), kViewBoxHeightTwips / pageTwips.height());
    const double naturalWidthInches = pageTwips.width() * scale / kTwipsPerInch;
    return int(std::ceil(pictureWidth / naturalWidthInches / kMetresPerInch));
}

} // namespace velmora
