#include "generation/libreoffice/OfficeProcess.h"

#include "platform/Failure.h"
#include "platform/ProcessIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QUuid>

#include <QRegularExpression>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
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
    "<prop oor:name=\"Enabled\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
    // Pictures and objects that a document only links to are not fetched:
    // a template brought by the user may point anywhere.
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\">"
    "<prop oor:name=\"BlockUntrustedRefererLinks\" oor:op=\"fuse\"><value>true</value></prop>"
    "</item>\n";

QString fileUrl(const QString& path)
{
    return QStringLiteral("file://") + QString::fromUtf8(QUrl::toPercentEncoding(path, "/"));
}

// The office's memory allocator keeps the blocks it frees for the next
// request instead of handing each large one back to the system: drawing a
// page allocates a dozen page-sized buffers one after another, and fresh
// memory costs a fault per 4 KiB page on first touch (a quarter of the page
// picture's processor time in a new office). Every office serves one
// procedure and ends, so what it keeps is never kept long.
constexpr const char* kAllocatorTunables =
    "glibc.malloc.mmap_threshold=268435456:glibc.malloc.trim_threshold=268435456";

// Our environment with the temporary-folder variables pointing at a folder of
// the office's own: what it leaves there (lu*.tmp folders) goes away with it,
// even when the office is killed. The allocator's tunables come after any
// the user set, so that theirs of the same name still win.
std::vector<QByteArray> environmentWithTemporaryFolder(const QString& folder)
{
    std::vector<QByteArray> result;
    QByteArray tunables = QByteArray("GLIBC_TUNABLES=") + kAllocatorTunables;
    for (char** entry = environ; *entry; ++entry) {
        const QByteArray variable(*entry);
        if (variable.startsWith("GLIBC_TUNABLES="))
            tunables += ':' + variable.mid(int(qstrlen("GLIBC_TUNABLES=")));
        else if (!variable.startsWith("TMPDIR=") && !variable.startsWith("TEMP=")
                 && !variable.startsWith("TMP="))
            result.push_back(variable);
    }
    result.push_back(tunables);
    const QByteArray path = QFile::encodeName(folder);
    for (const char* name : {"TMPDIR=", "TEMP=", "TMP="})
        result.push_back(name + path);
    return result;
}

// Writes the text to the file; async-signal-safe.
bool writeWhole(const char* path, const char* text, size_t length)
{
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = write(fd, text, length) == ssize_t(length);
    close(fd);
    return written;
}

// The office gets a network of its own with nothing in it: whatever a
// document links to (a picture on a web server, a style sheet), the office
// cannot reach it, at any time. Root may make the namespace; anyone else
// makes it inside a user namespace that maps only their own ids (so files
// and the office's pipe belong to them as before). Where the system allows
// neither, the office runs as before: nothing a design keeps links out, and
// a brought template is stripped of its links when it is checked.
void leaveTheNetwork(const char* uidMap, size_t uidMapLength, const char* gidMap,
                     size_t gidMapLength)
{
    if (unshare(CLONE_NEWNET) == 0)
        return;
    if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return;
    writeWhole("/proc/self/uid_map", uidMap, uidMapLength);
    writeWhole("/proc/self/setgroups", "deny", 4);
    writeWhole("/proc/self/gid_map", gidMap, gidMapLength);
}

