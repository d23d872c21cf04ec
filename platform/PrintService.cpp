#include "platform/PrintService.h"

#include "platform/Termination.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <thread>

namespace velmora {

namespace {

// What a call and its caller share; the last of them to let go frees it.
struct Call {
    PrintCancel cancel;
    std::atomic<bool> done = false;
    std::exception_ptr error;
};

// "Waiting for the print service…", with Cancel; the other windows take no
// input while it shows.
class WaitingBox {
public:
    WaitingBox()
        : mBox(new QProgressDialog(QStringLiteral("Waiting for the print service…"),
                                   QStringLiteral("Cancel"), 0, 0, QApplication::activeWindow()))
    {
        mBox->setWindowTitle(QStringLiteral("Print"));
        mBox->setAccessibleName(mBox->labelText());
        mBox->setWindowModality(Qt::ApplicationModal);
        mBox->setMinimumDuration(0);
        // The busy pointer stays with the windows behind.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        QObject::connect(mBox, &QProgressDialog::canceled, [this] { mCancelled = true; });
        mBox->show();
    }
    ~WaitingBox()
    {
        QApplication::restoreOverrideCursor();
        delete mBox.data();
    }
    WaitingBox(const WaitingBox&) = delete;
    WaitingBox& operator=(const WaitingBox&) = delete;

    // Cancel, Escape and the window's close all end the wait.
    bool cancelled() const { return mCancelled || !mBox || !mBox->isVisible(); }

private:
    QPointer<QProgressDialog> mBox;
    bool mCancelled = false;
};

} // namespace

PrintWaitCancelled::PrintWaitCancelled()
    : Failure(QStringLiteral("The wait for the print service was cancelled"))
{
}

PrintService::PrintService(std::shared_ptr<PrintSpooler> spooler) : mSpooler(std::move(spooler))
{
    if (!mSpooler)
        throw Failure(QStringLiteral("No print service is at hand"));
}

QList<Printer> PrintService::printers()
{
    auto printers = std::make_shared<QList<Printer>>();
    await([printers](PrintSpooler& spooler,
                     PrintCancel& cancel) { *printers = spooler.printers(cancel); },
          kListLimit);
    return *printers;
}

int PrintService::submit(const PrintSettings& settings, const QString& title, const QByteArray& pdf)
{
    auto job = std::make_shared<int>(0);
    await(
        [job, settings, title, pdf](PrintSpooler& spooler, PrintCancel& cancel) {
            *job = spooler.submit(settings, title, pdf, cancel);
        },
        kSubmitLimit);
    return *job;
}

void PrintService::await(std::function<void(PrintSpooler&, PrintCancel&)> work,
                         std::chrono::milliseconds limit)
{
    auto call = std::make_shared<Call>();
    std::thread([call, spooler = mSpooler, work = std::move(work)] {
        try {
            work(*spooler, call->cancel);
        } catch (...) {
            call->error = std::current_exception();
        }
        call->done.store(true, std::memory_order_release);
    }).detach();

    // The thread cannot safely reach this one's event loop, which may be gone
    // when it ends: the loop looks for its end instead.
    QTimer tick;
    tick.start(20);
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<WaitingBox> box;
    QEventLoop loop;
    const bool windows = qobject_cast<QApplication*>(QCoreApplication::instance());
    while (!call->done.load(std::memory_order_acquire)) {
        if (clock.elapsed() >= limit.count()) {
            call->cancel.raise();
            throw PrintServiceSilent(QStringLiteral("The print service does not answer"));
        }
        if ((box && box->cancelled()) || terminationRequested()) {
            call->cancel.raise();
            throw PrintWaitCancelled();
        }
        if (!box && windows && clock.elapsed() >= kQuietWait.count())
            box = std::make_unique<WaitingBox>();
        // Until the box shows, input waits for the window it was meant for.
        loop.processEvents((box ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents)
                           | QEventLoop::WaitForMoreEvents);
    }
    if (call->error)
        std::rethrow_exception(call->error);
}

} // namespace velmora
