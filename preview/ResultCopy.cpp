#include "preview/ResultCopy.h"

#include "platform/Failure.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

constexpr qint64 kChunk = 1 << 16;

Failure copyFailure(const QString& description, const QString& path)
{
    return Failure(description + QStringLiteral(": ") + path);
}

} // namespace

bool sameFile(const QString& first, const QString& second)
{
    struct stat a {};
    struct stat b {};
    return ::stat(QFile::encodeName(first).constData(), &a) == 0
           && ::stat(QFile::encodeName(second).constData(), &b) == 0 && a.st_dev == b.st_dev
           && a.st_ino == b.st_ino;
}

void copyResult(const QString& source, const QString& destination)
{
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        throw copyFailure(input.errorString(), source);
    // The working document goes when the preview is left or closed; a copy
    // "saved" onto it would go with it.
    if (sameFile(source, destination))
        throw copyFailure(QStringLiteral("This is the preview's working document, which is "
                                         "removed when the preview is left or closed; save "
                                         "under another name"),
                          destination);
    // QSaveFile writes beside the destination (following a link to its target)
    // and renames over it on commit; a cancelled or failed copy leaves it untouched.
    QSaveFile output(destination);
    output.setDirectWriteFallback(false);
    // Unbuffered, so that every write meets the disk here: a buffered one
    // that fails only while the file is closed (a full disk) would still be
    // renamed over the destination, cut short.
    if (!output.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw copyFailure(output.errorString(), destination);
    while (!input.atEnd()) {
        const QByteArray chunk = input.read(kChunk);
        if (chunk.isEmpty() && input.error() != QFileDevice::NoError)
            throw copyFailure(input.errorString(), source);
        // A short write is followed by one that says why.
        for (qint64 written = 0; written < chunk.size();) {
            const qint64 count = output.write(chunk.constData() + written, chunk.size() - written);
            if (count <= 0)
                throw copyFailure(output.errorString(), destination);
            written += count;
        }
    }
    // Space the file system only promised fails here, before the rename.
    if (::fsync(output.handle()) != 0)
        throw copyFailure(QString::fromLocal8Bit(std::strerror(errno)), destination);
    if (!output.commit())
        throw copyFailure(output.errorString(), destination);
}

} // namespace velmora
