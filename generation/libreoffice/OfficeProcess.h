#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <sys/types.h>

namespace velmora::office::lo {

// One private soffice.bin: its own profile folder (a copy of an initialised
// template profile) and temporary folder inside one private folder, its own
// pipe name, output discarded, killed by the kernel
// if this program dies. Nothing here talks UNO; the process is only started,
// watched and ended.
class OfficeProcess {
public:
    // Starts soffice.bin of the installation folder. Throws Failure when the
    // installation is missing or the process cannot be started.
    static std::unique_ptr<OfficeProcess> start(const QString& installDir);
    // Proves, more cheaply than start(), that the installation's office runs:
    // throws Failure when it cannot (missing, broken, or not answering within
    // limit).
    static void checkStarts(const QString& installDir, std::chrono::milliseconds limit);
    ~OfficeProcess();

    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    pid_t pid() const { return mPid; }
    const QString& pipeName() const { return mPipeName; }
    // A private folder for files the office writes for us (page pictures).
    QString scratchFolder() const;
    // False once the process has ended (it is reaped here).
    bool isRunning();
    // True once the process has ended, without reaping it: safe while a
    // watchdog may still signal its pid.
    bool hasEnded() const;
    // Waits up to timeoutMs for the process to end by itself, then kills it.
    // Afterwards the process is reaped and its private folder and its pipes
    // are gone.
    void end(int timeoutMs);
    // Notes the pipes the office listens on (sockets it makes in /tmp, which
    // outlive an office that is killed), so that they go when it ends, or
    // with the next program's clean-up if this one is killed. Call once the
    // office answers on its pipe.
    void notePipes();

private:
    OfficeProcess() = default;
    void reap(int options);

    pid_t mPid = -1;
    QString mPipeName;
    QString mFolder;
    QStringList mPipes;
};

// The path of soffice.bin in an installation folder.
QString officeBinary(const QString& installDir);

} // namespace velmora::office::lo
