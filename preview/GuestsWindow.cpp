#include "preview/GuestsWindow.h"

#include "generation/Designs.h"
#include "generation/GuestList.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "preview/GuestsMaking.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace velmora {

namespace {

const QString kTitle = QStringLiteral("Guests");
const QString kImportTitle = QStringLiteral("Import Guests");
const QString kImportFilter =
    QStringLiteral("Guest lists|*.csv *.tsv *.txt *.vcf *.vcard|All files|*");
// More reasons than this would make a box taller than the screen.
constexpr qsizetype kReasonsShown = 10;
// The guest's invitation beside the list, in pixels.
constexpr int kPageWidth = 200;

// "No guests", "1 guest", "24 guests", with a note on what will not be made;
// what was typed stays in the field either way.
QString countText(const QStringList& names)
{
    const qsizetype count = names.size();
    QString text = count == 0   ? QStringLiteral("No guests")
                   : count == 1 ? QStringLiteral("1 guest")
                                : QStringLiteral("%1 guests").arg(count);
    QStringList notes;
    if (count > guests::kMostGuests)
        notes << QStringLiteral("at most %1 are made").arg(guests::kMostGuests);
    const auto overLong = std::count_if(names.begin(), names.end(), guests::tooLong);
    if (overLong == 1)
        notes << QStringLiteral("1 name is over %1 characters").arg(guests::kLongestName);
    else if (overLong > 1)
        notes << QStringLiteral("%1 names are over %2 characters")
                     .arg(overLong)
                     .arg(guests::kLongestName);
    if (!notes.isEmpty())
        text += QStringLiteral(": ") + notes.join(QStringLiteral("; "));
    return text;
}

QString importReport(const QString& file, const guests::Import& import)
{
    const qsizetype added = import.names.size();
    QString text = added == 0 ? QStringLiteral("No guests were added from \"%1\".").arg(file)
                   : added == 1
                       ? QStringLiteral("Added 1 guest from \"%1\".").arg(file)
                       : QStringLiteral("Added %1 guests from \"%2\".").arg(added).arg(file);
    const qsizetype skipped = import.skipped.size();
    if (skipped == 0)
        return text;
    // The reasons name a contact file's entries "card N", a table's "row N".
    const bool cards = import.skipped.first().startsWith(QStringLiteral("card "));
    const QString what = cards ? QStringLiteral("contact") : QStringLiteral("row");
    text += skipped == 1 ? QStringLiteral("\n\n1 %1 was skipped:").arg(what)
                         : QStringLiteral("\n\n%1 %2s were skipped:").arg(skipped).arg(what);
    for (const QString& reason : import.skipped.first(std::min(skipped, kReasonsShown)))
        text += u'\n' + reason;
    if (skipped > kReasonsShown)
        text += QStringLiteral("\nand %1 more").arg(skipped - kReasonsShown);
    return text;
}

} // namespace

