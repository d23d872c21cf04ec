#pragma once

#include "generation/Office.h"
#include "generation/libreoffice/OfficeProcess.h"
#include "generation/libreoffice/UnoConnection.h"
#include "generation/libreoffice/Watchdog.h"

#include <com/sun/star/uno/Exception.hpp>
#include <cppuhelper/exc_hlp.hxx>
#include <deque>
#include <vector>

namespace velmora::office::lo {

QString describeCaughtUnoException(const css::uno::Exception& exception);

// Ends offices that agreed to end, off the caller's thread: waits for each to
// leave, kills it past its grace time, then removes its private folder. What
// is still pending when the engine goes is killed and removed then.
class Reaper {
public:
    Reaper();
    ~Reaper();
    // keepAlive is held until the process is gone (the thread that started it
    // must outlive it).
    void hand(std::unique_ptr<OfficeProcess> process, std::shared_ptr<void> keepAlive,
              std::chrono::milliseconds grace);
    // Kills and removes what is pending; later hand-overs are ended at once.
    void finish();

private:
    struct Pending {
        std::unique_ptr<OfficeProcess> process;
        std::shared_ptr<void> keepAlive;
        std::chrono::steady_clock::time_point deadline;
    };
    void run();

    std::mutex mMutex;
    std::condition_variable mChanged;
    std::vector<Pending> mPending;
    bool mFinished = false;
    std::thread mThread;
};

// How long an office may take: to start and accept its connection (a slow
// machine is not a hung office), and to answer one call.
struct Limits {
    std::chrono::milliseconds start;
    std::chrono::milliseconds call;
};

// A started office, and when it was warmed up, the connection to it.
struct PreparedOffice {
    std::unique_ptr<OfficeProcess> process;
    Connection connection;
};

// One private office process and the UNO connection to it. Shared by the
// application object and everything reached through it, so that a document
// kept past quit() fails cleanly instead of touching a dead bridge.
class Instance {
public:
    Instance(std::shared_ptr<Watchdog> watchdog, std::shared_ptr<Reaper> reaper, std::shared_ptr<void> starter,
             PreparedOffice office, Limits limits);
    ~Instance();

    // Connects unless the office came connected.
    void connect(const Reference<css::uno::XComponentContext>& local);

    // Runs one call into the office under the watchdog; every UNO failure
    // becomes Failure with the office's message.
    template <class Call>
    auto call(Call&& body) -> decltype(body())
    {
        if (!mProcess)
            throw Failure(kEndedMessage);
        const auto watch = mWatchdog->watch(mProcess->pid(), mLimits.call);
        try {
            return body();
        } catch (const css::uno::Exception& exception) {
            throw Failure(watch->fired() ? timedOutMessage() : describeCaughtUnoException(exception));
        }
    }

    const Reference<css::frame::XDesktop2>& desktop() const { return mConnection.desktop; }
    QString scratchFolder() const;
    // Asks the office to end. Once it has agreed, the wait for it to leave
    // (and the kill when it does not) is the reaper's; otherwise it is killed.
    void quit();
    // Ends the process at once.
    void kill();
    bool ended() const { return !mProcess; }

    static inline const QString kEndedMessage =
        QStringLiteral("The LibreOffice instance has ended");

private:
    QString timedOutMessage() const;
    void dropConnection();

    std::shared_ptr<Watchdog> mWatchdog;
    std::shared_ptr<Reaper> mReaper;
    std::shared_ptr<void> mStarter;
    std::unique_ptr<OfficeProcess> mProcess;
    Limits mLimits;
    Connection mConnection;
};

// Keeps a few fresh instances ready ahead of demand. They are started on a
// thread of its own once the office is known to start, and again some time
// after each hand-out, so that start-ups do not compete with the instances in
// use; one after the other, so that the first is ready as soon as it can be.
// Each is connected and warmed up on a small
// blank document of our own, so that the first real load, save and page
// picture do not pay for loading the office's code. Such an instance has still
// served no one. A process dies with the thread that started it
// (PR_SET_PDEATHSIG), so whoever holds an instance started here holds this
// object too, and the thread lives until the last of them ends.
class Preparer {
public:
    Preparer(QString installDir, int count, std::chrono::milliseconds quietTime,
             std::shared_ptr<Watchdog> watchdog, Limits limits);
    ~Preparer();
    // Starts preparing now, if nothing is being prepared yet.
    void startNow();
    // A prepared instance that is still running; waits for one being warmed
    // up; null when there is none.
    PreparedOffice take();

private:
    void run();
    // Connects and warms up; false when the office failed on the way.
    bool warmUp(PreparedOffice& office, bool withPagePicture);

    QString mInstallDir;
    int mCount;
    std::chrono::milliseconds mQuietTime;
    std::shared_ptr<Watchdog> mWatchdog;
    Limits mLimits;
    std::mutex mMutex;
    std::condition_variable mChanged;
    std::deque<PreparedOffice> mReady;
    int mWarming = 0;
    std::chrono::steady_clock::time_point mDue;
    bool mStopping = false;
    std::thread mThread;
};

// Hands out fresh private instances, each used by one owner only.
class LibreOfficeEngine final : public Engine {
public:
    LibreOfficeEngine(QString installDir, int preparedInstances, Limits limits);
    ~LibreOfficeEngine() override;

    Ref<Application> createApplication() override;
    void checkAvailable() override;

private:
    QString mInstallDir;
    Limits mLimits;
    std::shared_ptr<Watchdog> mWatchdog;
    std::shared_ptr<Reaper> mReaper;
    std::shared_ptr<Preparer> mPreparer;
};

} // namespace velmora::office::lo
