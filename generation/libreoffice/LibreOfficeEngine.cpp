#include "generation/libreoffice/LibreOfficeEngine.h"

#include "generation/ModuleEntry.h"
#include "generation/libreoffice/LibreOfficeApplication.h"
#include "generation/libreoffice/Preparer.h"
#include "generation/libreoffice/Reaper.h"

namespace velmora::office::lo {

namespace {
// How long after the last hand-out prepared instances start: long enough for
// one invitation's road (fill, save, picture) to finish undisturbed.
constexpr std::chrono::milliseconds kQuietTime{1000};
} // namespace

LibreOfficeEngine::LibreOfficeEngine(QString installDir, int preparedInstances, Limits limits)
    : mInstallDir(std::move(installDir)), mLimits(limits), mWatchdog(std::make_shared<Watchdog>()),
      mReaper(std::make_shared<Reaper>())
{
    if (preparedInstances > 0)
        mPreparer = std::make_shared<Preparer>(mInstallDir, preparedInstances, kQuietTime,
                                               mWatchdog, limits);
}

LibreOfficeEngine::~LibreOfficeEngine()
{
    // Offices still leaving are ended now; prepared ones go with the preparer.
    mReaper->finish();
    mPreparer.reset();
}

Ref<Application> LibreOfficeEngine::createApplication()
{
    // Nothing is prepared before the office is known to start or the first
    // creation: a program that never asks for an office never starts one.
    PreparedOffice office = mPreparer ? mPreparer->take() : PreparedOffice{};
    if (!office.process)
        office.process = OfficeProcess::start(mInstallDir);

    auto instance =
        std::make_shared<Instance>(mWatchdog, mReaper, mPreparer, std::move(office), mLimits);
    Reference<css::uno::XComponentContext> local;
    try {
        local = clientContext(mInstallDir);
    } catch (const css::uno::Exception& exception) {
        throw Failure(describeCaughtUnoException(exception));
    }
    instance->connect(local);
    return Ref<Application>(std::make_shared<LibreOfficeApplication>(std::move(instance)));
}

void LibreOfficeEngine::checkAvailable()
{
    OfficeProcess::checkStarts(mInstallDir, mLimits.start);
    if (mPreparer)
        mPreparer->startNow();
}

} // namespace velmora::office::lo

extern "C" __attribute__((visibility("default"))) velmora::office::Engine*
velmoraCreateOfficeEngine(const VelmoraOfficeOptions* options)
{
    return std::make_unique<velmora::office::lo::LibreOfficeEngine>(
               QString::fromUtf8(options->libreOfficeDir), options->preparedInstances,
               velmora::office::lo::Limits{std::chrono::milliseconds(options->startTimeoutMs),
                                           std::chrono::milliseconds(options->callTimeoutMs)})
        .release();
}
