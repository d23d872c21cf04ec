#include "mainwindow/Form1.h"

#include "errors/Guard.h"
#include "errors/Locations.h"
#include "generation/AvailabilityCheck.h"
#include "generation/Invitation.h"
#include "generation/PhotoFile.h"
#include "generation/PhotoSpot.h"
#include "mainwindow/StoredValues.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/SettingsStore.h"
#include "preview/Form2.h"
#include "preview/PageActions.h"
#include "windows/Look.h"
#include "windows/Placement.h"
#include "windows/Titles.h"
#include "windows/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <limits>

namespace velmora {

namespace {

const QString kOptionKey = QStringLiteral("Option");
const QString kDateKey = QStringLiteral("DateTimePicker1");
const QString kTimeKey = QStringLiteral("DateTimePicker2");

QString textKey(int element)
{
    return QStringLiteral("Text1_") + QString::number(element);
}

// What to say when values do not fit their boxes even in the smallest type,
// naming the fields as their labels do: "Location", or "Location" and
// "Given By".
QString notFittingText(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& field : fields)
        quoted << u'"' + field + u'"';
    const QString last = quoted.takeLast();
    const QString named = quoted.isEmpty()
                              ? last
                              : quoted.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    if (fields.size() == 1)
        return QStringLiteral("The text in %1 is too long to fit on the invitation, even in small "
                              "type, so part of it is not shown. Shorten it to see it whole.")
            .arg(named);
    return QStringLiteral("The texts in %1 are too long to fit on the invitation, even in small "
                          "type, so parts of them are not shown. Shorten them to see them whole.")
        .arg(named);
}

} // namespace

