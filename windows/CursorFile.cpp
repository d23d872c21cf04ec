#include "windows/CursorFile.h"

#include "platform/Failure.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace velmora {

namespace {
constexpr qsizetype kCursorHeaderSize = 6;
constexpr qsizetype kCursorEntrySize = 16;
} // namespace

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString() + QStringLiteral(": ") + path);
    QByteArray bytes = file.readAll();
    const auto word = [&bytes](qsizetype at) {
        return qFromLittleEndian<quint16>(bytes.constData() + at);
    };
    // A cursor file: reserved 0, type 2, at least one directory entry whose
    // planes and bit-count fields hold the hotspot.
    if (bytes.size() < kCursorHeaderSize + kCursorEntrySize || word(0) != 0 || word(2) != 2
        || word(4) == 0)
        throw Failure(QStringLiteral("Invalid picture: ") + path);
    const int hotX = word(kCursorHeaderSize + 4);
    const int hotY = word(kCursorHeaderSize + 6);
    // The images are laid out as in an icon file; Qt's icon reader decodes them.
    qToLittleEndian<quint16>(1, bytes.data() + 2);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    const QImage image = reader.read();
    if (image.isNull())
        throw Failure(QStringLiteral("Invalid picture: ") + path);
    return QCursor(QPixmap::fromImage(image), std::min(hotX, image.width() - 1),
                   std::min(hotY, image.height() - 1));
}

} // namespace velmora