// fork + exec with only async-signal-safe calls in the child. The child asks
// the kernel to kill it when this program (the forking thread) goes away.
// Its standard output goes to outputFd when given, otherwise nowhere.
pid_t forkAndRun(const QString& program, const QStringList& arguments,
                 const QString& temporaryFolder, int outputFd)
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

    const QByteArray uidMap =
        QByteArray::number(uint(getuid())) + ' ' + QByteArray::number(uint(getuid())) + " 1\n";
    const QByteArray gidMap =
        QByteArray::number(uint(getgid())) + ' ' + QByteArray::number(uint(getgid())) + " 1\n";

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
        leaveTheNetwork(uidMap.constData(), size_t(uidMap.size()), gidMap.constData(),
                        size_t(gidMap.size()));
        // Asked again: a change of credentials may clear it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        // The program ignores a broken pipe; the office decides for itself.
        struct sigaction usual {};
        usual.sa_handler = SIG_DFL;
        sigaction(SIGPIPE, &usual, nullptr);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        const int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, 0);
            dup2(outputFd >= 0 ? outputFd : devNull, 1);
            dup2(devNull, 2);
            if (devNull > 2)
                close(devNull);
        }
        // Nothing else of ours: an inherited descriptor (the display
        // connection, a pipe another thread reads to its end) would stay
        // open as long as the office runs.
        if (syscall(SYS_close_range, 3U, ~0U, 0U) != 0)
            for (int fd = 3; fd < 65536; ++fd)
                close(fd);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// The kernel sends the parent-death signal when the thread that forked ends,
// not the program: an office forked by a worker thread would be killed as
// soon as that worker is done. So every child is forked by this one thread,
// which lives as long as the program (never ended: the program's exit ends it).
class Forker {
public:
    static Forker& instance()
    {
        static Forker* const forker = new Forker;
        return *forker;
    }

    pid_t run(std::function<pid_t()> fork)
    {
        std::packaged_task<pid_t()> task(std::move(fork));
        std::future<pid_t> forked = task.get_future();
        {
            std::lock_guard lock(mMutex);
            mTasks.push_back(std::move(task));
        }
        mChanged.notify_one();
        return forked.get();
    }

private:
    Forker()
    {
        std::thread([this] {
            for (;;) {
                std::packaged_task<pid_t()> task;
                {
                    std::unique_lock lock(mMutex);
                    mChanged.wait(lock, [this] { return !mTasks.empty(); });
                    task = std::move(mTasks.front());
                    mTasks.pop_front();
                }
                task();
            }
        }).detach();
    }

    std::mutex mMutex;
    std::condition_variable mChanged;
    std::deque<std::packaged_task<pid_t()>> mTasks;
};

