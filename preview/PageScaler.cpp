#include "preview/PageScaler.h"

#include <algorithm>

namespace velmora {

namespace {

// The rounded mean of four pixels, each channel on its own: two channels are
// summed at once in the 16-bit lanes of a word, which four bytes cannot overflow.
inline quint32 mean(quint32 a, quint32 b, quint32 c, quint32 d)
{
    constexpr quint32 lanes = 0x00FF00FF;
    const quint32 even = (((a & lanes) + (b & lanes) + (c & lanes) + (d & lanes) + 0x00020002) >> 2)
                         & lanes;
    const quint32 odd = ((((a >> 8) & lanes) + ((b >> 8) & lanes) + ((c >> 8) & lanes)
                          + ((d >> 8) & lanes) + 0x00020002)
                         >> 2)
                        & lanes;
    return even | (odd << 8);
}

// Half the size of part (rounded up): each pixel the mean of a 2 x 2 block;
// an odd last column or row is taken twice. Premultiplied (or opaque) pixels
// average correctly channel by channel.
QImage halved(const QImage& image, const QRect& part)
{
    const int width = (part.width() + 1) / 2;
    const int height = (part.height() + 1) / 2;
    const int pairs = part.width() / 2;
    QImage result(width, height, image.format());
    for (int y = 0; y < height; ++y) {
        const int top = part.top() + 2 * y;
        const int bottom = std::min(top + 1, part.bottom());
        const auto* upper = reinterpret_cast<const quint32*>(image.constScanLine(top)) + part.left();
        const auto* lower =
            reinterpret_cast<const quint32*>(image.constScanLine(bottom)) + part.left();
        auto* out = reinterpret_cast<quint32*>(result.scanLine(y));
        for (int x = 0; x < pairs; ++x)
            out[x] = mean(upper[2 * x], upper[2 * x + 1], lower[2 * x], lower[2 * x + 1]);
        if (pairs < width) {
            const int last = part.width() - 1;
            out[pairs] = mean(upper[last], upper[last], lower[last], lower[last]);
        }
    }
    return result;
}

} // namespace

QImage PageScaler::scaled(const QImage& picture, const QRect& source, const QSize& target)
{
    if (picture.cacheKey() != mKey || source != mSource) {
        mKey = picture.cacheKey();
        mSource = source;
        mLevels.clear();
        const QImage::Format format = picture.hasAlphaChannel()
                                          ? QImage::Format_ARGB32_Premultiplied
                                          : QImage::Format_RGB32;
        mBase = picture.format() == format ? picture : picture.convertToFormat(format);
    }
    // Down to the smallest halving that still covers the target in both directions.
    QSize size = source.size();
    std::size_t level = 0;
    for (;;) {
        const QSize next((size.width() + 1) / 2, (size.height() + 1) / 2);
        if (next.width() < target.width() || next.height() < target.height())
            break;
        if (level == mLevels.size())
            mLevels.push_back(level == 0 ? halved(mBase, source)
                                         : halved(mLevels.back(), mLevels.back().rect()));
        size = next;
        ++level;
    }
    if (level == 0)
        return picture.copy(source).scaled(target, Qt::IgnoreAspectRatio,
                                           Qt::SmoothTransformation);
    return mLevels[level - 1].scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace velmora
