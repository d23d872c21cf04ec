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
} // namespace

QString describeCaughtUnoException(const css::uno::Exception& exception)
{
    const QString message = toQString(exception.Message).trimmed();
    if (!message.isEmpty())
        return message;
    return QStringLiteral("LibreOffice failed (%1)")
        .arg(toQString(cppu::getCaughtException().getValueTypeName()));
}

Instance::Instance(std::shared_ptr<Watchdog> watchdog, std::unique_ptr<OfficeProcess> process,
                   std::chrono::milliseconds callLimit)
    : mWatchdog(std::move(watchdog)), mProcess(std::move(process)), mCallLimit(callLimit)
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

LibreOfficeEngine::LibreOfficeEngine(QString installDir, int preparedInstances,
                                     std::chrono::milliseconds callLimit)
    : mInstallDir(std::move(installDir)),
      mPreparedInstances(preparedInstances),
      mCallLimit(callLimit),
      mWatchdog(std::make_shared<Watchdog>())
{
}

LibreOfficeEngine::~LibreOfficeEngine() = default;

Ref<Application> LibreOfficeEngine::createApplication()
{
    std::unique_ptr<OfficeProcess> process;
    while (!process && !mPrepared.empty()) {
        process = std::move(mPrepared.front());
        mPrepared.pop_front();
        if (!process->isRunning())
            process.reset();
    }
    if (!process)
        process = OfficeProcess::start(mInstallDir);

    auto instance = std::make_shared<Instance>(mWatchdog, std::move(process), mCallLimit);
    Reference<css::uno::XComponentContext> local;
    try {
        local = clientContext(mInstallDir);
    } catch (const css::uno::Exception& exception) {
        throw Failure(describeCaughtUnoException(exception));
    }
    instance->connect(local);
    // Started only once this instance is connected, so that the start-ups do
    // not slow down the one asked for now.
    prepareInstances();
    return Ref<Application>(std::make_shared<LibreOfficeApplication>(std::move(instance)));
}

void LibreOfficeEngine::prepareInstances()
{
    while (int(mPrepared.size()) < mPreparedInstances) {
        try {
            mPrepared.push_back(OfficeProcess::start(mInstallDir));
        } catch (const Failure&) {
            return; // the next createApplication starts one itself and reports
        }
    }
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