pid_t spawn(const QString& program, const QStringList& arguments, const QString& temporaryFolder,
            int outputFd = -1)
{
    return Forker::instance().run(
        [&] { return forkAndRun(program, arguments, temporaryFolder, outputFd); });
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

// The office version an installation announces ("7.4"), read from its
// configuration; empty when it cannot be read.
QByteArray installedVersion(const QString& installDir)
{
    QFile file(installDir + QStringLiteral("/share/registry/main.xcd"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression setupVersion(
        QStringLiteral("<prop oor:name=\"ooSetupVersion\">\\s*<value>([0-9.]+)</value>"));
    const QRegularExpressionMatch match = setupVersion.match(QString::fromUtf8(file.readAll()));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

void appendProfileSettings(const QString& profileFolder, const QString& installDir)
{
    QFile file(profileFolder + QStringLiteral("/user/registrymodifications.xcu"));
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(
            QStringLiteral("LibreOffice did not create its profile in %1").arg(profileFolder));
    QByteArray text = file.readAll();
    file.close();
    const int end = text.lastIndexOf("</oor:items>");
    if (end < 0)
        throw Failure(QStringLiteral("LibreOffice's profile settings are unreadable"));
    QByteArray settings = kProfileSettings;
    // A profile that has not met this version yet makes the office run its
    // graphics self-tests at start-up, seconds of work on every private
    // instance (each starts from a copy of this profile).
    const QByteArray version = installedVersion(installDir);
    if (!version.isEmpty())
        settings += "<item oor:path=\"/org.openoffice.Setup/Product\">"
                    "<prop oor:name=\"ooSetupLastVersion\" oor:op=\"fuse\"><value>"
                    + version + "</value></prop></item>\n";
    text.insert(end, settings);
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
    // Numbered after the settings it holds: one made with other settings by
    // an earlier program is not used, and goes.
    const QString ready = cache + QStringLiteral("/libreoffice-profile-3");
    if (QFileInfo::exists(ready + QStringLiteral("/user/registrymodifications.xcu")))
        return ready;
    QDir(cache + QStringLiteral("/libreoffice-profile")).removeRecursively();
    QDir(cache + QStringLiteral("/libreoffice-profile-2")).removeRecursively();

    QDir().mkpath(cache);
    // Built beside the final place and renamed, so that two programs setting
    // it up at once never see a half-made one.
    const QString building =
        cache + QStringLiteral("/libreoffice-profile.") + QString::number(getpid());
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
        appendProfileSettings(building, installDir);
    } catch (...) {
        QDir(building).removeRecursively();
        throw;
    }
    QFile::remove(building + QStringLiteral("/.lock"));
    if (std::rename(QFile::encodeName(building).constData(), QFile::encodeName(ready).constData())
        != 0)
        QDir(building).removeRecursively(); // another program finished first
    return ready;
}

void copyProfile(const QString& from, const QString& to)
{
    std::error_code error;
    fs::copy(fs::path(from.toStdString()), fs::path(to.toStdString()), fs::copy_options::recursive,
             error);
    if (error)
        throw Failure(QStringLiteral("Could not prepare a LibreOffice profile: %1")
                          .arg(QString::fromStdString(error.message())));
    QFile::remove(to + QStringLiteral("/.lock"));
}

// A program that was killed outright could not remove its instances' folders
// (its offices died with it); the next program to start an office does.
// The file in an office's private folder that lists its pipes.
const QString kPipesFile = QStringLiteral("pipes");

bool isOwn(const QString& path, mode_t type)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0
           && (info.st_mode & S_IFMT) == type && info.st_uid == ::geteuid();
}

// Only a socket of this user named as the office names its pipes.
void removePipe(const QString& path)
{
    if (QFileInfo(path).fileName().startsWith(QLatin1String("OSL_PIPE_")) && isOwn(path, S_IFSOCK))
        ::unlink(QFile::encodeName(path).constData());
}

// Names made by start() begin "<pid>-<start time>-".
bool hasEnded(const QString& identity)
{
    return !programRuns(identity.section(u'-', 0, 0), identity.section(u'-', 1, 1));
}

// What offices of killed programs of ours left: their private folders (and
// the pipes they listed there), and the pipes named after those programs.
// Names in the shared temporary folder that are not this user's own are
// left alone; a link is never followed.
void removeFoldersOfEndedPrograms()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QDir temp(QDir::tempPath());
        for (const QString& name :
             temp.entryList({QStringLiteral("velmora-office-*-*")}, QDir::Dirs | QDir::System)) {
            const QString folder = temp.filePath(name);
            if (!hasEnded(name.section(u'-', 2)) || !isOwn(folder, S_IFDIR))
                continue;
            QFile pipes(folder + QLatin1Char('/') + kPipesFile);
            if (isOwn(pipes.fileName(), S_IFREG) && pipes.size() < 4096
                && pipes.open(QIODevice::ReadOnly))
                for (const QByteArray& line : pipes.readAll().split('\n'))
                    removePipe(QFile::decodeName(line));
            QDir(folder).removeRecursively();
        }
        const QString ourPipes = QStringLiteral("OSL_PIPE_%1_velmora-").arg(::getuid());
        for (const char* folder : {"/tmp", "/var/tmp"}) {
            const QDir pipes(QString::fromLatin1(folder));
            for (const QString& name :
                 pipes.entryList({ourPipes + QLatin1Char('*')}, QDir::System | QDir::Hidden))
                if (hasEnded(name.mid(ourPipes.size())))
                    removePipe(pipes.filePath(name));
        }
    });
}

// The socket inodes a process holds open.
QSet<QByteArray> socketInodes(pid_t pid)
{
    QSet<QByteArray> inodes;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[64] = {};
        const ssize_t length =
            ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof target - 1);
        const QByteArray link(target, length > 0 ? length : 0);
        if (link.startsWith("socket:[") && link.endsWith(']'))
            inodes.insert(link.mid(8, link.size() - 9));
    }
    return inodes;
}

} // namespace

