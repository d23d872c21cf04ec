#include "preview/ResultCopy.h"

#include "platform/Failure.h"
#include "platform/Files.h"

#include <QFile>

#include <sys/stat.h>

namespace velmora {

namespace {

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
    const QByteArray document = input.readAll();
    if (input.error() != QFileDevice::NoError)
        throw copyFailure(input.errorString(), source);
    replaceFileWhole(destination, document);
}

} // namespace velmora
