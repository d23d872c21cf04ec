#include "generation/PhotoFile.h"

#include "platform/Failure.h"
#include "platform/Files.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::photo {

namespace {

const QString kWhatToDo = QStringLiteral("Save it as JPEG or PNG first, for example with an "
                                         "image program, and choose that copy.");

// Why the path is not a regular file this user may read; empty when it is.
// Checked on the name first so that a pipe or a device is never opened.
QString refusalOfKind(const QByteArray& name, const QString& shown)
{
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0)
        return QStringLiteral("\"%1\" cannot be read: %2. Choose another picture.")
            .arg(shown, systemError());
    struct stat target {};
    if (::stat(name.constData(), &target) != 0)
        return QStringLiteral("\"%1\" is a link to a file that is not there. Choose the picture "
                              "itself.")
            .arg(shown);
    if (S_ISDIR(target.st_mode))
        return QStringLiteral("\"%1\" is a folder, not a picture. Choose a picture inside it.")
            .arg(shown);
    if (S_ISFIFO(target.st_mode))
        return QStringLiteral("\"%1\" is a pipe, not a picture. Choose a picture file.").arg(shown);
    if (S_ISCHR(target.st_mode) || S_ISBLK(target.st_mode))
        return QStringLiteral("\"%1\" is a device, not a picture. Choose a picture file.")
            .arg(shown);
    if (!S_ISREG(target.st_mode))
        return QStringLiteral("\"%1\" is not a regular file. Choose a picture file.").arg(shown);
    return {};
}

QString refusalOfSize(qint64 size, const QString& shown)
{
    if (size == 0)
        return QStringLiteral("\"%1\" is empty. Choose another picture.").arg(shown);
    if (size > kLargestFile)
        return QStringLiteral("\"%1\" is larger than %2 MB: too large for an invitation photo. "
                              "Save a smaller copy as JPEG and choose that.")
            .arg(shown)
            .arg(kLargestFile / (1024 * 1024));
    return {};
}

// The whole file, or why it cannot be had. The size is bounded before
// reading and again while reading, in case the file grows meanwhile.
QString readBounded(const QString& path, QByteArray& bytes)
{
    const QByteArray name = QFile::encodeName(path);
    const QString shown = QFileInfo(path).fileName();
    if (QString refusal = refusalOfKind(name, shown); !refusal.isEmpty())
        return refusal;
    // Opened without waiting, in case it was swapped for a pipe meanwhile.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return QStringLiteral("\"%1\" cannot be read: %2. Choose another picture.")
            .arg(shown, systemError());
    QFile file;
    struct stat opened {};
    if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)
        || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return QStringLiteral("\"%1\" is not a regular file. Choose a picture file.").arg(shown);
    }
    if (QString refusal = refusalOfSize(opened.st_size, shown); !refusal.isEmpty())
        return refusal;
    bytes = file.read(std::min<qint64>(opened.st_size, kLargestFile) + 1);
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("\"%1\" cannot be read: %2. Choose another picture.")
            .arg(shown, file.errorString());
    return refusalOfSize(bytes.size(), shown);
}

// The name of a picture kind phones save and Qt does not read (HEIF, AVIF),
// from the brand of its ISO media "ftyp" box; empty for anything else.
QString unreadableKind(const QByteArray& bytes)
{
    if (bytes.mid(4, 4) != "ftyp")
        return {};
    const QByteArray brand = bytes.mid(8, 4);
    if (brand == "avif" || brand == "avis")
        return QStringLiteral("AVIF");
    static const QByteArrayList heif = {"heic", "heix", "heim", "heis",
                                        "hevc", "hevx", "mif1", "msf1"};
    return heif.contains(brand) ? QStringLiteral("HEIC") : QString();
}

quint32 little(const QByteArray& bytes, qsizetype at, int count)
{
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | (at + i < bytes.size() ? uchar(bytes[at + i]) : 0);
    return value;
}