GuestsWindow::GuestsWindow(const Platform& platform, QWidget* parent)
    : QDialog(parent), mDialogs(*platform.dialogs), mMaking(new GuestsMaking(platform, this))
{
    setObjectName(QStringLiteral("Guests"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("One guest a line. Paste a column from a spreadsheet "
                                           "or a chat, or import a list (Ctrl+I)."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    mList = new QPlainTextEdit(this);
    mList->setObjectName(QStringLiteral("GuestList"));
    mList->setAccessibleName(QStringLiteral("Guests, one a line"));
    mList->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab leaves the field for the buttons; a pasted table keeps its tabs.
    mList->setTabChangesFocus(true);
    mList->setPlainText(guests::load().join(u'\n'));
    mList->moveCursor(QTextCursor::End);
    // The list, and beside it the invitation of the guest on the cursor's line.
    auto* listAndPage = new QHBoxLayout;
    listAndPage->addWidget(mList, 1);
    mGuestPage = new QLabel(this);
    mGuestPage->setObjectName(QStringLiteral("GuestPage"));
    mGuestPage->setAccessibleName(QStringLiteral("The guest's invitation"));
    mGuestPage->setFixedSize(kPageWidth, kPageWidth * 11 / 8 + 2);
    mGuestPage->setAlignment(Qt::AlignCenter);
    mGuestPage->setWordWrap(true);
    listAndPage->addWidget(mGuestPage, 0, Qt::AlignTop);
    layout->addLayout(listAndPage, 1);

    mCount = new QLabel(this);
    mCount->setObjectName(QStringLiteral("GuestCount"));
    mCount->setWordWrap(true);
    layout->addWidget(mCount);
    showCount();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* import =
        buttons->addButton(QStringLiteral("Import…"), QDialogButtonBox::ActionRole);
    import->setObjectName(QStringLiteral("ImportGuests"));
    import->setAutoDefault(false);
    import->setToolTip(QStringLiteral("Add the guests of a CSV, TSV or contacts file (Ctrl+I)"));
    QPushButton* save =
        buttons->addButton(QStringLiteral("Save for Every Guest…"), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("SaveForEveryGuest"));
    save->setAutoDefault(false);
    save->setToolTip(QStringLiteral("An invitation with each guest's name: one PDF, a PDF each "
                                    "or a picture each (Ctrl+S)"));
    QPushButton* print =
        buttons->addButton(QStringLiteral("Print for Every Guest…"), QDialogButtonBox::ActionRole);
    print->setObjectName(QStringLiteral("PrintForEveryGuest"));
    print->setAutoDefault(false);
    print->setToolTip(QStringLiteral("One print job, a page for each guest (Ctrl+P)"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("CloseGuests"));
    close->setAutoDefault(false);
    connect(import, &QPushButton::clicked, this, &GuestsWindow::importGuests);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* importKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_I), this);
    connect(importKey, &QShortcut::activated, this, &GuestsWindow::importGuests);
    const auto saveAll = [this] {
        saveNow();
        mMaking->saveForEveryGuest(guests());
    };
    const auto printAll = [this] {
        saveNow();
        mMaking->printForEveryGuest(guests());
    };
    connect(save, &QPushButton::clicked, this, saveAll);
    connect(print, &QPushButton::clicked, this, printAll);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this), &QShortcut::activated, this,
            saveAll);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this), &QShortcut::activated, this,
            printAll);
    layout->addWidget(buttons);

    mSaveTimer = new QTimer(this);
    mSaveTimer->setSingleShot(true);
    mSaveTimer->setInterval(kSaveDelayMs);
    connect(mSaveTimer, &QTimer::timeout, this, [this] { saveNow(); });
    connect(mList, &QPlainTextEdit::textChanged, this, &GuestsWindow::edited);

    mShowTimer = new QTimer(this);
    mShowTimer->setSingleShot(true);
    mShowTimer->setInterval(kShowDelayMs);
    connect(mShowTimer, &QTimer::timeout, this, &GuestsWindow::showSelectedGuest);
    connect(mList, &QPlainTextEdit::cursorPositionChanged, mShowTimer, qOverload<>(&QTimer::start));

    mList->setFocus();
    resize(640, 520);
}

GuestsWindow::~GuestsWindow()
{
    // Deleted with its preview without being hidden first: nobody is left to
    // tell of a failure.
    saveNow(false);
}

void GuestsWindow::setInvitation(office::Engine* engine, const InvitationValues& values,
                                 const QString& designId)
{
    mEngine = engine;
    mValues = values;
    mDesignId = designId;
    mMaking->setInvitation(engine, values, designId);
    mShownGuest.clear();
    mShowTimer->start();
}

