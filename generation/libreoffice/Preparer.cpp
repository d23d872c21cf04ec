#include "generation/libreoffice/Preparer.h"

#include "generation/libreoffice/PagePicture.h"
#include "generation/libreoffice/StoreArguments.h"

#include <QFile>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>

namespace velmora::office::lo {

namespace {

Reference<css::lang::XComponent> loadHidden(const Reference<css::frame::XDesktop2>& desktop,
                                            const OUString& url)
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

void discard(PreparedOffice& office)
{
    disposeBridge(office.connection);
    office.process.reset();
}

} // namespace

Preparer::Preparer(QString installDir, int count, std::chrono::milliseconds quietTime,
                   std::shared_ptr<Watchdog> watchdog, Limits limits)
    : mInstallDir(std::move(installDir)), mCount(count), mQuietTime(quietTime),
      mWatchdog(std::move(watchdog)), mLimits(limits),
      mDue(std::chrono::steady_clock::time_point::max()), mThread([this] { run(); })
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
    const QString picture = process.scratchFolder() + QStringLiteral("/warm-up.bmp");
    try {
        const Reference<css::uno::XComponentContext> local = clientContext(mInstallDir);
        {
            const auto starting = mWatchdog->watch(process.pid(), mLimits.start);
            office.connection = connectToPipe(
                local, process.pipeName(), [&] { return !stopping() && !process.hasEnded(); },
                std::chrono::steady_clock::now() + mLimits.start);
            process.notePipes();
        }
        const auto watch = mWatchdog->watch(process.pid(), mLimits.call);

        // The road of an invitation on a blank page of our own: a Word file
        // written, read back and pictured, then closed.
        Reference<css::lang::XComponent> model =
            loadHidden(office.connection.desktop, OUString("private:factory/swriter"));
        Reference<css::text::XTextDocument>(model, UNO_QUERY_THROW)
            ->getText()
            ->setString(OUString("Velmora"));
        Reference<css::frame::XStorable>(model, UNO_QUERY_THROW)
            ->storeToURL(fileUrl(document), wordDocumentArguments());
        Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        if (stopping())
            return false;

        if (withPagePicture) {
            model = loadHidden(office.connection.desktop, fileUrl(document));
            renderPagePicture(office.connection.context, model, QSize(170, 220), fileUrl(picture));
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
        // (This thread is the only one that warms up, so none is warming now.)
        const bool forPagePicture = !mReady.empty();
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

} // namespace velmora::office::lo
