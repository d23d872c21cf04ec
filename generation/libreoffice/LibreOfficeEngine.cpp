#include "generation/libreoffice/LibreOfficeEngine.h"

#include "generation/libreoffice/LibreOfficeDocument.h"
#include "generation/libreoffice/ModuleEntry.h"

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <thread>

namespace velmora::office::lo {

namespace {
// How long a terminated office may take to leave before it is killed.
constexpr std::chrono::milliseconds kExitGrace{10000};
// How long after the last hand-out prepared instances start: long enough for
// one invitation's road (fill, save, picture) to finish undisturbed.
constexpr std::chrono::milliseconds kQuietTime{2000};
} // namespace

QString describeCaughtUnoException(const css::uno::Exception& exception)
{
    const QString message = toQString(exception.Message).trimmed();
    if (!message.isEmpty())
        return message;
    return QStringLiteral("LibreOffice failed (%1)")
        .arg(toQString(cppu::getCaughtException().getValueTypeName()));
}

Instance::Instance(std::shared_ptr<Watchdog> watchdog, std::shared_ptr<void> starter,
                   std::unique_ptr<OfficeProcess> process, std::chrono::milliseconds callLimit)
    : mWatchdog(std::move(watchdog)),
      mStarter(std::move(starter)),
      mProcess(std::move(process)),
      mCallLimit(callLimit)
{
}

Instance::~Instance()
{
    kill();
}

void Instance::connect(const Reference<css::uno::XComponentContext>& local)
{
    const auto deadline = std::chrono::steady_clock::now() + mCallLimit;
    OfficeProcess& process = *mProcess;
    try {
        call([&] {
            mConnection = connectToPipe(local, process.pipeName(), [&] { return process.isRunning(); },
                                        deadline);
        });
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
        .arg(double(mCallLimit.count()) / 1000.0);
}

void Instance::dropConnection()
{
    const Reference<css::lang::XComponent> bridge(mConnection.bridge, css::uno::UNO_QUERY);
    mConnection = {};
    if (bridge.is()) {
        try {
            bridge->dispose();
        } catch (const css::uno::Exception&) {
        }
    }
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
        // The office may leave before its answer arrives: that is a success.
        failure = error.description();
    }
    dropConnection();
    if (!terminated && !failure.isEmpty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (!mProcess->isRunning())
            failure.clear();
    }
    mProcess->end(terminated ? int(kExitGrace.count()) : 0);
    mProcess.reset();
    if (!failure.isEmpty())
        throw Failure(failure);
    if (!terminated)
        throw Failure(QStringLiteral("LibreOffice refused to end and was killed"));
}

void Instance::kill()
{
    dropConnection();
    mProcess.reset();
}

Preparer::Preparer(QString installDir, int count, std::chrono::milliseconds quietTime)
    : mInstallDir(std::move(installDir)),
      mCount(count),
      mQuietTime(quietTime),
      mDue(std::chrono::steady_clock::time_point::max()),
      mThread([this] { run(); })
{
}

Preparer::~Preparer()
{
    {
        std::lock_guard lock(mMutex);
        mStopping = true;
    }
    mChanged.notify_all();
    mThread.join();
    mReady.clear();
}

std::unique_ptr<OfficeProcess> Preparer::take()
{
    std::unique_ptr<OfficeProcess> taken;
    {
        std::lock_guard lock(mMutex);
        while (!taken && !mReady.empty()) {
            taken = std::move(mReady.front());
            mReady.pop_front();
            if (!taken->isRunning())
                taken.reset();
        }
        mDue = std::chrono::steady_clock::now() + mQuietTime;
    }
    mChanged.notify_all();
    return taken;
}

void Preparer::run()
{
    std::unique_lock lock(mMutex);
    while (!mStopping) {
        if (int(mReady.size()) >= mCount) {
            mChanged.wait(lock);
            continue;
        }
        if (mDue == std::chrono::steady_clock::time_point::max()) {
            mChanged.wait(lock); // nothing asked for yet
            continue;
        }
        if (std::chrono::steady_clock::now() < mDue) {
            mChanged.wait_until(lock, mDue);
            continue;
        }
        lock.unlock();
        std::unique_ptr<OfficeProcess> process;
        try {
            process = OfficeProcess::start(mInstallDir);
        } catch (const Failure&) {
            // The next creation starts one itself and reports why it cannot.
        }
        lock.lock();
        if (!process) {
            mDue = std::chrono::steady_clock::now() + mQuietTime;
            continue;
        }
        mReady.push_back(std::move(process));
    }
}

LibreOfficeEngine::LibreOfficeEngine(QString installDir, int preparedInstances,
                                     std::chrono::milliseconds callLimit)
    : mInstallDir(std::move(installDir)),
      mCallLimit(callLimit),
      mWatchdog(std::make_shared<Watchdog>())
{
    if (preparedInstances > 0)
        mPreparer = std::make_shared<Preparer>(mInstallDir, preparedInstances, kQuietTime);
}

LibreOfficeEngine::~LibreOfficeEngine() = default;

Ref<Application> LibreOfficeEngine::createApplication()
{
    // Nothing is prepared before the first creation: a program that never
    // asks for an office never starts one.
    std::unique_ptr<OfficeProcess> process = mPreparer ? mPreparer->take() : nullptr;
    if (!process)
        process = OfficeProcess::start(mInstallDir);

    auto instance = std::make_shared<Instance>(mWatchdog, mPreparer, std::move(process), mCallLimit);
    Reference<css::uno::XComponentContext> local;
    try {
        local = clientContext(mInstallDir);
    } catch (const css::uno::Exception& exception) {
        throw Failure(describeCaughtUnoException(exception));
    }
    instance->connect(local);
    return Ref<Application>(std::make_shared<LibreOfficeApplication>(std::move(instance)));
}

} // namespace velmora::office::lo

extern "C" __attribute__((visibility("default"))) velmora::office::Engine*
velmoraCreateOfficeEngine(const VelmoraOfficeOptions* options)
{
    return std::make_unique<velmora::office::lo::LibreOfficeEngine>(
        QString::fromUtf8(options->libreOfficeDir), options->preparedInstances,
               std::chrono::milliseconds(options->callTimeoutMs))
        .release();
}
