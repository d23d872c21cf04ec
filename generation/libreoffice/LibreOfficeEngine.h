#pragma once

#include "generation/Office.h"
#include "generation/libreoffice/OfficeProcess.h"
#include "generation/libreoffice/UnoConnection.h"
#include "generation/libreoffice/Watchdog.h"

#include <com/sun/star/uno/Exception.hpp>
#include <cppuhelper/exc_hlp.hxx>
#include <deque>

namespace velmora::office::lo {

QString describeCaughtUnoException(const css::uno::Exception& exception);

// One private office process and the UNO connection to it. Shared by the
// application object and everything reached through it, so that a document
// kept past quit() fails cleanly instead of touching a dead bridge.
class Instance {
public:
    Instance(std::shared_ptr<Watchdog> watchdog, std::shared_ptr<void> starter,
             std::unique_ptr<OfficeProcess> process, std::chrono::milliseconds callLimit);
    ~Instance();

    void connect(const Reference<css::uno::XComponentContext>& local);

    // Runs one call into the office under the watchdog; every UNO failure
    // becomes Failure with the office's message.
    template <class Call>
    auto call(Call&& body) -> decltype(body())
    {
        if (!mProcess)
            throw Failure(kEndedMessage);
        const auto watch = mWatchdog->watch(mProcess->pid(), mCallLimit);
        try {
            return body();
        } catch (const css::uno::Exception& exception) {
            throw Failure(watch->fired() ? timedOutMessage() : describeCaughtUnoException(exception));
        }
    }

    const Reference<css::frame::XDesktop2>& desktop() const { return mConnection.desktop; }
    QString scratchFolder() const;
    // Asks the office to end and waits for it; kills it when it does not.
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
    std::shared_ptr<void> mStarter;
    std::unique_ptr<OfficeProcess> mProcess;
    std::chrono::milliseconds mCallLimit;
    Connection mConnection;
};

// Keeps a few fresh instances started ahead of demand. They are started on a
// thread of its own some time after each hand-out, so that start-ups do not
// compete with the instances in use. A process dies with the thread that
// started it (PR_SET_PDEATHSIG), so whoever holds an instance started here
// holds this object too, and the thread lives until the last of them ends.
class Preparer {
public:
    Preparer(QString installDir, int count, std::chrono::milliseconds quietTime);
    ~Preparer();
    // A prepared instance that is still running, or null.
    std::unique_ptr<OfficeProcess> take();

private:
    void run();

    QString mInstallDir;
    int mCount;
    std::chrono::milliseconds mQuietTime;
    std::mutex mMutex;
    std::condition_variable mChanged;
    std::deque<std::unique_ptr<OfficeProcess>> mReady;
    std::chrono::steady_clock::time_point mDue;
    bool mStopping = false;
    std::thread mThread;
};

// Hands out fresh private instances, each used by one owner only.
class LibreOfficeEngine final : public Engine {
public:
    LibreOfficeEngine(QString installDir, int preparedInstances, std::chrono::milliseconds callLimit);
    ~LibreOfficeEngine() override;

    Ref<Application> createApplication() override;

private:
    QString mInstallDir;
    std::chrono::milliseconds mCallLimit;
    std::shared_ptr<Watchdog> mWatchdog;
    std::shared_ptr<Preparer> mPreparer;
};

} // namespace velmora::office::lo
