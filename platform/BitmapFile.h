#pragma once

#include <QByteArray>
#include <QImage>
#include <QtEndian>
#include <future>

// Uncompressed 24-bit Windows bitmaps: the page picture's format from the
// office to the program and on to the preview. Read and written row by row,
// which takes half the time of Qt's general reader and writer. Header only:
// the office module, which links none of the program, reads them too.
namespace velmora::bitmap {

inline constexpr int kFileHeaderBytes = 14;
inline constexpr int kInfoHeaderBytes = 40;

// Whether the bytes are a bitmap file readBitmap reads itself.
inline bool isPlainBitmap(const QByteArray& bytes)
{
    if (bytes.size() < kFileHeaderBytes + kInfoHeaderBytes || !bytes.startsWith("BM"))
        return false;
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    return qFromLittleEndian<quint32>(data + 14) >= quint32(kInfoHeaderBytes)
           && qFromLittleEndian<quint16>(data + 26) == 1 // planes
           && qFromLittleEndian<quint16>(data + 28) == 24
           && qFromLittleEndian<quint32>(data + 30) == 0; // no compression
}

// The picture of a bitmap file (RGB32), its dots per metre kept. Bitmaps of
// another kind go through Qt's reader. Null when the bytes are no picture.
inline QImage readBitmap(const QByteArray& bytes)
{
    if (!isPlainBitmap(bytes))
        return QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32);
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 offset = qFromLittleEndian<quint32>(data + 10);
    const qint64 width = qFromLittleEndian<qint32>(data + 18);
    const qint64 rows = qFromLittleEndian<qint32>(data + 22);
    const qint64 height = rows < 0 ? -rows : rows;
    const qint64 stride = (width * 3 + 3) / 4 * 4;
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767
        || offset + stride * height > bytes.size())
        return {};
    QImage picture(int(width), int(height), QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    uchar* const pixels = picture.bits(); // detached here, not on two threads at once
    const qsizetype pictureStride = picture.bytesPerLine();
    const auto convertRows = [&](qint64 first, qint64 last) {
        for (qint64 y = first; y < last; ++y) {
            // Bottom-up unless the height is negative.
            const uchar* source = data + offset + stride * (rows < 0 ? y : height - 1 - y);
            QRgb* target = reinterpret_cast<QRgb*>(pixels + pictureStride * y);
            for (qint64 x = 0; x < width; ++x, source += 3)
                target[x] = qRgb(source[2], source[1], source[0]);
        }
    };
    // A page's worth of pixels is converted in two halves at once.
    if (width * height >= 1'000'000) {
        auto lowerHalf = std::async(std::launch::async, convertRows, height / 2, height);
        convertRows(0, height / 2);
        lowerHalf.get();
    } else {
        convertRows(0, height);
    }
    picture.setDotsPerMeterX(qFromLittleEndian<qint32>(data + 38));
    picture.setDotsPerMeterY(qFromLittleEndian<qint32>(data + 42));
    return picture;
}

// The picture as a bottom-up bitmap file, its dots per metre kept; its alpha
// channel, if any, is dropped.
inline QByteArray bitmapBytes(const QImage& source)
{
    const QImage picture = source.convertToFormat(QImage::Format_RGB32);
    const qint64 width = picture.width(), height = picture.height();
    const qint64 stride = (width * 3 + 3) / 4 * 4;
    const qint64 offset = kFileHeaderBytes + kInfoHeaderBytes;
    QByteArray bytes(offset + stride * height, '\0');
    uchar* data = reinterpret_cast<uchar*>(bytes.data());
    data[0] = 'B';
    data[1] = 'M';
    qToLittleEndian<quint32>(quint32(bytes.size()), data + 2);
    qToLittleEndian<quint32>(quint32(offset), data + 10);
    qToLittleEndian<quint32>(kInfoHeaderBytes, data + 14);
    qToLittleEndian<qint32>(qint32(width), data + 18);
    qToLittleEndian<qint32>(qint32(height), data + 22);
    qToLittleEndian<quint16>(1, data + 26); // planes
    qToLittleEndian<quint16>(24, data + 28); // bits per pixel, no compression
    qToLittleEndian<quint32>(quint32(stride * height), data + 34);
    qToLittleEndian<qint32>(picture.dotsPerMeterX(), data + 38);
    qToLittleEndian<qint32>(picture.dotsPerMeterY(), data + 42);
    for (qint64 y = 0; y < height; ++y) {
        const QRgb* source = reinterpret_cast<const QRgb*>(picture.constScanLine(int(y)));
        uchar* target = data + offset + stride * (height - 1 - y);
        for (qint64 x = 0; x < width; ++x) {
            *target++ = uchar(qBlue(source[x]));
            *target++ = uchar(qGreen(source[x]));
            *target++ = uchar(qRed(source[x]));
        }
    }
    return bytes;
}

} // namespace velmora::bitmap
