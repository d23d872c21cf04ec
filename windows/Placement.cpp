#include "windows/Placement.h"

#include <algorithm>

namespace velmora {

namespace {

int inside(int start, int length, int areaStart, int areaLength)
{
    if (length >= areaLength)
        return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

} // namespace

QPoint placedInside(const QRect& frame, const QRect& available)
{
    return QPoint(inside(frame.left(), frame.width(), available.left(), available.width()),
                  inside(frame.top(), frame.height(), available.top(), available.height()));
}

QPoint centredOver(const QRect& ownerClient, const QSize& clientSize, const QMargins& frame,
                   const QRect& available)
{
    QRect client(QPoint(), clientSize);
    client.moveCenter(ownerClient.center());
    return placedInside(client.marginsAdded(frame), available);
}

} // namespace velmora
