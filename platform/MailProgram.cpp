#include "platform/MailProgram.h"

#include "platform/Failure.h"
#include "platform/Files.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

namespace velmora {

namespace {

// xdg-email's exit statuses.
constexpr int kSyntaxError = 1;
constexpr int kFileNotFound = 2;

} // namespace

MailOutcome openInMailProgram(const MailMessage& message, int waitMs)
{
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), message.subject,
                          QStringLiteral("--body"), message.body};
    for (const QString& file : message.attachments)
        arguments << QStringLiteral("--attach") << file;

    // Left to run on its own when it outlasts the wait: it holds the mail
    // program, and is removed once it ends (or lives on if the program ends first).
    auto* process = new QProcess;
    process->setProgram(QStringLiteral("xdg-email"));
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // Its own session: a mail program it starts is not ended with this program.
    process->setChildProcessModifier([] { ::setsid(); });
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return MailOutcome::NoMailProgram;
    }
    if (!process->waitForFinished(waitMs)) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return MailOutcome::Opened;
    }
    const bool crashed = process->exitStatus() != QProcess::NormalExit;
    const int status = process->exitCode();
    delete process;
    if (crashed)
        return MailOutcome::NoMailProgram;
    if (status == kSyntaxError || status == kFileNotFound)
        throw Failure(QStringLiteral("xdg-email refused the message (status %1)").arg(status));
    return status == 0 ? MailOutcome::Opened : MailOutcome::NoMailProgram;
}

QString mailFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/velmora/mail");
}

QString newMailFolder(const QDateTime& now)
{
    const QString parent = mailFolder();
    makePrivateFolder(parent);
    // mkdtemp: a new name, made private, never an existing folder or link.
    QTemporaryDir folder(parent + u'/' + now.toString(QStringLiteral("yyyy-MM-dd_HH.mm.ss"))
                         + QStringLiteral("-XXXXXX"));
    if (!folder.isValid())
        throw Failure(
            QStringLiteral("Cannot create a folder in %1: %2").arg(parent, folder.errorString()));
    folder.setAutoRemove(false);
    return folder.path();
}

void removeOldMailFiles(const QDateTime& now)
{
    const QString root = mailFolder();
    const QFileInfo rootInfo(root);
    if (!rootInfo.isDir() || rootInfo.isSymLink() || rootInfo.ownerId() != ::geteuid())
        return;
    const QDateTime oldest = now.addDays(-kMailFilesKeptDays);
    QStringList folders;
    QDirIterator entries(root,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QFileInfo entry(entries.next());
        if (entry.isSymLink())
            continue;
        if (entry.isDir())
            folders.prepend(entry.filePath());
        else if (entry.lastModified() < oldest)
            quietDelete(entry.filePath());
    }
    // Deepest first; a folder that still holds something stays.
    for (const QString& folder : folders)
        QDir().rmdir(folder);
}

} // namespace velmora
