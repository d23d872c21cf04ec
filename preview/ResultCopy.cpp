#include "preview/ResultCopy.h"

#include "platform/Failure.h"

#include <QFile>
#include <QSaveFile>

#include <sys/stat.h>

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
    if (sameFile(source, destination))
        return;
    // QSaveFile writes beside the destination (following a link to its target)
    // and renames over it on commit; a cancelled or failed copy leaves it untouched.
    QSaveFile output(destination);
    output.setDirectWriteFallback(false);
    // Unbuffered: QSaveFile misses a write that fails only when its buffer is
    // flushed on commit (a full disk), and renames the short file into place.
    if (!output.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw copyFailure(output.errorString(), destination);
    while (!input.atEnd()) {
        const QByteArray chunk = input.read(kChunk);
        if (chunk.isEmpty() && input.error() != QFileDevice::NoError)
            throw copyFailure(input.errorString(), source);
        if (output.write(chunk) != chunk.size())
            throw copyFailure(output.errorString(), destination);
    }
    if (!output.commit())
        throw copyFailure(output.errorString(), destination);
}

} // namespace velmora
