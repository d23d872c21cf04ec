#include "platform/Files.h"

#include "platform/Failure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSaveFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

void makePrivateFolder(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    QStringList missing;
    for (QFileInfo info(clean); !info.exists() && info.path() != info.filePath();
         info = QFileInfo(info.path()))
        missing.prepend(info.filePath());
    for (const QString& part : missing)
        if (::mkdir(QFile::encodeName(part).constData(), 0700) != 0 && errno != EEXIST)
            throw Failure(
                QStringLiteral("Cannot create the folder %1: %2").arg(part, systemError()));
    // Someone else's folder, or a link planted in its place, is never used.
    const QByteArray native = QFile::encodeName(clean);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode)
        || info.st_uid != ::geteuid())
        throw Failure(QStringLiteral("%1 is not a folder of this user").arg(clean));
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        throw Failure(QStringLiteral("Cannot make %1 private: %2").arg(clean, systemError()));
}

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

// Writes all the bytes to a freshly created descriptor and closes it; on a
// failure the file is removed again.
void fillNewFile(int fd, const QByteArray& native, const QString& path, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const QString description = systemError() + QStringLiteral(": ") + path;
            ::close(fd);
            ::unlink(native.constData());
            throw Failure(description);
        }
        done += written;
    }
    if (::close(fd) != 0) {
        const QString description = systemError() + QStringLiteral(": ") + path;
        ::unlink(native.constData());
        throw Failure(description);
    }
}

QString privateTemporaryFolder()
{
    const QString path =
        QDir::tempPath() + QStringLiteral("/velmora-") + QString::number(::getuid());
    makePrivateFolder(path);
    return path;
}

// A link in a folder that everyone may write to but only owners may empty
// (the sticky bit: /tmp), planted there by another user, is not followed:
// the kernel's own rule for such links, which a save that resolves links
// itself never meets.
void refuseForeignLink(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(native.constData(), &link) != 0 || !S_ISLNK(link.st_mode)
        || link.st_uid == ::geteuid())
        return;
    struct stat folder {};
    const QByteArray folderName = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::stat(folderName.constData(), &folder) == 0 && (folder.st_mode & S_ISVTX)
        && folder.st_uid != link.st_uid)
        throw Failure(QStringLiteral("Another user's link in a shared folder is not followed: ")
                      + path);
}

// The rename is part of the folder: without this a power cut after "Done."
// may still take the new file back.
void syncFolderOf(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QByteArray folder =
        QFile::encodeName(QFileInfo(target.isEmpty() ? path : target).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // A folder that cannot be synced at all (some file systems) is no failure
    // of the save; a write error is.
    const bool failed = ::fsync(fd) != 0 && errno == EIO;
    const QString description = systemError();
    ::close(fd);
    if (failed)
        throw Failure(description + QStringLiteral(": ") + path);
}

} // namespace

void replaceFileWhole(const QString& path, const QByteArray& bytes)
{
    replaceFileWhole(path, [&](QIODevice& file) {
        // A short write is followed by one that says why.
        for (qint64 written = 0; written < bytes.size();) {
            const qint64 count = file.write(bytes.constData() + written, bytes.size() - written);
            if (count <= 0)
                throw Failure(file.errorString());
            written += count;
        }
    });
}

void replaceFileWhole(const QString& path, const std::function<void(QIODevice& file)>& write)
{
    const auto failure = [&](const QString& description) {
        return Failure(description + QStringLiteral(": ") + path);
    };
    // QSaveFile writes beside the path (following a link to its target) and
    // renames over it on commit. A folder that refuses the temporary file
    // refuses the write: writing straight into the old file could leave it
    // half-written.
    refuseForeignLink(path);
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Unbuffered, so that every write meets the disk here: a buffered one
    // that fails only while the file is closed (a full disk) would still be
    // renamed over the path, cut short.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw failure(file.errorString());
    try {
        write(file);
    } catch (const Failure& written) {
        file.cancelWriting();
        throw failure(written.description());
    }
    // Space the file system only promised fails here, before the rename.
    if (::fsync(file.handle()) != 0)
        throw failure(systemError());
    if (!file.commit())
        throw failure(file.errorString());
    syncFolderOf(path);
}

QString createPrivateFolderIn(const QString& parent, const QString& stem)
{
    QByteArray name =
        QFile::encodeName(parent + QLatin1Char('/') + stem + QStringLiteral("-XXXXXX"));
    if (!::mkdtemp(name.data()))
        throw Failure(systemError() + QStringLiteral(": ") + parent);
    return QFile::decodeName(name);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

void releaseFreeMemory()
{
    ::malloc_trim(0);
}

QString temporaryFolder()
{
    // Cleaned, so that "/tmp/x/" and "/tmp/x" name one folder alike.
    const QString temp = environmentTemp();
    return temp.isEmpty() ? privateTemporaryFolder() : QDir::cleanPath(temp);
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
    if (!path.isEmpty() && nameState(path) == NameState::Ours)
        ::unlink(QFile::encodeName(path).constData());
}

NameState nameState(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT ? NameState::Free : NameState::Taken;
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() ? NameState::Ours : NameState::Taken;
}

bool createPrivateFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd =
        ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return false;
        throw Failure(systemError() + QStringLiteral(": ") + path);
    }
    fillNewFile(fd, native, path, bytes);
    return true;
}

QString createPrivateFileBeside(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QByteArray pattern = QFile::encodeName(info.path() + QLatin1Char('/') + info.completeBaseName()
                                           + QStringLiteral("-XXXXXX") + suffix);
    // mkstemps creates with O_EXCL and mode 0600.
    const int fd = ::mkostemps(pattern.data(), int(QFile::encodeName(suffix).size()), O_CLOEXEC);
    if (fd < 0)
        throw Failure(systemError() + QStringLiteral(": ") + path);
    const QString created = QFile::decodeName(pattern);
    fillNewFile(fd, pattern, created, bytes);
    return created;
}

} // namespace velmora
