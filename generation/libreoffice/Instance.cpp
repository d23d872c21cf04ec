#include "generation/libreoffice/Instance.h"

#include "generation/libreoffice/Reaper.h"

#include <cppuhelper/exc_hlp.hxx>

namespace velmora::office::lo {

namespace {
// How long an office that agreed to end may take to leave before it is killed.
constexpr std::chrono::milliseconds kExitGrace{10000};
} // namespace

QString describeCaughtUnoException(const css::uno::Exception& exception)
{
    const QString message = toQString(exception.Message).trimmed();
    if (!message.isEmpty())
        return message;
    return QStringLiteral("LibreOffice failed (%1)")
        .arg(toQString(cppu::getCaughtException().getValueTypeName()));
}

Instance::Instance(std::shared_ptr<Watchdog> watchdog, std::shared_ptr<Reaper> reaper,
                   std::shared_ptr<void> starter, PreparedOffice office, Limits limits)
    : mWatchdog(std::move(watchdog)), mReaper(std::move(reaper)), mStarter(std::move(starter)),
      mProcess(std::move(office.process)), mLimits(limits),
      mConnection(std::move(office.connection)), mPid(mProcess ? mProcess->pid() : -1)
{
}

Instance::~Instance()
{
    kill();
}

void Instance::connect(const Reference<css::uno::XComponentContext>& local)
{
    if (mConnection.desktop.is())
        return;
    OfficeProcess& process = *mProcess;
    try {
        // Under the start limit, not a call's: the office may still be starting.
        const auto watch = mWatchdog->watch(process.pid(), mLimits.start);
        try {
            mConnection = connectToPipe(
                local, process.pipeName(), [&] { return !process.hasEnded(); },
                std::chrono::steady_clock::now() + mLimits.start);
            process.notePipes();
        } catch (const css::uno::Exception& exception) {
            throw Failure(
                watch->fired()
                    ? QStringLiteral("LibreOffice did not start within %1 s and was ended")
                          .arg(double(mLimits.start.count()) / 1000.0)
                    : describeCaughtUnoException(exception));
        }
    } catch (...) {
        kill();
        throw;
    }
}

QString Instance::scratchFolder() const
{
    if (!mProcess)
        throw Failure(kEndedMessage);
    return mProcess->scratchFolder();
}

QString Instance::timedOutMessage() const
{
    return QStringLiteral("LibreOffice did not answer within %1 s and was ended")
        .arg(double(mLimits.call.count()) / 1000.0);
}

void Instance::dropConnection()
{
    disposeBridge(mConnection);
}

void Instance::quit()
{
    if (!mProcess)
        throw Failure(kEndedMessage);
    bool terminated = false;
    QString failure;
    try {
        terminated = call([&] { return mConnection.desktop->terminate(); });
    } catch (const Failure& error) {
        failure = error.description();
    }
    dropConnection();
    if (terminated) {
        // Agreed: the office is leaving. Nobody needs to wait for that.
        mReaper->hand(std::move(mProcess), std::move(mStarter), kExitGrace);
        return;
    }
    mProcess.reset();
    if (!failure.isEmpty())
        throw Failure(failure);
    throw Failure(QStringLiteral("LibreOffice refused to end and was killed"));
}

void Instance::abandon()
{
    mAbandoned = true;
    if (mPid > 0)
        mWatchdog->expire(mPid);
}

void Instance::kill()
{
    dropConnection();
    mProcess.reset();
}

} // namespace velmora::office::lo