// The markers walked to the end-of-image marker. Segments are skipped by their
// length (an embedded thumbnail has an end marker of its own); in compressed
// data only a marker other than a stuffed byte or a restart counts.
bool jpegComplete(const QByteArray& bytes)
{
    const auto at = [&](qsizetype i) { return uchar(bytes[i]); };
    if (bytes.size() < 4 || at(0) != 0xFF || at(1) != 0xD8)
        return false;
    qsizetype i = 2;
    while (i + 1 < bytes.size()) {
        const uchar marker = at(i + 1);
        if (at(i) != 0xFF || marker == 0xFF) {
            ++i;
        } else if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
        } else if (marker == 0xD9) {
            return true;
        } else {
            if (i + 3 >= bytes.size())
                return false;
            const int length = at(i + 2) << 8 | at(i + 3);
            if (length < 2)
                return false;
            i += 2 + length;
        }
    }
    return false;
}

// The blocks walked to the end of the first picture, the one that is read.
bool gifComplete(const QByteArray& bytes)
{
    const auto colourTable = [](quint32 flags) {
        return flags & 0x80 ? 3 << ((flags & 7) + 1) : 0;
    };
    // Past a run of sub-blocks and its empty terminator; -1 when cut short.
    const auto pastBlocks = [&](qsizetype i) -> qsizetype {
        while (i < bytes.size()) {
            const int size = uchar(bytes[i++]);
            if (size == 0)
                return i;
            i += size;
        }
        return -1;
    };
    qsizetype i = 13 + colourTable(little(bytes, 10, 1));
    while (i >= 0 && i < bytes.size()) {
        const quint32 block = little(bytes, i, 1);
        if (block == 0x21)
            i = pastBlocks(i + 2);
        else if (block == 0x2C)
            return pastBlocks(i + 11 + colourTable(little(bytes, i + 9, 1))) >= 0;
        else
            return false;
    }
    return false;
}

// The file as long as its headers say its pixels need.
bool bmpComplete(const QByteArray& bytes)
{
    if (bytes.size() < 30 || little(bytes, 2, 4) > quint64(bytes.size()))
        return false;
    const quint32 header = little(bytes, 14, 4);
    if (header < 40 && header != 12)
        return true;
    const bool core = header == 12;
    // In floating point: a hostile header's product does not fit an integer.
    const double width = core ? little(bytes, 18, 2) : std::abs(qint32(little(bytes, 18, 4)));
    const double height = core ? little(bytes, 20, 2) : std::abs(qint32(little(bytes, 22, 4)));
    const double depth = little(bytes, core ? 24 : 28, 2);
    const quint32 compression = core ? 0 : little(bytes, 30, 4);
    // Run-length coded pixels are as long as the header's image size says.
    const double pixels = compression == 1 || compression == 2
                              ? little(bytes, 34, 4)
                              : std::ceil(width * depth / 32) * 4 * height;
    return little(bytes, 10, 4) + pixels <= double(bytes.size());
}

// Qt decodes a JPEG, GIF or BMP that was cut short without an error, filling
// what is missing, so their structure is checked to its end first; the other
// decoders fail on a cut file.
bool complete(const QByteArray& format, const QByteArray& bytes)
{
    if (format == "jpeg" || format == "jpg")
        return jpegComplete(bytes);
    if (format == "gif")
        return gifComplete(bytes);
    if (format == "bmp")
        return bmpComplete(bytes);
    return true;
}

// Kinds that can refer to other files (SVG) are refused by the list: only
// plain raster kinds are read.
bool allowed(const QByteArray& format)
{
    static const QByteArrayList kinds = {"jpeg", "jpg", "png", "webp", "bmp", "gif", "tiff", "tif"};
    return kinds.contains(format);
}

QString refusalOfFormat(const QByteArray& format, const QString& shown)
{
    if (format.isEmpty())
        return QStringLiteral("\"%1\" is not a picture Velmora can read. Choose a JPEG, PNG, "
                              "WebP, BMP, GIF or TIFF file.")
            .arg(shown);
    if (format == "svg" || format == "svgz")
        return QStringLiteral("\"%1\" is a drawing (SVG), which can refer to other files, so "
                              "Velmora does not read it. %2")
            .arg(shown, kWhatToDo);
    if (!allowed(format))
        return QStringLiteral("\"%1\" is a %2 picture, a kind Velmora does not read. %3")
            .arg(shown, QString::fromLatin1(format.toUpper()), kWhatToDo);
    return {};
}

QString refusalOfPixels(QSize size, const QString& shown)
{
    if (qint64(size.width()) * size.height() <= kMostPixels)
        return {};
    return QStringLiteral("\"%1\" is %2 × %3 pixels, more than %4 million: too large to read. "
                          "Save a smaller copy as JPEG and choose that.")
        .arg(shown)
        .arg(size.width())
        .arg(size.height())
        .arg(kMostPixels / 1'000'000);
}

