#include "preview/PageActions.h"
#include "preview/SaveTexts.h"

#include "errors/Guard.h"
#include "errors/Locations.h"
#include "generation/InvitationMail.h"
#include "generation/PrintAndExport.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/MailProgram.h"
#include "platform/PrintService.h"
#include "preview/HeldRequests.h"
#include "preview/ResultCopy.h"
#include "preview/SaveFlow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QWidget>

namespace velmora {

namespace {

const QString kPrintTitle = QStringLiteral("Print");
const QString kExportTitle = QStringLiteral("Save as PDF or Picture");

QString noMailProgram(const QString& folder)
{
    return QStringLiteral("No e-mail program is set up on this computer, so the message could "
                          "not be opened. The invitation (%1) and its calendar event (%2) are "
                          "in the folder %3; you can attach them to a message yourself.")
        .arg(mail::kInvitationFile, mail::kEventFile, folder);
}

QString keys(const QKeySequence& sequence)
{
    return sequence.toString(QKeySequence::NativeText);
}

} // namespace

PageActions::PageActions(QWidget& window, QWidget& view, QWidget& page, const Platform& platform,
                         const QString& wordFile)
    : QObject(&window), mWindow(window), mView(view), mPage(page), mPlatform(platform),
      mWordFile(wordFile)
{
    mHeld = new HeldRequests(window);
    mMenu = new QMenu(&window);
    mMenu->setObjectName(QStringLiteral("PageMenu"));
    QAction* print =
        addAction(QStringLiteral("Print…"), QKeySequence::Print, &PageActions::mnuPrint_Click);
    QAction* save = addAction(QStringLiteral("Save as PDF or Picture…"),
                              QKeySequence(Qt::CTRL | Qt::Key_E), &PageActions::mnuExport_Click);
    QAction* copy = addAction(QStringLiteral("Copy Picture"), QKeySequence::Copy,
                              &PageActions::mnuCopyPicture_Click);
    QAction* designs = addAction(QStringLiteral("Designs…"), QKeySequence(Qt::CTRL | Qt::Key_D),
                                 &PageActions::designsRequested);
    QAction* guests = addAction(QStringLiteral("Guests…"), QKeySequence(Qt::CTRL | Qt::Key_G),
                                &PageActions::guestsRequested);
    QAction* mail = addAction(QStringLiteral("Send by E-mail…"), QKeySequence(Qt::CTRL | Qt::Key_M),
                              &PageActions::mnuMail_Click);
    mPhoto = addAction(QStringLiteral("Add Photo…"), QKeySequence(Qt::CTRL | Qt::Key_I),
                       &PageActions::photoRequested);
    mRemovePhoto = addAction(QStringLiteral("Remove Photo"), QKeySequence(),
                             &PageActions::photoRemovalRequested);
    setHasPhoto(false);

    // The Menu key reaches the focused control as a context-menu request (see
    // eventFilter); Shift+F10 is a key like any other.
    auto* open = new QAction(this);
    open->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    connect(open, &QAction::triggered, this,
            [this] { popUp(mView.mapToGlobal(mView.rect().center())); });
    mWindow.addAction(open);
    qApp->installEventFilter(this);

    const QString menuKeys = QStringLiteral("Shift+F10");
    mPage.setToolTip(QStringLiteral("Print: %1\nSave as PDF or Picture: %2\nCopy Picture: %3\n"
                                    "Designs: %4\nGuests: %5\nSend by E-mail: %6\nPhoto: %8\n"
                                    "Right-click or %7 for the menu")
                         .arg(keys(print->shortcut()), keys(save->shortcut()),
                              keys(copy->shortcut()), keys(designs->shortcut()),
                              keys(guests->shortcut()), keys(mail->shortcut()), menuKeys,
                              keys(mPhoto->shortcut())));
    mPage.setAccessibleDescription(
        mPage.accessibleDescription()
        + QStringLiteral(" %1 prints it, %2 saves it as a PDF or a picture, %3 copies its "
                         "picture, %4 shows it in other designs, %5 opens the guest list, %6 "
                         "sends it by e-mail; the Menu key, %7 or a right-click show these in a "
                         "menu. %8 adds the celebrant's photo.")
              .arg(keys(print->shortcut()), keys(save->shortcut()), keys(copy->shortcut()),
                   keys(designs->shortcut()), keys(guests->shortcut()), keys(mail->shortcut()),
                   menuKeys, keys(mPhoto->shortcut())));
}

QAction* PageActions::addAction(const QString& text, const QKeySequence& keys,
                                void (PageActions::*slot)())
{
    auto* action = new QAction(text, this);
    action->setShortcut(keys);
    // In the window, so that the key works wherever the focus is.
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, slot);
    mWindow.addAction(action);
    mMenu->addAction(action);
    return action;
}

