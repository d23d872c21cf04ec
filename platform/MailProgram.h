#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace velmora {

// A new message for the user to finish and send: no address, the user picks
// the recipients in the mail program.
struct MailMessage {
    QString subject;
    QString body;
    // Full paths of files that stay where they are until the mail is sent.
    QStringList attachments;
};

enum class MailOutcome { Opened, NoMailProgram };

// How long xdg-email may take to say whether it reached a mail program. A
// mail program it starts in the foreground keeps it running until the user
// closes that program; still running by then counts as opened.
constexpr int kMailProgramWaitMs = 5000;

// Hands the message to the user's own mail program through xdg-email
// (xdg-utils). NoMailProgram when xdg-email is missing or says that no mail
// program is set up or could be started (status 3 or 4); Failure for what is
// wrong with the message itself (status 1 or 2: a bad argument, an attachment
// that is not there).
MailOutcome openInMailProgram(const MailMessage& message, int waitMs = kMailProgramWaitMs);

// Where the attachments of the mails are kept, private to this user:
// $XDG_CACHE_HOME/velmora/mail (~/.cache when the variable is not set).
QString mailFolder();

// A fresh private folder inside mailFolder() for one message's attachments,
// named after the time. Throws Failure with the system's description.
QString newMailFolder(const QDateTime& now);

// A mail program reads the attachments when the message is sent, which may be
// days later; a week on, they have served.
constexpr int kMailFilesKeptDays = 7;

// Removes the files in mailFolder() last changed more than kMailFilesKeptDays
// before now, and the folders that leaves empty. Only plain files of this user
// are removed, no link is followed; never fails.
void removeOldMailFiles(const QDateTime& now);

} // namespace velmora
