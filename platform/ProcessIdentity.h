#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <unistd.h>

// Header only: the office module, which links none of the program's
// libraries, names its folders and pipes by the same rule.
namespace velmora {

// The start time of a process (clock ticks since boot), or empty when it does
// not run: with the pid it names a process once, whatever reuses the pid later.
inline QString processStartTime(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    // The command name may hold spaces and parentheses; the fields follow the last ")".
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? QString::fromLatin1(fields[19]) : QString();
}

// "<pid>-<start time>": this program, in the names of what it leaves in
// shared folders.
inline QString thisProgramIdentity()
{
    const qint64 pid = ::getpid();
    return QStringLiteral("%1-%2").arg(pid).arg(processStartTime(pid));
}

// Whether the program named by the pid and start time of its names still
// runs. A name of an older build, without a start time, is judged by its pid.
inline bool programRuns(const QString& pidText, const QString& startTime)
{
    bool isPid = false;
    const qint64 pid = pidText.toLongLong(&isPid);
    if (!isPid)
        return true; // not ours to judge
    bool isTime = false;
    startTime.toULongLong(&isTime);
    const QString running = processStartTime(pid);
    return isTime ? running == startTime : !running.isEmpty();
}

} // namespace velmora
