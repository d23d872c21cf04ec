#include "preview/PageScaler.h"

namespace velmora {

namespace {

// How much smaller than the half-size copy a target must be to be scaled from it.
constexpr double kShrinkFromHalf = 1.7;

} // namespace

QImage PageScaler::scaled(const QImage& picture, const QRect& source, const QSize& target)
{
    const QSize half((source.width() + 1) / 2, (source.height() + 1) / 2);
    if (half.width() < kShrinkFromHalf * target.width()
        || half.height() < kShrinkFromHalf * target.height())
        return picture.copy(source).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (picture.cacheKey() != mKey || source != mSource || mHalf.isNull()) {
        // A smooth scale too, not a mean of 2 x 2 blocks: for an odd width or
        // height that would shift the page by up to a pixel.
        mHalf = picture.copy(source).scaled(half, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        mKey = picture.cacheKey();
        mSource = source;
    }
    return mHalf.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace velmora
