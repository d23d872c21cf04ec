#include "platform/OwnedDocuments.h"

#include "platform/Failure.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <unistd.h>

namespace velmora::owned {

namespace {

const QString kRecordPattern = QStringLiteral("velmora-documents-*-*.list");

// The start time of a process (clock ticks since boot), or empty when it does
// not run: with the pid it names a process once, whatever reuses the pid later.
QString startTimeOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    // The command name may hold spaces and parentheses; the fields follow the last ")".
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? QString::fromLatin1(fields[19]) : QString();
}

QString ownRecordName()
{
    const qint64 pid = ::getpid();
    return QStringLiteral("velmora-documents-%1-%2.list").arg(pid).arg(startTimeOf(pid));
}

QStringList recordedNames(const QString& recordPath)
{
    QFile record(recordPath);
    if (!record.open(QIODevice::ReadOnly))
        return {};
    QStringList names;
    for (const QByteArray& line : record.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line);
        // Only names of our filled documents, and never a path elsewhere.
        static const QRegularExpression filledDocument(QStringLiteral("^tarvik[1-9]{8}\\.doc$"));
        if (filledDocument.match(name).hasMatch())
            names << name;
    }
    return names;
}

bool isRunning(const QString& recordName)
{
    static const QRegularExpression parts(
        QStringLiteral("^velmora-documents-(\\d+)-(\\d+)\\.list$"));
    const QRegularExpressionMatch match = parts.match(recordName);
    if (!match.hasMatch())
        return true; // not ours to judge
    return startTimeOf(match.captured(1).toLongLong()) == match.captured(2);
}

} // namespace

void recordDocument(const QString& path)
{
    try {
        const QString folder = temporaryFolder();
        if (QFileInfo(path).absolutePath() != QFileInfo(folder).absoluteFilePath())
            return;
        QFile record(folder + QLatin1Char('/') + ownRecordName());
        if (record.open(QIODevice::Append))
            record.write(QFileInfo(path).fileName().toUtf8() + '\n');
    } catch (const Failure&) {
    }
}

void removeOwnDocuments()
{
    try {
        const QString folder = temporaryFolder();
        const QString record = folder + QLatin1Char('/') + ownRecordName();
        for (const QString& name : recordedNames(record))
            quietDelete(folder + QLatin1Char('/') + name);
        quietDelete(record);
    } catch (const Failure&) {
    }
}

void removeOrphanedDocuments()
{
    try {
        const QDir folder(temporaryFolder());
        QSet<QString> kept;
        QStringList endedRecords;
        for (const QString& record : folder.entryList({kRecordPattern}, QDir::Files)) {
            if (isRunning(record)) {
                const QStringList names = recordedNames(folder.filePath(record));
                kept.unite(QSet<QString>(names.begin(), names.end()));
            } else
                endedRecords << record;
        }
        for (const QString& record : endedRecords) {
            for (const QString& name : recordedNames(folder.filePath(record)))
                if (!kept.contains(name))
                    quietDelete(folder.filePath(name));
            quietDelete(folder.filePath(record));
        }
    } catch (const Failure&) {
    }
}

} // namespace velmora::owned
