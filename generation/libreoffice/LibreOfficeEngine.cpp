#include "generation/libreoffice/LibreOfficeEngine.h"

#include "generation/libreoffice/LibreOfficeDocument.h"
#include "generation/libreoffice/ModuleEntry.h"

#include <QFile>
#include <QUrl>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <thread>

namespace velmora::office::lo {

namespace {
// How long an office that agreed to end may take to leave before it is killed.
constexpr std::chrono::milliseconds kExitGrace{10000};
// How long after the last hand-out prepared instances start: long enough for
// one invitation's road (fill, save, picture) to finish undisturbed.
constexpr std::chrono::milliseconds kQuietTime{1000};
// How often the reaper looks for offices that have left.
constexpr std::chrono::milliseconds kReapInterval{10};

using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;
using ::rtl::OUString;

Reference<css::lang::XComponent> loadHidden(const Reference<css::frame::XDesktop2>& desktop, const OUString& url)
{
    Sequence<css::beans::PropertyValue> arguments(1);
    arguments.getArray()[0] = property("Hidden", Any(true));
    const Reference<css::lang::XComponent> model =
        Reference<css::frame::XComponentLoader>(desktop, UNO_QUERY_THROW)
            ->loadComponentFromURL(url, OUString("_blank"), 0, arguments);
    if (!model.is())
        throw Failure(QStringLiteral("LibreOffice could not make its warm-up document"));
    return model;
}

void disposeBridge(Connection& connection)
{
    const Reference<css::lang::XComponent> bridge(connection.bridge, css::uno::UNO_QUERY);
    connection = {};
    if (bridge.is()) {
        try {
            bridge->dispose();
        } catch (const css::uno::Exception&) {
        }
    }
}

void discard(PreparedOffice& office)
{
    disposeBridge(office.connection);
    office.process.reset();
}

} // namespace

QString describeCaughtUnoException(const css::uno::Exception& exception)
{
    const QString message = toQString(exception.Message).trimmed();
    if (!message.isEmpty())
        return message;
    return QStringLiteral("LibreOffice failed (%1)")
        .arg(toQString(cppu::getCaughtException().getValueTypeName()));
}

Reaper::Reaper() : mThread([this] { run(); }) {}

Reaper::~Reaper()
{
    finish();
}

void Reaper::hand(std::unique_ptr<OfficeProcess> process, std::shared_ptr<void> keepAlive,
                  std::chrono::milliseconds grace)
{
    {
        std::lock_guard lock(mMutex);
        if (!mFinished) {
            mPending.push_back({std::move(process), std::move(keepAlive), std::chrono::steady_clock::now() + grace});
            mChanged.notify_all();
            return;
        }
    }
    process->end(int(grace.count()));
}

void Reaper::finish()
{
    {
        std::lock_guard lock(mMutex);
        mFinished = true;
    }
    mChanged.notify_all();
    if (mThread.joinable())
        mThread.join();
    for (Pending& pending : mPending)
        pending.process.reset(); // killed, reaped, folder removed; then its starter may go
    mPending.clear();
}

void Reaper::run()
{
    std::unique_lock lock(mMutex);
    while (!mFinished) {
        if (mPending.empty()) {
            mChanged.wait(lock);
            continue;
        }
        std::vector<Pending> done;
        const auto now = std::chrono::steady_clock::now();
        for (auto pending = mPending.begin(); pending != mPending.end();) {
            if (now >= pending->deadline || !pending->process->isRunning()) {
                done.push_back(std::move(*pending));
                pending = mPending.erase(pending);
            } else {
                ++pending;
            }
        }
        lock.unlock();
        for (Pending& pending : done)
            pending.process.reset();
        done.clear();
        lock.lock();
        if (!mPending.empty())
            mChanged.wait_for(lock, kReapInterval);
    }
}

Instance::Instance(std::shared_ptr<Watchdog> watchdog, std::shared_ptr<Reaper> reaper,
                   std::shared_ptr<void> starter, PreparedOffice office, Limits limits)
    : mWatchdog(std::move(watchdog)),
      mReaper(std::move(reaper)),
      mStarter(std::move(starter)),
      mProcess(std::move(office.process)),
      mLimits(limits),
      mConnection(std::move(office.connection))
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
            mConnection = connectToPipe(local, process.pipeName(), [&] { return !process.hasEnded(); },
                                        std::chrono::steady_clock::now() + mLimits.start);
        } catch (const css::uno::Exception& exception) {
            throw Failure(watch->fired() ? QStringLiteral("LibreOffice did not start within %1 s and was ended")
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

void Instance::kill()
{
    dropConnection();
    mProcess.reset();
}

Preparer::Preparer(QString installDir, int count, std::chrono::milliseconds quietTime,
                   std::shared_ptr<Watchdog> watchdog, Limits limits)
    : mInstallDir(std::move(installDir)),
      mCount(count),
      mQuietTime(quietTime),
      mWatchdog(std::move(watchdog)),
      mLimits(limits),
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
    for (PreparedOffice& office : mReady)
        discard(office);
    mReady.clear();
}

void Preparer::startNow()
{
    {
        std::lock_guard lock(mMutex);
        if (mDue != std::chrono::steady_clock::time_point::max())
            return;
        mDue = std::chrono::steady_clock::now();
    }
    mChanged.notify_all();
}

PreparedOffice Preparer::take()
{
    PreparedOffice taken;
    {
        std::unique_lock lock(mMutex);
        for (;;) {
            while (!taken.process && !mReady.empty()) {
                taken = std::move(mReady.front());
                mReady.pop_front();
                if (!taken.process->isRunning())
                    discard(taken);
            }
            // One being warmed up is ready sooner than one started now.
            if (taken.process || mWarming == 0 || mStopping)
                break;
            mChanged.wait(lock);
        }
        mDue = std::chrono::steady_clock::now() + mQuietTime;
    }
    mChanged.notify_all();
    return taken;
}

bool Preparer::warmUp(PreparedOffice& office, bool withPagePicture)
{
    OfficeProcess& process = *office.process;
    const auto stopping = [&] {
        std::lock_guard lock(mMutex);
        return mStopping;
    };
    const QString document = process.scratchFolder() + QStringLiteral("/warm-up.doc");
    const QString picture = process.scratchFolder() + QStringLiteral("/warm-up.png");
    try {
        const Reference<css::uno::XComponentContext> local = clientContext(mInstallDir);
        {
            const auto starting = mWatchdog->watch(process.pid(), mLimits.start);
            office.connection = connectToPipe(
                local, process.pipeName(), [&] { return !stopping() && !process.hasEnded(); },
                std::chrono::steady_clock::now() + mLimits.start);
        }
        const auto watch = mWatchdog->watch(process.pid(), mLimits.call);

        // The road of an invitation on a blank page of our own: a Word file
        // written, read back and pictured, then closed.
        Reference<css::lang::XComponent> model =
            loadHidden(office.connection.desktop, OUString("private:factory/swriter"));
        Reference<css::text::XTextDocument>(model, UNO_QUERY_THROW)->getText()->setString(OUString("Velmora"));
        Sequence<css::beans::PropertyValue> word(1);
        word.getArray()[0] = property("FilterName", Any(OUString("MS Word 97")));
        Reference<css::frame::XStorable>(model, UNO_QUERY_THROW)->storeToURL(fileUrl(document), word);
        Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        if (stopping())
            return false;

        if (withPagePicture) {
            model = loadHidden(office.connection.desktop, fileUrl(document));
            Sequence<css::beans::PropertyValue> filterData(2);
            filterData.getArray()[0] = property("PixelWidth", Any(sal_Int32(170)));
            filterData.getArray()[1] = property("PixelHeight", Any(sal_Int32(220)));
            Sequence<css::beans::PropertyValue> png(2);
            png.getArray()[0] = property("FilterName", Any(OUString("writer_png_Export")));
            png.getArray()[1] = property("FilterData", Any(filterData));
            Reference<css::frame::XStorable>(model, UNO_QUERY_THROW)->storeToURL(fileUrl(picture), png);
            Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        }
    } catch (const css::uno::Exception&) {
        return false;
    } catch (const Failure&) {
        return false;
    }
    QFile::remove(document);
    QFile::remove(picture);
    return !stopping() && process.isRunning();
}

void Preparer::run()
{
    std::unique_lock lock(mMutex);
    while (!mStopping) {
        const int missing = mCount - int(mReady.size()) - mWarming;
        if (missing <= 0 || mDue == std::chrono::steady_clock::time_point::max()) {
            mChanged.wait(lock); // enough waiting, or nothing asked for yet
            continue;
        }
        if (std::chrono::steady_clock::now() < mDue) {
            mChanged.wait_until(lock, mDue);
            continue;
        }
        // One at a time: offices starting side by side share the machine, so
        // the first would be ready only when all are.
        // Instances are handed out in the order they were prepared, and an
        // invitation takes the first to fill the template and the next for
        // its page picture: only one behind another is warmed up for the
        // picture too, which would cost the other some 14 MB for nothing.
        const bool forPagePicture = !mReady.empty() || mWarming > 0;
        ++mWarming;
        lock.unlock();
        PreparedOffice office;
        bool ready = false;
        try {
            office.process = OfficeProcess::start(mInstallDir);
            ready = warmUp(office, forPagePicture);
        } catch (const Failure&) {
            // The next creation starts one itself and reports why it cannot.
        }
        if (!ready)
            discard(office);
        lock.lock();
        if (ready)
            mReady.push_back(std::move(office));
        --mWarming;
        mChanged.notify_all();
        if (!ready && !mStopping)
            mDue = std::chrono::steady_clock::now() + mQuietTime;
    }
}

LibreOfficeEngine::LibreOfficeEngine(QString installDir, int preparedInstances, Limits limits)
    : mInstallDir(std::move(installDir)),
      mLimits(limits),
      mWatchdog(std::make_shared<Watchdog>()),
      mReaper(std::make_shared<Reaper>())
{
    if (preparedInstances > 0)
        mPreparer = std::make_shared<Preparer>(mInstallDir, preparedInstances, kQuietTime, mWatchdog, limits);
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

    auto instance = std::make_shared<Instance>(mWatchdog, mReaper, mPreparer, std::move(office), mLimits);
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
