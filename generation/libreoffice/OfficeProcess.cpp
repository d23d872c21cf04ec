#include "generation/libreoffice/OfficeProcess.h"

#include "errors/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include <QUrl>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace velmora::office::lo {

namespace {

namespace fs = std::filesystem;

// soffice.bin exits with this code after it has created a brand-new profile
// and wants to be started again.
constexpr int kRestartExitCode = 81;

// Settings every private profile carries: no document lock files (a killed
// office would leave them beside the user's documents) and no recovery data.
const char kProfileSettings[] =
    "<item oor:path=\"/org.openoffice.Office.Common/Misc\">"
    "<prop oor:name=\"UseLocking\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Recovery/AutoSave\">"
    "<prop oor:name=\"Enabled\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Recovery/RecoveryInfo\">"
    "<prop oor:name=\"Enabled\" oor:op=\"fuse\"><value>false</value></prop></item>\n";

QString fileUrl(const QString& path)
{
    return QStringLiteral("file://") + QString::fromUtf8(QUrl::toPercentEncoding(path, "/"));
}


// Our environment with the temporary-folder variables pointing at a folder of
// the office's own: what it leaves there (lu*.tmp folders) goes away with it,
// even when the office is killed.
std::vector<QByteArray> environmentWithTemporaryFolder(const QString& folder)
{
    std::vector<QByteArray> result;
    for (char** entry = environ; *entry; ++entry) {
        const QByteArray variable(*entry);
        if (!variable.startsWith("TMPDIR=") && !variable.startsWith("TEMP=") && !variable.startsWith("TMP="))
            result.push_back(variable);
    }
    const QByteArray path = QFile::encodeName(folder);
    for (const char* name : {"TMPDIR=", "TEMP=", "TMP="})
        result.push_back(name + path);
    return result;
}

// fork + exec with only async-signal-safe calls in the child. The child asks
// the kernel to kill it when this program (the forking thread) goes away.
pid_t spawn(const QString& program, const QStringList& arguments, const QString& temporaryFolder)
{
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> storage;
    storage.push_back(path);
    for (const QString& argument : arguments)
        storage.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> environment = environmentWithTemporaryFolder(temporaryFolder);
    std::vector<char*> envp;
    for (QByteArray& item : environment)
        envp.push_back(item.data());
    envp.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        throw Failure(QStringLiteral("Could not start LibreOffice: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        // A group of its own: a Ctrl+C in the terminal, or job control aimed
        // at this program, reaches only the program, which ends its offices
        // in order.
        setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        const int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, 0);
            dup2(devNull, 1);
            dup2(devNull, 2);
            if (devNull > 2)
                close(devNull);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

int waitForExit(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QStringList officeArguments(const QString& profileFolder, const QString& extra)
{
    return {QStringLiteral("-env:UserInstallation=") + fileUrl(profileFolder),
            QStringLiteral("--headless"),
            QStringLiteral("--invisible"),
            QStringLiteral("--nologo"),
            QStringLiteral("--norestore"),
            QStringLiteral("--nodefault"),
            QStringLiteral("--nolockcheck"),
            extra};
}

void appendProfileSettings(const QString& profileFolder)
{
    QFile file(profileFolder + QStringLiteral("/user/registrymodifications.xcu"));
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("LibreOffice did not create its profile in %1").arg(profileFolder));
    QByteArray text = file.readAll();
    file.close();
    const int end = text.lastIndexOf("</oor:items>");
    if (end < 0)
        throw Failure(QStringLiteral("LibreOffice's profile settings are unreadable"));
    text.insert(end, kProfileSettings);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        throw Failure(QStringLiteral("Could not write LibreOffice's profile settings"));
}

// A brand-new profile costs a restart and a second or two of set-up, so it is
// made once per user (kept in the user's cache) and copied for each instance.
QString profileTemplate(const QString& installDir)
{
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                          + QStringLiteral("/velmora");
    const QString ready = cache + QStringLiteral("/libreoffice-profile");
    if (QFileInfo::exists(ready + QStringLiteral("/user/registrymodifications.xcu")))
        return ready;

    QDir().mkpath(cache);
    // Built beside the final place and renamed, so that two programs setting
    // it up at once never see a half-made one.
    const QString building = cache + QStringLiteral("/libreoffice-profile.")
                             + QString::number(getpid());
    QDir(building).removeRecursively();
    const QString buildingTemp = building + QStringLiteral(".tmp");
    QDir().mkpath(buildingTemp);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const pid_t pid = spawn(officeBinary(installDir),
                                officeArguments(building, QStringLiteral("--terminate_after_init")),
                                buildingTemp);
        if (waitForExit(pid) != kRestartExitCode)
            break;
    }
    QDir(buildingTemp).removeRecursively();
    try {
        appendProfileSettings(building);
    } catch (...) {
        QDir(building).removeRecursively();
        throw;
    }
    QFile::remove(building + QStringLiteral("/.lock"));
    if (std::rename(QFile::encodeName(building).constData(), QFile::encodeName(ready).constData()) != 0)
        QDir(building).removeRecursively(); // another program finished first
    return ready;
}

void copyProfile(const QString& from, const QString& to)
{
    std::error_code error;
    fs::copy(fs::path(from.toStdString()), fs::path(to.toStdString()),
             fs::copy_options::recursive, error);
    if (error)
        throw Failure(QStringLiteral("Could not prepare a LibreOffice profile: %1")
                          .arg(QString::fromStdString(error.message())));
    QFile::remove(to + QStringLiteral("/.lock"));
}

// A program that was killed outright could not remove its instances' folders
// (its offices died with it); the next program to start an office does.
void removeFoldersOfEndedPrograms()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QDir temp(QDir::tempPath());
        for (const QString& name : temp.entryList({QStringLiteral("velmora-office-*-*")}, QDir::Dirs)) {
            bool isPid = false;
            const pid_t owner = name.section(u'-', 2, 2).toInt(&isPid);
            if (isPid && owner != getpid() && ::kill(owner, 0) != 0 && errno == ESRCH)
                QDir(temp.filePath(name)).removeRecursively();
        }
    });
}

} // namespace

