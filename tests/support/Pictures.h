#pragma once

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QProcess>
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

// The picture as a JPEG whose Exif orientation 6 says "turn 90° clockwise to
// show", as a phone held upright stores it.
inline QByteArray sidewaysJpeg(const QImage& image)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    const QByteArray tiff("II*\0\x08\0\0\0" // little-endian, first directory at 8
                          "\x01\0" // one entry:
                          "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0" // orientation, a short, 6
                          "\0\0\0\0",
                          26);
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1");
    QDataStream(&segment, QIODevice::Append) << quint16(exif.size() + 2);
    return jpeg.insert(2, segment + exif);
}

// What a reader of files (zbarimg, pdfinfo) writes to standard output, trimmed.
inline QString toolOutput(const QString& program, const QStringList& arguments)
{
    QProcess reader;
    reader.start(program, arguments);
    reader.waitForFinished(60000);
    return QString::fromUtf8(reader.readAllStandardOutput()).trimmed();
}

// What zbarimg reads in a picture file: every code's text, one a line.
inline QString codesIn(const QString& pictureFile)
{
    return toolOutput(QStringLiteral("zbarimg"),
                      {QStringLiteral("--raw"), QStringLiteral("-q"), pictureFile});
}

// The same for a picture, written first as code.png in the folder.
inline QString codesIn(const QImage& picture, const QString& folder)
{
    const QString file = folder + QStringLiteral("/code.png");
    return picture.save(file) ? codesIn(file) : QStringLiteral("(not saved)");
}

} // namespace velmora::testing