Form1::Form1(const Platform& platform, office::Engine& engine, QWidget* parent)
    : QWidget(parent), mPlatform(platform), mEngine(engine),
      mRun(engine, *platform.dialogs, platform.random, [this] { return chosenTemplate(); })
{
    buildControls();
    connectStoring();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    setObjectName(QStringLiteral("Form1"));
    setFixedSize(toPixels(8040), toPixels(4740));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setFont(windowFont(9));
    paintWhite(*this);

    auto button = [this](const char* name, const QString& caption, QRect geometry) {
        auto* pushButton = new QPushButton(caption, this);
        pushButton->setObjectName(QLatin1String(name));
        pushButton->setFont(windowFont(11.25));
        pushButton->setGeometry(geometry);
        pushButton->setMouseTracking(true);
        return pushButton;
    };
    PushButton6 = button("PushButton6", QStringLiteral("Start Creating Template"),
                         pixelRect(120, 120, 7800, 405));
    PushButton3 =
        button("PushButton3", QStringLiteral("Clear/Reset Data"), pixelRect(120, 630, 3840, 405));
    PushButton4 = button("PushButton4", QStringLiteral("Load Sample/Example Data"),
                         pixelRect(4080, 630, 3840, 405));

    Frame1 = new QGroupBox(QStringLiteral("Invitation Data"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(pixelRect(120, 1110, 7800, 3495));

    auto label = [this](int index, const QString& caption, QRect geometry) {
        auto* item = new QLabel(caption, Frame1);
        item->setObjectName(QStringLiteral("Label2_%1").arg(index));
        item->setGeometry(geometry.adjusted(0, -2, 20, 2));
        Label2[index] = item;
    };
    auto textBox = [this](int element, const QString& tag, QRect geometry) {
        auto* box = new QLineEdit(Frame1);
        box->setObjectName(QStringLiteral("Text1_%1").arg(element));
        box->setProperty("tag", tag);
        box->setGeometry(geometry);
        // No length limit: Qt's default of 32,767 would cut a longer stored
        // value at the restore, and the cut text would be stored back.
        box->setMaxLength(std::numeric_limits<int>::max());
        box->installEventFilter(this);
        Text1[element] = box;
    };
    auto picker = [this](const char* name, const QString& displayFormat, const QString& tag,
                         QRect geometry) {
        auto* edit = new DateTimePicker(displayFormat, Frame1);
        edit->setObjectName(QLatin1String(name));
        edit->setProperty("tag", tag);
        edit->setGeometry(geometry);
        return edit;
    };

    label(0, QStringLiteral("Celebrant:"), pixelRect(240, 345, 870, 225));
    textBox(0, invitation::kCelebrantTag, pixelRect(1680, 300, 5895, 345));

    Frame2 = new QGroupBox(QStringLiteral("Celebrant's Gender"), Frame1);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(pixelRect(1680, 720, 5895, 735));
    Option1 = new QRadioButton(QStringLiteral("Male"), Frame2);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setGeometry(pixelRect(240, 300, 1095, 255).adjusted(0, 0, 10, 2));
    Option2 = new QRadioButton(QStringLiteral("Female"), Frame2);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setGeometry(pixelRect(1440, 300, 1095, 255).adjusted(0, 0, 10, 2));
    Option1->setChecked(true);

    label(1, QStringLiteral("Date:"), pixelRect(240, 1635, 435, 225));
    // "tt" of the date pickers is Qt's "AP".
    DateTimePicker1 = picker("DateTimePicker1", QStringLiteral("MMMM dd, yyyy"),
                             invitation::kBirthDateTag, pixelRect(1680, 1590, 2295, 345));
    DateTimePicker1->setCalendarPopup(true);
    label(2, QStringLiteral("Time:"), pixelRect(4680, 1635, 465, 225));
    DateTimePicker2 = picker("DateTimePicker2", QStringLiteral("h:mm AP"),
                             invitation::kBirthTimeTag, pixelRect(5280, 1590, 2295, 345));

    label(3, QStringLiteral("Location:"), pixelRect(240, 2085, 780, 225));
    textBox(1, invitation::kLocationTag, pixelRect(1680, 2040, 5895, 345));
    label(4, QStringLiteral("Given By:"), pixelRect(240, 2535, 765, 225));
    textBox(2, invitation::kGivenByTag, pixelRect(1680, 2490, 5895, 345));
    label(5, QStringLiteral("RSVP Phone No:"), pixelRect(240, 2985, 1380, 225));
    textBox(3, invitation::kRsvpTag, pixelRect(1680, 2940, 5895, 345));

    // A screen reader names each field after its label; the names drop the
    // captions' colons.
    const std::array<QWidget*, 6> labelled = {Text1[0], DateTimePicker1, DateTimePicker2,
                                              Text1[1], Text1[2],        Text1[3]};
    const std::array<QString, 6> names = {
        QStringLiteral("Celebrant"), QStringLiteral("Date"),     QStringLiteral("Time"),
        QStringLiteral("Location"),  QStringLiteral("Given By"), QStringLiteral("RSVP Phone No")};
    for (std::size_t i = 0; i < labelled.size(); ++i) {
        Label2[i]->setBuddy(labelled[i]);
        labelled[i]->setAccessibleName(names[i]);
    }
    Option1->setAccessibleName(Option1->text());
    Option2->setAccessibleName(Option2->text());

    // The keyboard order: celebrant, date, time, location, given by, RSVP,
    // the three buttons, then the gender choice.
    const QList<QWidget*> order = {Text1[0],    DateTimePicker1, DateTimePicker2, Text1[1],
                                   Text1[2],    Text1[3],        PushButton6,     PushButton3,
                                   PushButton4, Option1};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    setTabOrder(Option1, Option2);

    for (QPushButton* pushButton : {PushButton6, PushButton3, PushButton4})
        mPointer.watchButton(*pushButton);
    for (QWidget* surface : std::initializer_list<QWidget*>{this, Frame1, Frame2})
        mPointer.watchSurface(*surface);

    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    PushButton6->installEventFilter(this);
}

void Form1::connectStoring()
{
    for (int element = 0; element < 4; ++element) {
        connect(Text1[element], &QLineEdit::textChanged, this,
                [this, element](const QString& text) { storeValue(textKey(element), text); });
    }
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            storeValue(kOptionKey, QStringLiteral("1"));
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            storeValue(kOptionKey, QStringLiteral("2"));
    });
    connect(DateTimePicker1, &DateTimePicker::valueChanged, this,
            [this] { storeFromHandler([this] { storeDate(); }); });
    connect(DateTimePicker2, &DateTimePicker::valueChanged, this,
            [this] { storeFromHandler([this] { storeTime(); }); });
}

void Form1::storeValue(const QString& key, const QString& value)
{
    storeFromHandler([&] { write(key, value); });
}

void Form1::write(const QString& key, const QString& value)
{
    mPlatform.settings->setValue(key, value);
    // The store takes writes again: a later failure is worth a warning again.
    mStoreFailureShown = false;
}