void PageActions::setOffice(office::Engine& engine)
{
    mEngine = &engine;
}

void PageActions::setCelebrant(const QString& celebrant)
{
    mCelebrant = celebrant;
}

void PageActions::setHasPhoto(bool hasPhoto)
{
    mPhoto->setText(hasPhoto ? QStringLiteral("Change Photo…") : QStringLiteral("Add Photo…"));
    mRemovePhoto->setVisible(hasPhoto);
}

void PageActions::setInvitation(const InvitationValues& values)
{
    mValues = values;
}

bool PageActions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    const auto* request = static_cast<QContextMenuEvent*>(event);
    if (request->reason() == QContextMenuEvent::Keyboard && widget->window() == &mWindow) {
        popUp(mView.mapToGlobal(mView.rect().center()));
        return true;
    }
    if (widget == &mView || widget == &mPage) {
        popUp(request->globalPos());
        return true;
    }
    return false;
}

void PageActions::popUp(const QPoint& globalPosition)
{
    if (mMenu->isVisible())
        return;
    mMenu->popup(globalPosition);
}

office::Engine& PageActions::engine() const
{
    if (!mEngine)
        throw Failure(QStringLiteral("No office is at hand"));
    return *mEngine;
}

PrintService PageActions::printService() const
{
    return PrintService(mPlatform.spooler);
}

