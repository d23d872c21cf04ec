#include "preview/GuestsMaking.h"

#include "generation/Designs.h"
#include "generation/GuestList.h"
#include "generation/PrintAndExport.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/PrintService.h"
#include "preview/SaveTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QWidget>
#include <algorithm>

namespace velmora {

namespace {

const QString kSaveTitle = QStringLiteral("Save for Every Guest");
const QString kPrintTitle = QStringLiteral("Print for Every Guest");
const QString kSuggestedName = QStringLiteral("Invitation.pdf");
// More lines than this would make a box taller than the screen.
constexpr qsizetype kLinesShown = 10;

QString invitations(int count)
{
    return count == 1 ? QStringLiteral("1 invitation")
                      : QStringLiteral("%1 invitations").arg(count);
}

// The guests left out, one a line: the first ten, then how many more.
QString missingText(const QStringList& missing)
{
    QString text = QStringLiteral("Not made:");
    for (const QString& line : missing.first(std::min(missing.size(), kLinesShown)))
        text += u'\n' + line;
    if (missing.size() > kLinesShown)
        text += QStringLiteral("\nand %1 more").arg(missing.size() - kLinesShown);
    return text;
}

} // namespace

GuestsMaking::GuestsMaking(const Platform& platform, QWidget* window)
    : QObject(window), mPlatform(platform), mWindow(window)
{
}

GuestsMaking::~GuestsMaking()
{
    // Stops the work and waits for it; nobody is told.
    mWork.reset();
    if (!mPrintFolder.isEmpty())
        QDir(mPrintFolder).removeRecursively();
}

void GuestsMaking::setInvitation(office::Engine* engine, const InvitationValues& values,
                                 const QString& designId)
{
    mEngine = engine;
    mValues = values;
    mDesignId = designId;
}

bool GuestsMaking::ready(const QStringList& guests, const QString& title)
{
    QString problem;
    const auto overLong = std::count_if(guests.begin(), guests.end(), guests::tooLong);
    if (mWork)
        problem = QStringLiteral("The invitations are still being made.");
    else if (!mEngine)
        problem = QStringLiteral("The invitations cannot be made now: no office is at hand.");
    else if (guests.isEmpty())
        problem = QStringLiteral("There are no guests yet. Type one name a line, or import a "
                                 "list (Ctrl+I).");
    else if (guests.size() > guests::kMostGuests)
        problem = QStringLiteral("The list has %1 guests, and at most %2 invitations are made "
                                 "at once. Split the list, then try again.")
                      .arg(guests.size())
                      .arg(guests::kMostGuests);
    else if (overLong > 0)
        problem = QStringLiteral("%1 over %2 characters. Shorten %3, then try again.")
                      .arg(overLong == 1 ? QStringLiteral("1 name is")
                                         : QStringLiteral("%1 names are").arg(overLong))
                      .arg(guests::kLongestName)
                      .arg(overLong == 1 ? QStringLiteral("it") : QStringLiteral("them"));
    if (problem.isEmpty())
        return true;
    mPlatform.dialogs->message(problem, title, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    return false;
}

void GuestsMaking::saveForEveryGuest(const QStringList& guests)
{
    if (!ready(guests, kSaveTitle))
        return;
    Dialogs& dialogs = *mPlatform.dialogs;
    const Dialogs::SaveChoice chosen =
        dialogs.saveFileChoice(kSaveTitle, kGuestsFilter, kSuggestedName);
    if (chosen.path.isEmpty())
        return;
    const GuestsTarget target = guestsTarget(chosen.path, chosen.filter);
    const QStringList files = guestsFiles(target, guests);
    const auto existing = std::count_if(files.begin(), files.end(), fileExists);
    if (existing > 0) {
        // The save dialog asked about the name it was given; a file a guest,
        // or a suffix added, it could not know of. One question for all.
        const bool askedAlready =
            target.output == GuestOutput::OnePdf && target.path == chosen.path;
        const QString question =
            target.output == GuestOutput::OnePdf
                ? kOverwriteQuestion + target.path + QStringLiteral(" ?")
                : QStringLiteral("%1 of the %2 files exist already in \"%3\". Replace them?")
                      .arg(existing)
                      .arg(files.size())
                      .arg(QDir::toNativeSeparators(QFileInfo(target.path).absolutePath()));
        if (!askedAlready
            && dialogs.message(question, kSaveTitle, Dialogs::Buttons::YesNo,
                               Dialogs::Icon::Warning)
                   != Dialogs::Yes)
            return;
    }
    GuestInvitations::Order order;
    order.guests = guests;
    order.output = target.output;
    order.files = files;
    const QString where = target.output == GuestOutput::OnePdf
                              ? QDir::toNativeSeparators(target.path)
                              : QDir::toNativeSeparators(QFileInfo(target.path).absolutePath());
    const int total = int(guests.size());
    start(std::move(order), [this, where, total, target](const GuestsOutcome& outcome) {
        Dialogs& dialogs = *mPlatform.dialogs;
        const bool one = target.output == GuestOutput::OnePdf;
        QString text;
        Dialogs::Icon icon = Dialogs::Icon::Warning;
        if (outcome.cancelled) {
            text = one ? QStringLiteral("Cancelled: no file was written.")
                       : QStringLiteral("Cancelled: %1 of %2 were saved in \"%3\".")
                             .arg(invitations(outcome.made))
                             .arg(total)
                             .arg(where);
        } else if (!outcome.failure.isEmpty()) {
            text = QStringLiteral("The invitations could not be saved: %1").arg(outcome.failure);
            if (!outcome.missing.isEmpty())
                text += QStringLiteral("\n\n") + missingText(outcome.missing);
        } else if (!outcome.missing.isEmpty()) {
            text = QStringLiteral("%1 of %2 were saved %3 \"%4\".\n\n%5")
                       .arg(invitations(outcome.made))
                       .arg(total)
                       .arg(one ? QStringLiteral("as") : QStringLiteral("in"))
                       .arg(where, missingText(outcome.missing));
        } else {
            icon = Dialogs::Icon::None;
            text = QStringLiteral("%1 %2 %3 \"%4\".")
                       .arg(kDone, invitations(outcome.made),
                            one ? QStringLiteral("saved as") : QStringLiteral("saved in"), where);
        }
        dialogs.message(text, kSaveTitle, Dialogs::Buttons::Ok, icon);
    });
}

void GuestsMaking::printForEveryGuest(const QStringList& guests)
{
    if (!ready(guests, kPrintTitle))
        return;
    Dialogs& dialogs = *mPlatform.dialogs;
    PrintService service(mPlatform.spooler);
    QList<Printer> printers;
    try {
        printers = service.printers();
        if (printers.isEmpty())
            dialogs.message(kNoPrinter, kPrintTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    } catch (const PrintServiceSilent&) {
        dialogs.message(kNoAnswer, kPrintTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    } catch (const Failure&) {
        // The user stopped waiting for the print service.
    }
    if (printers.isEmpty())
        return;
    const std::optional<PrintSettings> settings = dialogs.printSettings(kPrintTitle, printers);
    if (!settings)
        return;
    try {
        mPrintFolder = createPrivateFolderIn(temporaryFolder(), QStringLiteral("guests-print"));
    } catch (const Failure& failure) {
        dialogs.message(
            QStringLiteral("The invitations cannot be printed: %1").arg(failure.description()),
            kPrintTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    GuestInvitations::Order order;
    order.guests = guests;
    order.output = GuestOutput::OnePdf;
    order.files = {mPrintFolder + QStringLiteral("/invitations.pdf")};
    const int total = int(guests.size());
    const PrintSettings chosen = *settings;
    start(std::move(order), [this, total, chosen](const GuestsOutcome& outcome) {
        Dialogs& dialogs = *mPlatform.dialogs;
        const QString pdfPath = mPrintFolder + QStringLiteral("/invitations.pdf");
        QString text;
        if (!outcome.cancelled && outcome.failure.isEmpty()) {
            try {
                QFile pdf(pdfPath);
                if (!pdf.open(QIODevice::ReadOnly))
                    throw Failure(pdf.errorString());
                PrintService service(mPlatform.spooler);
                service.submit(chosen, invitationTitle(mValues.texts[0]), pdf.readAll());
                if (!outcome.missing.isEmpty())
                    text = QStringLiteral("%1 of %2 went to the printer.\n\n%3")
                               .arg(invitations(outcome.made))
                               .arg(total)
                               .arg(missingText(outcome.missing));
            } catch (const PrintServiceSilent&) {
                text = kNoAnswer;
            } catch (const PrintWaitCancelled&) {
            } catch (const Failure& failure) {
                text = QStringLiteral("The invitations could not be printed: %1")
                           .arg(failure.description());
            }
        } else if (!outcome.failure.isEmpty()) {
            text = QStringLiteral("The invitations could not be printed: %1").arg(outcome.failure);
        }
        QDir(mPrintFolder).removeRecursively();
        mPrintFolder.clear();
        if (!text.isEmpty())
            dialogs.message(text, kPrintTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    });
}

void GuestsMaking::start(GuestInvitations::Order order,
                         std::function<void(const GuestsOutcome&)> report)
{
    order.design = designs::find(mDesignId);
    order.values = mValues;
    order.title = invitationTitle(mValues.texts[0]);
    const int total = int(order.guests.size());
    mReport = std::move(report);

    mProgress = new QProgressDialog(mWindow);
    mProgress->setObjectName(QStringLiteral("GuestsProgress"));
    mProgress->setWindowTitle(QStringLiteral("Guests"));
    mProgress->setWindowModality(Qt::WindowModal);
    mProgress->setRange(0, total);
    mProgress->setMinimumDuration(0);
    mProgress->setAutoClose(false);
    mProgress->setAutoReset(false);
    mProgress->setLabelText(QStringLiteral("Making invitation 1 of %1…").arg(total));
    connect(mProgress, &QProgressDialog::canceled, this, [this] {
        if (mWork)
            mWork->cancel();
        if (mProgress)
            mProgress->setLabelText(QStringLiteral("Stopping…"));
    });
    mProgress->show();

    // The work tells from its threads; this object hears it in its own.
    mWork = std::make_unique<GuestInvitations>(
        *mEngine, std::move(order),
        [this](int done, int all) {
            QMetaObject::invokeMethod(
                this, [this, done, all] { progressed(done, all); }, Qt::QueuedConnection);
        },
        [this](const GuestsOutcome& outcome) {
            QMetaObject::invokeMethod(
                this, [this, outcome] { finished(outcome); }, Qt::QueuedConnection);
        });
}

void GuestsMaking::progressed(int done, int total)
{
    if (!mProgress || mProgress->wasCanceled())
        return;
    if (done < total)
        mProgress->setLabelText(
            QStringLiteral("Making invitation %1 of %2…").arg(done + 1).arg(total));
    // Last: a window-modal progress window handles the events waiting while
    // it takes the value, and the work's end may be one of them.
    mProgress->setValue(done);
}

void GuestsMaking::finished(const GuestsOutcome& outcome)
{
    // Its threads have ended, or end now: the outcome is their last word.
    mWork.reset();
    // Gone before the report: deleteLater alone would wait for the report's
    // own event loop to end.
    if (mProgress) {
        mProgress->hide();
        mProgress->deleteLater();
    }
    mProgress = nullptr;
    const auto report = std::move(mReport);
    mReport = nullptr;
    if (report)
        report(outcome);
    emit ended();
}

} // namespace velmora