QString officeBinary(const QString& installDir)
{
    return installDir + QStringLiteral("/program/soffice.bin");
}

std::unique_ptr<OfficeProcess> OfficeProcess::start(const QString& installDir)
{
    const QString binary = officeBinary(installDir);
    if (!QFileInfo(binary).isExecutable())
        throw Failure(QStringLiteral("LibreOffice is not installed (%1 not found)").arg(binary));

    removeFoldersOfEndedPrograms();
    const QString profile = profileTemplate(installDir);

    QByteArray folderTemplate =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/velmora-office-%1-XXXXXX").arg(getpid()));
    if (!mkdtemp(folderTemplate.data()))
        throw Failure(QStringLiteral("Could not create a folder for LibreOffice: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));

    std::unique_ptr<OfficeProcess> process(new OfficeProcess);
    process->mFolder = QFile::decodeName(folderTemplate);
    QDir(process->mFolder).mkdir(QStringLiteral("scratch"));
    QDir(process->mFolder).mkdir(QStringLiteral("tmp"));
    try {
        copyProfile(profile, process->mFolder + QStringLiteral("/profile"));
        process->mPipeName = QStringLiteral("velmora-%1-%2")
                                 .arg(getpid())
                                 .arg(QUuid::createUuid().toString(QUuid::Id128));
        process->mPid = spawn(binary, officeArguments(process->mFolder + QStringLiteral("/profile"),
                                                      QStringLiteral("--accept=pipe,name=%1;urp;")
                                                          .arg(process->mPipeName)),
                               process->mFolder + QStringLiteral("/tmp"));
    } catch (...) {
        QDir(process->mFolder).removeRecursively();
        throw;
    }
    return process;
}

OfficeProcess::~OfficeProcess()
{
    end(0);
}

QString OfficeProcess::scratchFolder() const
{
    return mFolder + QStringLiteral("/scratch");
}

void OfficeProcess::reap(int options)
{
    if (mPid <= 0)
        return;
    int status = 0;
    pid_t result;
    while ((result = waitpid(mPid, &status, options)) < 0 && errno == EINTR) {
    }
    if (result == mPid || (result < 0 && errno == ECHILD))
        mPid = -1;
}

bool OfficeProcess::isRunning()
{
    reap(WNOHANG);
    return mPid > 0;
}

bool OfficeProcess::hasEnded() const
{
    if (mPid <= 0)
        return true;
    siginfo_t info{};
    if (waitid(P_PID, id_t(mPid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD;
    return info.si_pid == mPid;
}

void OfficeProcess::end(int timeoutMs)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    while (isRunning() && steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(10));
    if (mPid > 0) {
        ::kill(mPid, SIGKILL);
        reap(0);
    }
    if (!mFolder.isEmpty()) {
        QDir(mFolder).removeRecursively();
        mFolder.clear();
    }
}

} // namespace velmora::office::lo
