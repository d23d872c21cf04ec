#include "platform/Files.h"

#include "platform/Failure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <cerrno>
#include <cstring>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

QString environmentTemp()
{
    // The variable is looked up without regard to case.
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (environment.contains(QStringLiteral("TEMP")))
        return environment.value(QStringLiteral("TEMP"));
    for (const QString& name : environment.keys()) {
        if (name.compare(QLatin1String("TEMP"), Qt::CaseInsensitive) == 0)
            return environment.value(name);
    }
    return {};
}

QString privateTemporaryFolder()
{
    const QString path =
        QDir::tempPath() + QStringLiteral("/velmora-") + QString::number(::getuid());
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        throw Failure(QStringLiteral("Cannot create the folder %1: %2")
                          .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    // Someone else's folder, or a link planted in its place, is never used.
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode)
        || info.st_uid != ::getuid())
        throw Failure(
            QStringLiteral("The temporary folder %1 does not belong to this user").arg(path));
    if ((info.st_mode & 0777) != 0700)
        ::chmod(native.constData(), 0700);
    return path;
}

} // namespace

void releaseFreeMemory()
{
    ::malloc_trim(0);
}

QString temporaryFolder()
{
    const QString temp = environmentTemp();
    return temp.isEmpty() ? privateTemporaryFolder() : temp;
}

QString temporaryFile(const QString& name)
{
    return temporaryFolder() + QLatin1Char('/') + name;
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString besideProgram(const QString& relativePath)
{
    return programFolder() + QLatin1Char('/') + relativePath;
}

bool fileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

void quietDelete(const QString& path)
{
    if (!path.isEmpty())
        QFile::remove(path);
}

void writeNewFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw Failure(file.errorString() + QStringLiteral(": ") + path);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString description = file.errorString() + QStringLiteral(": ") + path;
        file.close();
        QFile::remove(path);
        throw Failure(description);
    }
}

} // namespace velmora