void GuestsWindow::showSelectedGuest()
{
    // The cursor's line; on a blank line (after the last name, say) the
    // nearest guest above it, else the first guest.
    QString guest;
    for (QTextBlock line = mList->textCursor().block(); line.isValid() && guest.isEmpty();
         line = line.previous())
        guest = line.text().trimmed();
    if (guest.isEmpty())
        guest = guests().value(0);
    if (guest == mShownGuest && mPicture)
        return;
    mShownGuest = guest;
    mPicture.reset();
    if (!mEngine || guest.isEmpty() || guests::tooLong(guest)) {
        mGuestPage->setPixmap({});
        mGuestPage->setText(guest.isEmpty() ? QString() : QStringLiteral("…"));
        return;
    }
    mGuestPage->setPixmap({});
    mGuestPage->setText(QStringLiteral("Making %1's invitation…").arg(guest));
    InvitationValues values = mValues;
    values.guest = guest;
    const QSize pixels = mGuestPage->size() * devicePixelRatio();
    mPicture = std::make_unique<DesignPictures>(
        *mEngine, QList<designs::Design>{designs::find(mDesignId)}, values, pixels,
        [this, guest](int, const QImage& picture, const QString& failure) {
            QMetaObject::invokeMethod(
                this,
                [this, guest, picture, failure] {
                    if (guest != mShownGuest)
                        return;
                    if (picture.isNull()) {
                        mGuestPage->setText(
                            QStringLiteral("This invitation could not be shown: %1").arg(failure));
                        return;
                    }
                    QPixmap page = QPixmap::fromImage(picture);
                    page.setDevicePixelRatio(devicePixelRatio());
                    mGuestPage->setPixmap(page);
                },
                Qt::QueuedConnection);
        },
        1);
}

QStringList GuestsWindow::guests() const
{
    return guests::fromText(mList->toPlainText());
}

void GuestsWindow::hideEvent(QHideEvent* event)
{
    saveNow();
    QDialog::hideEvent(event);
}

void GuestsWindow::edited()
{
    mUnsaved = true;
    showCount();
    mSaveTimer->start();
}

void GuestsWindow::showCount()
{
    mCount->setText(countText(guests()));
}

void GuestsWindow::saveNow(bool tellFailure)
{
    mSaveTimer->stop();
    if (!mUnsaved)
        return;
    try {
        guests::save(guests());
        mUnsaved = false;
        mFailureTold = false;
    } catch (const Failure& failure) {
        // Told once: every keystroke tries again, and a box each time would
        // make typing impossible.
        if (!tellFailure || mFailureTold)
            return;
        mFailureTold = true;
        mDialogs.message(QStringLiteral("The guest list cannot be kept for next time: %1\n\n"
                                        "The names stay in the window until it is closed.")
                             .arg(failure.description()),
                         kTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
}

void GuestsWindow::importGuests()
{
    const QString path = mDialogs.openFileName(kImportTitle, kImportFilter);
    if (path.isEmpty())
        return;
    const guests::Import import = guests::readFile(path, int(guests().size()));
    if (!import.refusal.isEmpty()) {
        mDialogs.message(import.refusal, kImportTitle, Dialogs::Buttons::Ok,
                         Dialogs::Icon::Warning);
        return;
    }
    if (!import.names.isEmpty()) {
        // The names follow the last guest on the next line: blank lines and
        // spaces at the end go. One edit, so that one undo takes it back.
        const QString text = mList->toPlainText();
        qsizetype end = text.size();
        while (end > 0 && text[end - 1].isSpace())
            --end;
        QTextCursor cursor(mList->document());
        cursor.beginEditBlock();
        cursor.movePosition(QTextCursor::End);
        cursor.setPosition(int(end), QTextCursor::KeepAnchor);
        cursor.insertText((end > 0 ? QStringLiteral("\n") : QString()) + import.names.join(u'\n'));
        cursor.endEditBlock();
        mList->setTextCursor(cursor);
        mList->ensureCursorVisible();
    }
    mDialogs.message(importReport(QFileInfo(path).fileName(), import), kImportTitle,
                     Dialogs::Buttons::Ok,
                     import.names.isEmpty() ? Dialogs::Icon::Warning : Dialogs::Icon::None);
}

} // namespace velmora