void Form1::storeFromHandler(const std::function<void()>& write)
{
    // The storing handlers run on every keystroke and have no caller to report
    // to; a store that cannot be written is told once, not on every keystroke.
    try {
        write();
    } catch (const Failure& failure) {
        if (mStoreFailureShown)
            return;
        mStoreFailureShown = true;
        mPlatform.dialogs->message(
            QStringLiteral("What you type cannot be remembered for the next start:\r\n")
                + failure.description(),
            QString(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
}

void Form1::storeDate()
{
    write(kDateKey, stored::generalDateText(DateTimePicker1->value()));
}

void Form1::storeTime()
{
    write(kTimeKey, stored::generalDateText(DateTimePicker2->value()));
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // The office calls of a run hold the event queue; a second click made
    // meanwhile arrives only after the run has hidden this window, and must
    // not start another run.
    if (watched == PushButton6 && !isVisible()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
            || event->type() == QEvent::MouseButtonDblClick || event->type() == QEvent::KeyPress
            || event->type() == QEvent::KeyRelease))
        return true;
    // Only the user entering a box selects its text. The focus that comes back
    // with the window (after a message box, from another program) leaves the
    // text and the cursor where they were: the next key must not replace it.
    if (event->type() == QEvent::FocusIn
        && static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason
        && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        for (QLineEdit* box : Text1) {
            // Deferred, so that the click which gave the focus does not undo the selection.
            if (watched == box)
                QTimer::singleShot(0, box, [box] { box->selectAll(); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::restoreFields(Guard& guard)
{
    SettingsStore& settings = *mPlatform.settings;
    // A stored text that no locale reads is reported and leaves the picker at
    // its value for a missing key.
    const auto restore = [&](DateTimePicker* picker, const QString& key, const QDateTime& absent) {
        const std::optional<QString> text = settings.value(key);
        try {
            picker->setValue(text ? stored::readStoredDate(*text) : absent);
        } catch (const Failure&) {
            picker->setValue(absent);
            throw;
        }
    };
    guard.step(128, [&] {
        restore(DateTimePicker1, kDateKey, QDateTime(mPlatform.now().date(), QTime(0, 0)));
    });
    guard.step(130, [&] { restore(DateTimePicker2, kTimeKey, mPlatform.now()); });
    for (int element = 0; element <= 3; ++element) {
        guard.step(134, [&] {
            Text1[element]->setText(settings.value(textKey(element)).value_or(QString()));
        });
    }
    if (guard.test(138, [&] {
            return stored::wholeNumber(settings.value(kOptionKey).value_or(QStringLiteral("1")))
                   == 1;
        }))
        guard.step(140, [&] { Option1->setChecked(true); });
    else
        guard.step(142, [&] { Option2->setChecked(true); });
}

bool Form1::Form_Load()
{
    Guard guard(mPlatform, locations::Form1_Form_Load);
    guard.step(100, [&] { skin(); });
    // The titles and the icon are one statement, line 104: three steps here,
    // so that a failing one still lets the others run, and each reports 104.
    guard.step(104, [&] { setWindowTitle(kProductTitle); });
    guard.step(104, [&] {
        // Program-wide, so that the preview and the message boxes carry it too.
        const QIcon icon = programIcon();
        QApplication::setWindowIcon(icon);
        setWindowIcon(icon);
    });
    guard.step(104, [&] { setApplicationShortTitle(); });
    if (guard.test(122, [&] { return WindowPointer::hasHandCursor(mPlatform.programFolder); }))
        guard.step(124, [&] { mPointer.loadHandCursor(mPlatform.programFolder); });
    guard.step(126, [&] { websiteInvitation(); });
    restoreFields(guard);
    bool installed = true;
    guard.step(144, [&] { installed = IsInstalled(mEngine, *mPlatform.dialogs); });
    return installed;
}

void Form1::skin()
{
    const QString path = mPlatform.programFolder + QLatin1Char('/') + kSkinFile;
    if (!fileExists(path))
        return;
    applyFaceColour(*this);
    applySkinFile(*this, path);
}

void Form1::websiteInvitation()
{
    const int draw = static_cast<int>(mPlatform.random() * 100) + 1;
    if (draw == 7)
        mPlatform.openUrl(QUrl(kWebsiteAddress));
}

void Form1::PushButton3_Click()
{
    Guard guard(mPlatform, locations::Form1_PushButton3_Click);
    guard.step(100, [&] { Text1[0]->setText(QString()); });
    guard.step(102, [&] { Text1[1]->setText(QString()); });
    guard.step(104, [&] { Text1[2]->setText(QString()); });
    guard.step(106, [&] { Text1[3]->setText(QString()); });
    guard.step(108, [&] { Option1->setChecked(true); });
}

void Form1::PushButton4_Click()
{
    Guard guard(mPlatform, locations::Form1_PushButton4_Click);
    guard.step(100, [&] { Text1[0]->setText(QStringLiteral("Orla Penwick")); });
    guard.step(102, [&] { Text1[1]->setText(QStringLiteral("Candia Inflatable Play Facility")); });
    guard.step(104, [&] { Text1[2]->setText(QStringLiteral("Bozo")); });
    guard.step(106, [&] { Text1[3]->setText(QStringLiteral("555-010-2468")); });
    guard.step(108, [&] { DateTimePicker1->setValue(mPlatform.now()); });
    guard.step(110, [&] { DateTimePicker2->setValue(mPlatform.now()); });
    guard.step(112, [&] { storeDate(); });
    guard.step(114, [&] { storeTime(); });
}

void Form1::PushButton6_Click()
{
    restorePhoto();
    mRun.run(*this);
    if (mEnding) {
        // The program was asked to end while the run worked: the preview never
        // showed, so nobody else will remove the document the run saved.
        quietDelete(mRun.lastResultPath());
    } else if (!mRun.lastUnfitElements().empty()) {
        // Once per invitation, over the preview that shows it; what was typed
        // stays as it is, to be shortened.
        QStringList fields;
        for (int element : mRun.lastUnfitElements())
            fields << Text1.at(element)->accessibleName();
        mPlatform.dialogs->message(notFittingText(fields), QString(), Dialogs::Buttons::Ok,
                                   Dialogs::Icon::Warning);
    }
    if (!mEnding && mRun.lastPhotoPpi() > 0 && mRun.lastPhotoPpi() < photo::kSoftPpi
        && !mSoftPhotoNoted) {
        mSoftPhotoNoted = true;
        mPlatform.dialogs->message(
            QStringLiteral("The photo has about %1 pixels per inch at its place on the "
                           "invitation, fewer than the %2 a sharp print needs, so it may look "
                           "soft in print. It is used all the same; a larger photo would print "
                           "sharper.")
                .arg(qRound(mRun.lastPhotoPpi()))
                .arg(qRound(photo::kSoftPpi)),
            QString(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
    // A run passes a few page-sized pictures through the heap; what they
    // leave free goes back to the system instead of staying with an idle
    // program.
    releaseFreeMemory();
}

void Form1::focusFirstField()
{
    Text1[0]->setFocus();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    endProgram();
}

void Form1::endProgram()
{
    mEnding = true;
    emit endProgramRequested();
}

QString Form1::tag(int element)
{
    return Text1.at(element)->property("tag").toString();
}

QString Form1::text(int element)
{
    return Text1.at(element)->text();
}

bool Form1::male()
{
    return Option1->isChecked();
}

QDateTime Form1::birthDate()
{
    return DateTimePicker1->value();
}

QDateTime Form1::birthTime()
{
    return DateTimePicker2->value();
}

QImage Form1::photo()
{
    return mPhoto;
}

void Form1::setBusyPointer(bool busy)
{
    mPointer.setKind(busy ? WindowPointer::Busy : WindowPointer::Default);
}

void Form1::processPendingEvents()
{
    QCoreApplication::processEvents();
}

Form2& Form1::ensureForm2()
{
    if (!mForm2) {
        mForm2 = std::make_unique<Form2>(mPlatform);
        mForm2->pageActions().setOffice(mEngine);
        connect(mForm2.get(), &Form2::mainWindowRequested, this, &Form1::show);
        connect(mForm2.get(), &Form2::endProgramRequested, this, &Form1::endProgram);
        connect(mForm2.get(), &Form2::designChosen, this, &Form1::makeInDesign);
        connect(mForm2.get(), &Form2::photoChosen, this, &Form1::makeWithPhoto,
                Qt::QueuedConnection);
        connect(mForm2.get(), &Form2::photoRemoved, this, &Form1::makeWithoutPhoto);
        // The preview first appears centred over the main window, inside the
        // available area of the main window's screen.
        const QRect frame = frameGeometry();
        const QRect client = geometry();
        const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                               frame.right() - client.right(), frame.bottom() - client.bottom());
        mForm2->move(centredOver(client, mForm2->size(), margins, screen()->availableGeometry()));
    }
    return *mForm2;
}

void Form1::loadPreviewPicture(const QString& picturePath)
{
    ensureForm2().loadPicture(picturePath);
}

void Form1::setPreviewWordFile(const QString& documentPath)
{
    ensureForm2().mWordFile = documentPath;
    // The invitation in the preview is for the celebrant typed now.
    ensureForm2().pageActions().setCelebrant(Text1[0]->text());
    InvitationValues values;
    for (int element = 0; element <= 3; ++element)
        values.texts[element] = Text1[element]->text();
    values.male = male();
    values.birthDate = birthDate().date();
    values.birthTime = birthTime().time();
    values.photo = mPhoto;
    values.photoFrame = chosenDesign().photoFrame;
    ensureForm2().setInvitation(values, chosenDesign().id);
}

const designs::Design& Form1::chosenDesign() const
{
    const QString id = mPlatform.settings->value(designs::kSettingsKey).value_or(QString());
    return designs::find(designs::usable(id) ? id : designs::kDefaultId);
}

FillingRun::Template Form1::chosenTemplate() const
{
    const QString id = mPlatform.settings->value(designs::kSettingsKey).value_or(QString());
    // A design the user brought can go; ours cannot.
    if (id.startsWith(designs::kOwnPrefix) && !designs::usable(id))
        mPlatform.dialogs->message(
            QStringLiteral("Your design \"%1\" is no longer there or cannot be read, so the "
                           "invitation is made in the default design.")
                .arg(id.mid(designs::kOwnPrefix.size())),
            QString(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    const designs::Design& design = chosenDesign();
    try {
        return {design.templateBytes(), design.templateFileName, design.keepsUsersFile,
                design.photoFrame};
    } catch (const Failure&) {
        if (!design.own())
            throw;
        const designs::Design& fallback = designs::find(designs::kDefaultId);
        return {fallback.templateBytes(), fallback.templateFileName, fallback.keepsUsersFile,
                fallback.photoFrame};
    }
}

void Form1::makeInDesign(const QString& id)
{
    // Remembered first, so that the run and every later one use it; the
    // invitation in the former design goes as "< Back" lets it go.
    storeFromHandler([&] { write(designs::kSettingsKey, id); });
    remake();
}

void Form1::remake()
{
    if (mForm2) {
        quietDelete(mForm2->mWordFile);
        mForm2->mWordFile.clear();
    }
    PushButton6_Click();
}

void Form1::restorePhoto()
{
    if (mPhotoRestored)
        return;
    mPhotoRestored = true;
    QString path;
    try {
        path = mPlatform.settings->value(photo::kSettingsKey).value_or(QString());
    } catch (const Failure&) {
        return;
    }
    if (path.isEmpty())
        return;
    const photo::Reading reading = photo::read(path);
    if (reading.refusal.isEmpty()) {
        mPhoto = reading.image;
        return;
    }
    mPlatform.dialogs->message(
        QStringLiteral("The photo kept for the invitation cannot be used any more, so the "
                       "invitation is made without it. Add it again with \"Add Photo…\" in the "
                       "preview.\n\n%1")
            .arg(reading.refusal),
        QString(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    storeFromHandler([&] { write(photo::kSettingsKey, QString()); });
}

void Form1::makeWithPhoto(const QImage& chosen)
{
    mPhotoRestored = true;
    mPhoto = photo::forKeeping(chosen);
    mSoftPhotoNoted = false;
    // The copy is what is remembered; without one the photo is still used now.
    try {
        const QString kept = photo::keep(mPhoto);
        storeFromHandler([&] { write(photo::kSettingsKey, kept); });
    } catch (const Failure& failure) {
        mPlatform.dialogs->message(
            QStringLiteral("The photo is used for this invitation, but a copy of it cannot be "
                           "kept for the next start:\n%1")
                .arg(failure.description()),
            QString(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
    remake();
}

void Form1::makeWithoutPhoto()
{
    mPhotoRestored = true;
    mPhoto = QImage();
    try {
        const QString kept = mPlatform.settings->value(photo::kSettingsKey).value_or(QString());
        if (!kept.isEmpty() && QFileInfo(kept).absolutePath() == photo::folder())
            quietDelete(kept);
    } catch (const Failure&) {
        // Nothing remembered can be read: there is nothing to remove.
    }
    storeFromHandler([&] { write(photo::kSettingsKey, QString()); });
    remake();
}

void Form1::showPreview()
{
    if (!mEnding)
        ensureForm2().showHandedOver();
}

void Form1::hideMainWindow()
{
    hide();
}

} // namespace velmora
