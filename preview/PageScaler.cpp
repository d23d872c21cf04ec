#include "preview/PageScaler.h"

namespace velmora {

namespace {

// How much smaller than the half-size copy a target must be to be scaled from it.
constexpr double kShrinkFromHalf = 1.7;

// The part of picture, read in place: a copy would cost as much memory as
// the picture again, for a moment, and the heap keeps such moments.
QImage partOf(const QImage& picture, const QRect& source)
{
    const int depth = picture.depth() / 8;
    if (depth == 0 || !picture.rect().contains(source))
        return picture.copy(source);
    return QImage(picture.constScanLine(source.top()) + source.left() * depth, source.width(),
                  source.height(), picture.bytesPerLine(), picture.format());
}

} // namespace

QImage PageScaler::scaled(const QImage& picture, const QRect& source, const QSize& target)
{
    const bool samePicture = picture.cacheKey() == mKey && source == mSource;
    mKey = picture.cacheKey();
    mSource = source;
    if (!samePicture)
        mHalf = QImage();
    const QSize half((source.width() + 1) / 2, (source.height() + 1) / 2);
    // A picture's first drawing (the first display) is scaled directly: one
    // that is never zoomed needs no copy.
    if (!samePicture || half.width() < kShrinkFromHalf * target.width()
        || half.height() < kShrinkFromHalf * target.height())
        return partOf(picture, source)
            .scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (mHalf.isNull()) {
        // A smooth scale too, not a mean of 2 x 2 blocks: for an odd width or
        // height that would shift the page by up to a pixel.
        mHalf =
            partOf(picture, source).scaled(half, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return mHalf.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace velmora
