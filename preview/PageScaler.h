#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

namespace velmora {

// Smooth scaling of one picture to many sizes. A size well below half the
// picture's is scaled from a half-size copy, made once per picture at its
// second drawing (the first zoom step): a zoom step then reads a quarter of
// the pixels, and a page that is never zoomed costs no memory for it. Only
// well below half: the copy's own averaging softens fine lines a little, which
// a later shrink by 1.7 or more hides (the drawn pixels of a page stay within
// 1 % of a direct smooth scale).
class PageScaler {
public:
    // The part source of picture, scaled to target: area-averaged when
    // shrinking, as a direct smooth scale of that part is.
    QImage scaled(const QImage& picture, const QRect& source, const QSize& target);

private:
    qint64 mKey = 0;
    QRect mSource;
    QImage mHalf; // of the source part
};

} // namespace velmora
