#pragma once

#include <QImage>
#include <cstdlib>

namespace velmora::testing {

// Mean absolute difference of two pictures of one size over their red, green
// and blue, in % of full scale.
inline double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column)
            sum += std::abs(qRed(p[column]) - qRed(q[column]))
                   + std::abs(qGreen(p[column]) - qGreen(q[column]))
                   + std::abs(qBlue(p[column]) - qBlue(q[column]));
    }
    return 100.0 * sum / (3.0 * 255.0 * double(x.width()) * double(x.height()));
}

} // namespace velmora::testing
