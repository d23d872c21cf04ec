#include "generation/PngEncoding.h"

#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <future>
#include <vector>
#include <zlib.h>

namespace velmora {

namespace {

// Fast compression: a page is mostly flat colour, which the quickest levels
// already pack well (a few percent larger than the slowest).
constexpr int kCompressionLevel = 2;

void appendBigEndian(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

void appendChunk(QByteArray& out, const char* type, const QByteArray& data)
{
    appendBigEndian(out, quint32(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    appendBigEndian(out, quint32(crc32(0, reinterpret_cast<const Bytef*>(out.constData() + start),
                                       uInt(out.size() - start))));
}

struct Band {
    QByteArray deflated;
    uLong adler = 1;
    uLong length = 0;
    bool ok = false;
};

// Rows first..last-1, each behind filter byte 0 (none), deflated on their
// own. A band that is not the last ends on a byte boundary (a sync flush),
// so the bands joined are one deflate stream.
Band compressRows(const QImage& picture, int first, int last, bool isLast)
{
    const int width = picture.width();
    const qsizetype rowBytes = 1 + 3 * qsizetype(width);
    QByteArray raw(rowBytes * (last - first), Qt::Uninitialized);
    for (int y = first; y < last; ++y) {
        const QRgb* pixel = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        uchar* row = reinterpret_cast<uchar*>(raw.data()) + rowBytes * (y - first);
        *row++ = 0;
        for (int x = 0; x < width; ++x) {
            *row++ = uchar(qRed(pixel[x]));
            *row++ = uchar(qGreen(pixel[x]));
            *row++ = uchar(qBlue(pixel[x]));
        }
    }
    Band band;
    band.length = uLong(raw.size());
    band.adler = adler32(1, reinterpret_cast<const Bytef*>(raw.constData()), uInt(raw.size()));
    z_stream stream{};
    if (deflateInit2(&stream, kCompressionLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY)
        != Z_OK)
        return band;
    band.deflated.resize(qsizetype(deflateBound(&stream, band.length)) + 16);
    stream.next_in = reinterpret_cast<Bytef*>(raw.data());
    stream.avail_in = uInt(raw.size());
    stream.next_out = reinterpret_cast<Bytef*>(band.deflated.data());
    stream.avail_out = uInt(band.deflated.size());
    const int result = deflate(&stream, isLast ? Z_FINISH : Z_SYNC_FLUSH);
    band.ok = isLast ? result == Z_STREAM_END : result == Z_OK && stream.avail_in == 0;
    band.deflated.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return band;
}

} // namespace

QByteArray encodePng(const QImage& source)
{
    if (source.isNull())
        return {};
    const QImage picture = source.convertToFormat(QImage::Format_RGB32);
    const int height = picture.height();
    const int bands = std::clamp(QThread::idealThreadCount(), 1, std::max(1, height / 64));
    std::vector<std::future<Band>> work;
    for (int i = 1; i < bands; ++i)
        work.push_back(std::async(std::launch::async, compressRows, std::cref(picture),
                                  height * i / bands, height * (i + 1) / bands, i == bands - 1));
    std::vector<Band> done;
    done.push_back(compressRows(picture, 0, height / bands, bands == 1));
    for (auto& band : work)
        done.push_back(band.get());

    QByteArray data("\x78\x01", 2); // deflate, 32 KiB window, fast
    uLong adler = 1;
    for (const Band& band : done) {
        if (!band.ok)
            return {};
        data.append(band.deflated);
        adler = adler32_combine(adler, band.adler, z_off_t(band.length));
    }
    appendBigEndian(data, quint32(adler));

    QByteArray header;
    appendBigEndian(header, quint32(picture.width()));
    appendBigEndian(header, quint32(height));
    header.append("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no interlace
    QByteArray density;
    appendBigEndian(density, quint32(std::max(0, picture.dotsPerMeterX())));
    appendBigEndian(density, quint32(std::max(0, picture.dotsPerMeterY())));
    density.append('\x01'); // per metre

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "sRGB", QByteArray(1, '\0')); // perceptual
    appendChunk(png, "pHYs", density);
    appendChunk(png, "IDAT", data);
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace velmora