// The one format and colour space the rest of the program handles.
void normalise(QImage& image)
{
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace::SRgb);
}

} // namespace

Reading read(const QString& path)
{
    const QString shown = QFileInfo(path).fileName();
    QByteArray bytes;
    if (QString refusal = readBounded(path, bytes); !refusal.isEmpty())
        return {{}, refusal};
    if (const QString kind = unreadableKind(bytes); !kind.isEmpty())
        return {{},
                QStringLiteral("\"%1\" is a %2 picture, the kind phones take, which Velmora cannot "
                               "read. Save it as JPEG or PNG first, on the phone (its camera can "
                               "also be set to take JPEG) or with an image program.")
                    .arg(shown, kind)};

    // Process-wide and rarely changed, so it is set once rather than raced on.
    static const bool limited = [] {
        QImageReader::setAllocationLimit(kLargestDecodedMB);
        return true;
    }();
    Q_UNUSED(limited);

    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The name may lie; what the bytes are decides which decoder reads them.
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format().toLower();
    if (QString refusal = refusalOfFormat(format, shown); !refusal.isEmpty())
        return {{}, refusal};
    if (QString refusal = refusalOfPixels(reader.size(), shown); !refusal.isEmpty())
        return {{}, refusal};

    const QString damaged = QStringLiteral("\"%1\" cannot be read: it is damaged, incomplete or "
                                           "too large to open. %2")
                                .arg(shown, kWhatToDo);
    if (!complete(format, bytes))
        return {{}, damaged};
    QImage image = reader.read();
    if (image.isNull())
        return {{}, damaged};
    // A header that understated the size is caught here, bounded by the
    // allocation limit meanwhile.
    if (QString refusal = refusalOfPixels(image.size(), shown); !refusal.isEmpty())
        return {{}, refusal};
    normalise(image);
    return {image, {}};
}

double ppiAt(const QImage& photo, QSizeF spotInches)
{
    if (photo.isNull() || spotInches.width() <= 0 || spotInches.height() <= 0)
        return 0;
    // Covering the spot, the photo's tighter direction fits it exactly.
    return std::min(photo.width() / spotInches.width(), photo.height() / spotInches.height());
}

QImage fitForPrint(const QImage& photo, QSizeF spotInches)
{
    const double ppi = ppiAt(photo, spotInches);
    if (ppi <= kPrintPpi)
        return photo;
    const double scale = kPrintPpi / ppi;
    // Rounded up, so that the smaller side still covers the spot at kPrintPpi.
    const auto side = [&](int pixels, double inches) {
        return std::max(int(std::ceil(inches * kPrintPpi - 1e-6)),
                        int(std::ceil(pixels * scale - 1e-6)));
    };
    return photo.scaled(side(photo.width(), spotInches.width()),
                        side(photo.height(), spotInches.height()), Qt::IgnoreAspectRatio,
                        Qt::SmoothTransformation);
}

QString folder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        throw Failure(QStringLiteral("There is no folder for the program's data."));
    const QString photos = data + QStringLiteral("/velmora/photos");
    makePrivateFolder(photos);
    return photos;
}

QString keep(const QImage& photo)
{
    const bool alpha = photo.hasAlphaChannel();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, alpha ? "png" : "jpeg");
    if (!alpha)
        writer.setQuality(92);
    if (photo.isNull() || !writer.write(photo))
        throw Failure(
            QStringLiteral("The photo could not be encoded: %1").arg(writer.errorString()));

    const QString photos = folder();
    const QStringList before = QDir(photos).entryList(
        {QStringLiteral("photo-*.jpg"), QStringLiteral("photo-*.png")}, QDir::Files | QDir::Hidden);
    // The fresh name is taken first, then filled whole, so that a full disk
    // leaves no cut-short photo behind and the earlier copy still there.
    const QString kept = createPrivateFileBeside(
        photos + (alpha ? QStringLiteral("/photo.png") : QStringLiteral("/photo.jpg")), {});
    try {
        replaceFileWhole(kept, bytes);
    } catch (const Failure&) {
        quietDelete(kept);
        throw;
    }
    for (const QString& name : before)
        quietDelete(photos + QLatin1Char('/') + name);
    return kept;
}

} // namespace velmora::photo
