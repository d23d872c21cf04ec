#pragma once

#include "generation/libreoffice/OfficeProcess.h"
#include "generation/libreoffice/UnoConnection.h"
#include "generation/libreoffice/Watchdog.h"
#include "platform/Failure.h"

#include <atomic>
#include <chrono>
#include <com/sun/star/uno/Exception.hpp>
#include <memory>

namespace velmora::office::lo {

class Reaper;

QString describeCaughtUnoException(const css::uno::Exception& exception);

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
    Instance(std::shared_ptr<Watchdog> watchdog, std::shared_ptr<Reaper> reaper,
             std::shared_ptr<void> starter, PreparedOffice office, Limits limits);
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
        // Checked once watched, so that an abandon() at any moment either
        // finds this call's watch or is seen here.
        if (mAbandoned)
            throw Failure(kEndedMessage);
        try {
            return body();
        } catch (const css::uno::Exception& exception) {
            throw Failure(mAbandoned       ? kEndedMessage
                          : watch->fired() ? timedOutMessage()
                                           : describeCaughtUnoException(exception));
        }
    }

    const Reference<css::frame::XDesktop2>& desktop() const { return mConnection.desktop; }
    const Reference<css::uno::XComponentContext>& context() const { return mConnection.context; }
    QString scratchFolder() const;
    // Asks the office to end. Once it has agreed, the wait for it to leave
    // (and the kill when it does not) is the reaper's; otherwise it is killed.
    void quit();
    // Ends the process at once.
    void kill();
    // Safe from any thread: the call under way, and every later one, fails
    // now (the watchdog kills the office at once).
    void abandon();
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
    const pid_t mPid;
    std::atomic<bool> mAbandoned{false};
};

} // namespace velmora::office::lo