void PageActions::mnuPrint_Click()
{
    const HeldRequests::UntilEnd held(*mHeld);
    Dialogs& dialogs = *mPlatform.dialogs;
    Guard guard(dialogs, locations::Form2_mnuPrint_Click);
    QList<Printer> printers;
    // What the box says when there is no queue to print on; nothing when the
    // user stopped waiting for the print service.
    QString noQueue;
    std::optional<PrintSettings> settings;
    if (guard.test(100, [&] {
            const HeldRequests::Busy busy(*mHeld);
            try {
                printers = printService().printers();
                noQueue = kNoPrinter;
            } catch (const PrintServiceSilent&) {
                noQueue = kNoAnswer;
            } catch (const PrintWaitCancelled&) {
            }
            return printers.isEmpty();
        })) {
        if (!noQueue.isEmpty()) {
            guard.step(102, [&] {
                dialogs.message(noQueue, QString(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            });
        }
    } else {
        // The document opens while the user sets up the print.
        std::optional<OpeningAhead> ahead;
        if (mEngine)
            ahead.emplace(*mEngine, mWordFile);
        guard.step(104, [&] { settings = dialogs.printSettings(kPrintTitle, printers); });
        if (guard.test(106, [&] { return settings.has_value(); })) {
            guard.step(108, [&] {
                bool silent = false;
                {
                    const HeldRequests::Busy busy(*mHeld);
                    PrintService service = printService();
                    try {
                        printDocument(engine(), service, mWordFile, invitationTitle(mCelebrant),
                                      *settings, ahead ? &*ahead : nullptr);
                    } catch (const PrintServiceSilent&) {
                        silent = true;
                    } catch (const PrintWaitCancelled&) {
                    }
                }
                if (silent)
                    dialogs.message(kNoAnswer, QString(), Dialogs::Buttons::Ok,
                                    Dialogs::Icon::Warning);
            });
        }
    }
}

void PageActions::mnuExport_Click()
{
    Dialogs& dialogs = *mPlatform.dialogs;
    const HeldRequests::UntilEnd held(*mHeld);
    Guard guard(dialogs, locations::Form2_mnuExport_Click);
    // The document opens while the user chooses where its copy goes.
    std::optional<OpeningAhead> ahead;
    if (mEngine)
        ahead.emplace(*mEngine, mWordFile);
    std::optional<ExportTarget> target;
    guard.step(100, [&] {
        const Dialogs::SaveChoice chosen =
            dialogs.saveFileChoice(kExportTitle, kExportFilter, QString());
        // The working document keeps the name it was chosen by, so that the
        // write refuses it rather than writing beside it.
        if (sameFile(chosen.path, mWordFile))
            target = ExportTarget{chosen.path, ExportFormat::Pdf};
        else if (!chosen.path.isEmpty())
            target = exportTarget(chosen.path, chosen.filter);
    });
    const SaveSteps steps{102, 104, 106, std::nullopt, std::nullopt, 108, 110, 112, 114, false};
    saveChosenFile(guard, dialogs, steps, target ? target->path : QString(), mWordFile,
                   [&](const QString& path) {
                       if (target->format == ExportFormat::Calendar) {
                           exportCalendarEvent(mValues, path);
                           return;
                       }
                       const HeldRequests::Busy busy(*mHeld);
                       exportDocument(engine(), mWordFile, invitationTitle(mCelebrant), path,
                                      target->format, ahead ? &*ahead : nullptr);
                   });
}

void PageActions::mnuCopyPicture_Click()
{
    const HeldRequests::UntilEnd held(*mHeld);
    Guard guard(*mPlatform.dialogs, locations::Form2_mnuCopyPicture_Click);
    QImage picture;
    guard.step(100, [&] {
        const HeldRequests::Busy busy(*mHeld);
        picture = sharedPagePicture(engine(), mWordFile);
    });
    guard.step(102, [&] {
        if (picture.isNull())
            throw Failure(QStringLiteral("Invalid picture"));
        QGuiApplication::clipboard()->setImage(picture);
    });
}

void PageActions::mnuMail_Click()
{
    Dialogs& dialogs = *mPlatform.dialogs;
    const HeldRequests::UntilEnd held(*mHeld);
    Guard guard(dialogs, locations::Form2_mnuMail_Click);
    // Kept after the program ends: the mail program reads the files when the
    // message is sent.
    QString folder;
    if (!guard.step(100, [&] { folder = newMailFolder(mPlatform.now()); }))
        return;
    const QString pdf = folder + u'/' + mail::kInvitationFile;
    const QString event = folder + u'/' + mail::kEventFile;
    const bool pdfWritten = guard.step(102, [&] {
        const HeldRequests::Busy busy(*mHeld);
        exportDocument(engine(), mWordFile, invitationTitle(mCelebrant), pdf, ExportFormat::Pdf);
    });
    const bool eventWritten = guard.step(104, [&] { exportCalendarEvent(mValues, event); });
    if (!pdfWritten || !eventWritten)
        return;
    MailOutcome outcome = MailOutcome::Opened;
    guard.step(106, [&] {
        const HeldRequests::Busy busy(*mHeld);
        outcome = mPlatform.openMail(
            MailMessage{mail::subject(mValues), mail::body(mValues), {pdf, event}});
    });
    if (guard.test(108, [&] { return outcome == MailOutcome::NoMailProgram; }))
        guard.step(110, [&] {
            dialogs.message(noMailProgram(folder), QString(), Dialogs::Buttons::Ok,
                            Dialogs::Icon::Warning);
        });
}

} // namespace velmora
