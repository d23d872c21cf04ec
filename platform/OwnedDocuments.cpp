#include "platform/OwnedDocuments.h"

#include "platform/ProcessIdentity.h"

#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/WorkingNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::owned {

namespace {

const QString kRecordPattern = QStringLiteral("velmora-documents-*.list");
// One line of about twenty bytes for each invitation: far more than any
// program's life makes. A larger "record" is not ours, and is never read.
constexpr qint64 kMaxRecordBytes = 1 << 20;

// The pid and start time are public, so a record name made of them alone
// could be planted before the program writes it; six random characters that
// the program adds when it creates the record cannot.
QString ownRecordStem()
{
    return QStringLiteral("velmora-documents-%1.list").arg(thisProgramIdentity());
}

QString cleaned(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

struct OwnRecord {
    QString folder;
    QString path;
};

OwnRecord& ownRecord()
{
    static OwnRecord record;
    return record;
}

bool isOwnPlainFile(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

// The names a record of this user lists; nothing for a link, another user's
// file or one too large to be a record, which are left alone.
std::optional<QStringList> readRecord(const QString& path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()
        || info.st_size > kMaxRecordBytes) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray text(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t got = ::read(fd, text.data() + done, size_t(text.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    ::close(fd);
    text.truncate(done);
    QStringList names;
    for (const QByteArray& line : text.split('\n')) {
        const QString name = QString::fromUtf8(line);
        if (names::isWorkingName(name))
            names << name;
    }
    return names;
}

bool isRunning(const QString& recordName)
{
    static const QRegularExpression parts(
        QStringLiteral("^velmora-documents-(\\d+)-(\\d+)(-[A-Za-z0-9]{6})?\\.list$"));
    const QRegularExpressionMatch match = parts.match(recordName);
    if (!match.hasMatch())
        return true; // not ours to judge
    return programRuns(match.captured(1), match.captured(2));
}

// This program's record, open for appending; made the first time it is
// needed in the folder.
int openOwnRecord(const QString& folder)
{
    OwnRecord& record = ownRecord();
    if (record.folder == folder && !record.path.isEmpty()) {
        const int fd = ::open(QFile::encodeName(record.path).constData(),
                              O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 && isOwnPlainFile(fd))
            return fd;
        if (fd >= 0)
            ::close(fd);
    }
    record.folder = folder;
    record.path = createPrivateFileBeside(folder + QLatin1Char('/') + ownRecordStem(), {});
    return ::open(QFile::encodeName(record.path).constData(),
                  O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
}

// The names the records of running programs of this user list, but for the
// record named `except`.
QSet<QString> namesOfRunningPrograms(const QString& folder, const QString& except)
{
    QSet<QString> names;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({kRecordPattern}, QDir::Files | QDir::System | QDir::Hidden)) {
        const QString path = dir.filePath(name);
        if (path == except || !isRunning(name))
            continue;
        if (const std::optional<QStringList> listed = readRecord(path))
            names.unite(QSet<QString>(listed->begin(), listed->end()));
    }
    return names;
}

} // namespace

void recordDocument(const QString& path)
{
    try {
        const QString folder = cleaned(temporaryFolder());
        const QFileInfo file(cleaned(path));
        if (file.absolutePath() != folder || !names::isWorkingName(file.fileName()))
            return;
        const int fd = openOwnRecord(folder);
        if (fd < 0)
            return;
        const QByteArray line = QFile::encodeName(file.fileName()) + '\n';
        while (::write(fd, line.constData(), size_t(line.size())) < 0 && errno == EINTR) {
        }
        ::close(fd);
    } catch (const Failure&) {
    }
}

bool reserveDocument(const QString& path)
{
    if (!createPrivateFile(path))
        return false;
    recordDocument(path);
    return true;
}

void writeWorkingFile(const QString& path, const QByteArray& bytes, bool keepOurs, QString& written)
{
    written.clear();
    const NameState state = nameState(path);
    if (state == NameState::Ours && keepOurs) {
        recordDocument(path);
        written = path;
        return;
    }
    if (state == NameState::Free && createPrivateFile(path, bytes)) {
        recordDocument(path);
        written = path;
        return;
    }
    QString beside;
    if (state == NameState::Ours) {
        // Replaced by a complete file only: a failed write leaves the old one.
        beside = createPrivateFileBeside(path, bytes);
        recordDocument(beside);
        // A rename replaces a link planted meanwhile; it never writes through one.
        if (nameState(path) != NameState::Taken
            && ::rename(QFile::encodeName(beside).constData(), QFile::encodeName(path).constData())
                   == 0) {
            recordDocument(path);
            written = path;
            return;
        }
        if (nameState(path) != NameState::Taken) {
            const QString description = systemError() + QStringLiteral(": ") + path;
            quietDelete(beside);
            throw Failure(description);
        }
    }
    if (beside.isEmpty()) {
        beside = createPrivateFileBeside(path, bytes);
        recordDocument(beside);
    }
    written = beside;
    throw Failure(
        QStringLiteral("%1 is not this user's own file, so it was left alone; %2 was used instead")
            .arg(path, beside));
}

void removeOwnDocuments()
{
    try {
        OwnRecord& record = ownRecord();
        if (record.path.isEmpty())
            return;
        const QSet<QString> kept = namesOfRunningPrograms(record.folder, record.path);
        for (const QString& name : readRecord(record.path).value_or(QStringList()))
            if (!kept.contains(name))
                quietDelete(record.folder + QLatin1Char('/') + name);
        quietDelete(record.path);
        record = {};
    } catch (const Failure&) {
    }
}

void removeOrphanedDocuments()
{
    try {
        const QString folder = cleaned(temporaryFolder());
        const QDir dir(folder);
        const QSet<QString> kept = namesOfRunningPrograms(folder, QString());
        for (const QString& name :
             dir.entryList({kRecordPattern}, QDir::Files | QDir::System | QDir::Hidden)) {
            const QString path = dir.filePath(name);
            if (path == ownRecord().path || isRunning(name))
                continue;
            const std::optional<QStringList> listed = readRecord(path);
            if (!listed)
                continue;
            for (const QString& document : *listed)
                if (!kept.contains(document))
                    quietDelete(dir.filePath(document));
            quietDelete(path);
        }
    } catch (const Failure&) {
    }
}

} // namespace velmora::owned
