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
    const QByteArray document = input.readAll();
    if (input.error() != QFileDevice::NoError)
        throw copyFailure(input.errorString(), source);
    replaceFileWhole(destination, document);
}

} // namespace velmora
