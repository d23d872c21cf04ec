#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <vector>

namespace velmora {

// Smooth scaling of one picture to many sizes. Each size is scaled from a copy
// of the picture already halved down close to it (never below it), so a zoom
// step costs about the pixels it draws instead of the whole picture; the
// halvings are made once per picture, as the zoom first needs them.
class PageScaler {
public:
    // The part source of picture, scaled to target: area-averaged when
    // shrinking, as a direct smooth scale of that part would be.
    QImage scaled(const QImage& picture, const QRect& source, const QSize& target);

private:
    qint64 mKey = 0;
    QRect mSource;
    // The picture in a 32-bit format, and its halvings (from the source part on).
    QImage mBase;
    std::vector<QImage> mLevels;
};

} // namespace velmora