void OfficeProcess::checkStarts(const QString& installDir, std::chrono::milliseconds limit)
{
    const QString binary = officeBinary(installDir);
    if (!QFileInfo(binary).isExecutable())
        throw Failure(QStringLiteral("LibreOffice is not installed (%1 not found)").arg(binary));

    // Loading the office program with all its libraries, up to where it
    // answers with its version: a missing library or a program that cannot
    // run fails here, at a fraction of the cost of a whole start.
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        throw Failure(QStringLiteral("Could not start LibreOffice: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
    pid_t pid = -1;
    try {
        pid = spawn(binary, {QStringLiteral("--version")}, QDir::tempPath(), output[1]);
    } catch (...) {
        close(output[0]);
        close(output[1]);
        throw;
    }
    close(output[1]);
    QByteArray answer;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd readable{output[0], POLLIN, 0};
        const int ready = poll(&readable, 1, int(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (ready == 0)
            continue;
        char buffer[512];
        const ssize_t count = read(output[0], buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        if (answer.size() < 4096)
            answer.append(buffer, count);
    }
    close(output[0]);
    if (timedOut)
        ::kill(pid, SIGKILL);
    const int exitCode = waitForExit(pid);
    if (timedOut)
        throw Failure(
            QStringLiteral("LibreOffice did not start within %1 s").arg(limit.count() / 1000.0));
    if (exitCode != 0
        || !QRegularExpression(QStringLiteral("\\d+\\.\\d+"))
                .match(QString::fromUtf8(answer))
                .hasMatch())
        throw Failure(QStringLiteral("LibreOffice cannot start (%1 ended with status %2)")
                          .arg(binary)
                          .arg(exitCode));

    // The first time, this starts the office until it has set up a profile:
    // the whole of its initialisation, done once per user.
    profileTemplate(installDir);
}

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

    QByteArray folderTemplate = QFile::encodeName(
        QDir::tempPath() + QStringLiteral("/velmora-office-%1-XXXXXX").arg(thisProgramIdentity()));
    if (!mkdtemp(folderTemplate.data()))
        throw Failure(QStringLiteral("Could not create a folder for LibreOffice: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));

    std::unique_ptr<OfficeProcess> process(new OfficeProcess);
    process->mFolder = QFile::decodeName(folderTemplate);
    QDir(process->mFolder).mkdir(QStringLiteral("scratch"));
    QDir(process->mFolder).mkdir(QStringLiteral("tmp"));
    try {
        copyProfile(profile, process->mFolder + QStringLiteral("/profile"));
        process->mPipeName =
            QStringLiteral("velmora-%1-%2")
                .arg(thisProgramIdentity(), QUuid::createUuid().toString(QUuid::Id128));
        process->mPid = spawn(
            binary,
            officeArguments(process->mFolder + QStringLiteral("/profile"),
                            QStringLiteral("--accept=pipe,name=%1;urp;").arg(process->mPipeName)),
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
    for (const QString& pipe : std::as_const(mPipes))
        removePipe(pipe);
    mPipes.clear();
    if (!mFolder.isEmpty()) {
        QDir(mFolder).removeRecursively();
        mFolder.clear();
    }
}

void OfficeProcess::notePipes()
{
    if (mPid <= 0)
        return;
    const QSet<QByteArray> inodes = socketInodes(mPid);
    QFile sockets(QStringLiteral("/proc/net/unix"));
    if (sockets.open(QIODevice::ReadOnly)) {
        // Num RefCount Protocol Flags Type St Inode Path
        for (const QByteArray& line : sockets.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 8 && inodes.contains(fields[6])
                && QFileInfo(QFile::decodeName(fields[7]))
                       .fileName()
                       .startsWith(QLatin1String("OSL_PIPE_")))
                mPipes << QFile::decodeName(fields[7]);
        }
    }
    mPipes.removeDuplicates();
    QFile list(mFolder + QLatin1Char('/') + kPipesFile);
    if (!mPipes.isEmpty() && list.open(QIODevice::WriteOnly))
        list.write(QFile::encodeName(mPipes.join(QLatin1Char('\n'))));
}

} // namespace velmora::office::lo
