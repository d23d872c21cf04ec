#include "generation/GuestInvitations.h"

#include "generation/FillingRun.h"
#include "generation/GuestList.h"
#include "generation/Invitation.h"
#include "generation/PdfPages.h"
#include "generation/PngEncoding.h"
#include "generation/PrintAndExport.h"
#include "platform/Failure.h"
#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

namespace velmora {

const QString kGuestsFilter = QStringLiteral(
    "One PDF, a page for each guest (*.pdf)|*.pdf|A PDF for each guest (*.pdf)|*.pdf|"
    "A picture for each guest (*.png)|*.png");

GuestsTarget guestsTarget(const QString& path, int filterEntry)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return {path, GuestOutput::PictureEach};
    if (suffix == QLatin1String("pdf"))
        return {path, filterEntry == 1 ? GuestOutput::PdfEach : GuestOutput::OnePdf};
    switch (filterEntry) {
    case 1:
        return {path + QStringLiteral(".pdf"), GuestOutput::PdfEach};
    case 2:
        return {path + QStringLiteral(".png"), GuestOutput::PictureEach};
    default:
        return {path + QStringLiteral(".pdf"), GuestOutput::OnePdf};
    }
}

QStringList guestsFiles(const GuestsTarget& target, const QStringList& guests)
{
    if (target.output == GuestOutput::OnePdf)
        return {target.path};
    const QFileInfo chosen(target.path);
    const QDir folder = chosen.dir();
    QStringList files;
    for (const QString& name :
         guests::fileNames(chosen.completeBaseName(), guests, QLatin1Char('.') + chosen.suffix()))
        files << folder.filePath(name);
    return files;
}

GuestInvitations::GuestInvitations(office::Engine& engine, Order order, Progress progress,
                                   Finished finished, int offices)
    : mEngine(engine), mOrder(std::move(order)), mProgress(std::move(progress)),
      mFinished(std::move(finished)), mMade(mOrder.guests.size(), false), mWhy(mOrder.guests.size())
{
    try {
        mPagesFolder = createPrivateFolderIn(temporaryFolder(), QStringLiteral("guests"));
    } catch (const Failure& failure) {
        mStartFailure = failure.description();
    }
    const int count = std::max(1, std::min<int>(offices, mOrder.guests.size()));
    mWorking = count;
    for (int worker = 0; worker < count; ++worker)
        mWorkers.emplace_back([this] { work(); });
}

GuestInvitations::~GuestInvitations()
{
    mSilent = true;
    cancel();
    for (std::thread& worker : mWorkers)
        worker.join();
    if (!mPagesFolder.isEmpty())
        QDir(mPagesFolder).removeRecursively();
}

void GuestInvitations::cancel()
{
    mCancelled = true;
    const std::lock_guard lock(mMutex);
    for (const std::shared_ptr<office::Application>& application : mInUse)
        application->abandon();
}

QString GuestInvitations::pagePath(int index) const
{
    return mPagesFolder + QStringLiteral("/%1.pdf").arg(index, 4, 10, QLatin1Char('0'));
}

QString GuestInvitations::makeFilled(office::Application& application)
{
    InvitationValues values = mOrder.values;
    values.guest = invitation::kGuestTag;
    const FilledDesign filled(application, mOrder.design, values);
    const QString path = mPagesFolder + QStringLiteral("/filled-%1.doc").arg(mFilledCount++);
    filled.document()->saveAs(path);
    return path;
}

void GuestInvitations::work()
{
    std::shared_ptr<office::Application> application;
    // The invitation filled with all but the guest's name, once, and opened
    // again for each guest: a guest then costs the name alone.
    QString filled;
    const auto end = [&] {
        if (!application)
            return;
        {
            const std::lock_guard lock(mMutex);
            std::erase(mInUse, application);
        }
        office::quitQuietly(*application);
        application.reset();
    };
    while (!mCancelled) {
        {
            const std::lock_guard lock(mMutex);
            if (mPagesFolder.isEmpty())
                break;
        }
        if (!application) {
            try {
                application = mEngine.createApplication().get();
            } catch (const Failure& failure) {
                const std::lock_guard lock(mMutex);
                mStartFailure = failure.description();
                break;
            }
            const std::lock_guard lock(mMutex);
            mInUse.push_back(application);
            // Cancelled while it was being created: cancel() has looked already.
            if (mCancelled)
                application->abandon();
        }
        if (filled.isEmpty()) {
            try {
                filled = makeFilled(*application);
            } catch (const Failure& failure) {
                const std::lock_guard lock(mMutex);
                mStartFailure = failure.description();
                break;
            }
        }
        const int index = mNext++;
        if (index >= mOrder.guests.size())
            break;
        try {
            makeOne(*application, filled, index);
        } catch (const Failure& failure) {
            {
                const std::lock_guard lock(mMutex);
                mWhy[index] = failure.description();
            }
            // The office may have ended under this guest: the next one gets
            // an office of its own.
            end();
        }
        if (!mCancelled && mProgress)
            mProgress(++mDone, mOrder.guests.size());
    }
    end();
    if (--mWorking == 0)
        finish();
}

void GuestInvitations::makeOne(office::Application& application, const QString& filled, int index)
{
    const office::Ref<office::Document> document = application.open(filled, true);
    const auto close = qScopeGuard([&] {
        try {
            document->close();
        } catch (const Failure&) {
            // The office is ended with its application either way.
        }
    });
    fillGuestLine(*document.get(), mOrder.guests[index]);
    document->fitTextToBoxes(kSmallestTypePoints);
    if (mCancelled)
        return;
    switch (mOrder.output) {
    case GuestOutput::OnePdf:
        replaceFileWhole(pagePath(index), document->pagePdf(mOrder.title));
        break;
    case GuestOutput::PdfEach:
        replaceFileWhole(mOrder.files[index], document->pagePdf(mOrder.title));
        break;
    case GuestOutput::PictureEach: {
        const QByteArray png = encodePng(pagePictureAt(document, kSharedPictureDpi));
        if (png.isEmpty())
            throw Failure(QStringLiteral("The picture could not be encoded"));
        replaceFileWhole(mOrder.files[index], png);
        break;
    }
    }
    const std::lock_guard lock(mMutex);
    mMade[index] = true;
}

void GuestInvitations::finish()
{
    GuestsOutcome outcome;
    outcome.cancelled = mCancelled && !mSilent;
    QStringList pages;
    for (int index = 0; index < mOrder.guests.size(); ++index) {
        if (mMade[index]) {
            ++outcome.made;
            pages << pagePath(index);
        } else if (!mCancelled) {
            const QString why = !mWhy[index].isEmpty()     ? mWhy[index]
                                : !mStartFailure.isEmpty() ? mStartFailure
                                                           : QStringLiteral("not made");
            outcome.missing << QStringLiteral("%1: %2").arg(mOrder.guests[index], why);
        }
    }
    if (mOrder.output == GuestOutput::OnePdf) {
        if (mCancelled) {
            outcome.made = 0;
        } else if (outcome.made == 0) {
            outcome.failure = QStringLiteral("No guest's invitation could be made.");
        } else {
            try {
                joinPdfFiles(pages, mOrder.title, mOrder.files.value(0));
            } catch (const Failure& failure) {
                outcome.failure = failure.description();
                outcome.made = 0;
            }
        }
        for (const QString& page : pages)
            quietDelete(page);
    }
    if (!mSilent && mFinished)
        mFinished(outcome);
}

} // namespace velmora
