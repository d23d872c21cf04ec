#include "preview/Form2.h"

#include "errors/Guard.h"
#include "errors/Locations.h"
#include "generation/PhotoFile.h"
#include "platform/BitmapFile.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "preview/Gallery.h"
#include "preview/GuestsWindow.h"
#include "preview/PageActions.h"
#include "preview/ResultCopy.h"
#include "preview/SaveFlow.h"
#include "windows/Look.h"
#include "windows/Titles.h"
#include "windows/Twips.h"
#include "windows/WindowPointer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QShortcut>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QWheelEvent>

namespace velmora {

namespace {

const QString kSaveTitle = QStringLiteral("Save File");
const QString kSaveFilter = QStringLiteral("Word Files (*.doc)|*.doc");

} // namespace

// A scrollbar that shows when it has the keyboard focus: the window's first
// focus lands on one, and the desktop's scrollbars draw no sign of it.
class FocusScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QScrollBar::paintEvent(event);
        if (!hasFocus())
            return;
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        // Shown from the start, not only after a key has moved the focus.
        option.state |= QStyle::State_KeyboardFocusChange;
        option.rect = rect().adjusted(1, 1, -1, -1);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
};

// Picture1: shows its picture while it has one, otherwise its persistent
// surface, and turns mouse events into the drag-to-pan procedures (in twips).
class PagePicture : public QWidget {
    Q_OBJECT
public:
    PagePicture(Form2& form, QWidget* parent) : QWidget(parent), mForm(form) { paintWhite(*this); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const Viewport::PageBox& page = mForm.mViewport.pageBox();
        QPainter painter(this);
        if (!page.picture.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRectF(rect()), page.picture.image);
        } else if (!page.surface.isNull()) {
            painter.drawImage(QPointF(0, 0), page.surface);
        }
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        mForm.mViewport.Picture1_MouseDown(event->buttons() | event->button(),
                                           toTwips(event->position().x()),
                                           toTwips(event->position().y()));
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        mForm.mViewport.Picture1_MouseMove(event->buttons(), toTwips(event->position().x()),
                                           toTwips(event->position().y()));
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        mForm.mViewport.Picture1_MouseUp(event->button(), toTwips(event->position().x()),
                                         toTwips(event->position().y()));
    }

private:
    Form2& mForm;
};

Form2::Form2(const Platform& platform, QWidget* parent)
    : QWidget(parent), mPlatform(platform), mViewport(*platform.dialogs)
{
    createControls();
    mViewport.onChanged = [this] { mirror(); };
    mViewport.onDefaultPointer = [this] { mPointer->setKind(WindowPointer::Default); };
    mirror();
    Form_Load();
}

Form2::~Form2() = default;

void Form2::createControls()
{
    setFixedSize(toPixels(9840), toPixels(9390));
    setFont(windowFont(9));
    const QFont buttonFont = windowFont(11.25);

    HScroll1 = new FocusScrollBar(Qt::Horizontal, this);
    HScroll1->setGeometry(pixelRect(120, 120 + kViewBoxHeightTwips, kViewBoxWidthTwips, 255));
    VScroll1 = new FocusScrollBar(Qt::Vertical, this);
    VScroll1->setGeometry(pixelRect(120 + kViewBoxWidthTwips, 120, 255, kViewBoxHeightTwips));
    for (QScrollBar* bar : {HScroll1, VScroll1}) {
        bar->setRange(0, 32767);
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setFocusPolicy(Qt::StrongFocus);
    }
    connect(HScroll1, &QScrollBar::valueChanged, this,
            [this](int value) { userScrolled(Viewport::Axis::Horizontal, value); });
    connect(VScroll1, &QScrollBar::valueChanged, this,
            [this](int value) { userScrolled(Viewport::Axis::Vertical, value); });

    Picture2 = new QWidget(this);
    Picture2->setGeometry(pixelRect(120, 120, kViewBoxWidthTwips, kViewBoxHeightTwips));
    paintWhite(*Picture2);
    Picture2->installEventFilter(this);
    Picture1 = new PagePicture(*this, Picture2);
    Picture1->setGeometry(pixelRect(0, 0, 2340, 3435));

    Frame1 = new QGroupBox(QStringLiteral("Zoom:"), this);
    Frame1->setGeometry(pixelRect(120, 7860, 9600, 855));

    Zoom_Ori = new QWidget(this);
    Zoom_Ori->setGeometry(pixelRect(10320, 480, 735, 375));
    paintWhite(*Zoom_Ori);
    Zoom_Ori->hide();

    const auto button = [&](const QString& caption, QWidget* container, QRect geometry) {
        auto* pushButton = new QPushButton(caption, container);
        pushButton->setGeometry(geometry);
        pushButton->setFont(buttonFont);
        return pushButton;
    };
    PushButton1 = button(QStringLiteral("Zoom In"), Frame1, pixelRect(240, 300, 4440, 405));
    PushButton2 = button(QStringLiteral("Zoom Out"), Frame1, pixelRect(4800, 300, 4560, 405));
    PushButton6 =
        button(QStringLiteral("Save Results To Word File"), this, pixelRect(4920, 8850, 4800, 405));
    PushButton8 = button(QStringLiteral("< Back"), this, pixelRect(120, 8850, 4680, 405));
    connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
    connect(PushButton2, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
    connect(PushButton6, &QPushButton::clicked, this, [this] { PushButton6_Click(); });
    connect(PushButton8, &QPushButton::clicked, this, [this] { PushButton8_Click(); });

    // What a screen reader says for the parts that show no caption of their own.
    Picture1->setAccessibleName(QStringLiteral("Invitation page"));
    Picture1->setAccessibleDescription(
        QStringLiteral("The filled invitation as it will be saved. Drag it or use the scroll "
                       "bars to move it; Zoom In and Zoom Out change its size."));
    Picture2->setAccessibleName(QStringLiteral("Page view"));
    HScroll1->setAccessibleName(QStringLiteral("Scroll the page sideways"));
    VScroll1->setAccessibleName(QStringLiteral("Scroll the page up and down"));

    const QList<QWidget*> tabOrder{HScroll1, VScroll1,    Picture2,    Picture1,    Frame1,
                                   Zoom_Ori, PushButton1, PushButton2, PushButton6, PushButton8};
    // Named as in the designs, so that tests and accessibility tools find them.
    setObjectName(QStringLiteral("Form2"));
    const char* const names[] = {"HScroll1",    "VScroll1",   "Picture2",    "Picture1",
                                 "Frame1",      "Zoom_Ori",   "PushButton1", "PushButton2",
                                 "PushButton6", "PushButton8"};
    for (qsizetype i = 0; i < tabOrder.size(); ++i)
        tabOrder[i]->setObjectName(QLatin1String(names[i]));
    for (qsizetype i = 0; i + 1 < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);

    // The desktop's zoom keys, and Ctrl+= for Ctrl++ typed without Shift.
    QList<QKeySequence> zoomInKeys = QKeySequence::keyBindings(QKeySequence::ZoomIn);
    if (!zoomInKeys.contains(QKeySequence(QStringLiteral("Ctrl+="))))
        zoomInKeys << QKeySequence(QStringLiteral("Ctrl+="));
    auto* zoomIn = new QShortcut(this);
    zoomIn->setKeys(zoomInKeys);
    connect(zoomIn, &QShortcut::activated, this, [this] { PushButton1_Click(); });
    auto* zoomOut = new QShortcut(this);
    zoomOut->setKeys(QKeySequence::ZoomOut);
    connect(zoomOut, &QShortcut::activated, this, [this] { PushButton2_Click(); });
    // The arrow keys move the page a line at a time, as in an image viewer,
    // whichever control has the focus.
    const auto arrowKey = [this](Qt::Key key, bool horizontal, double lines) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this,
                [this, horizontal, lines] { scrollLines(horizontal, lines); });
    };
    arrowKey(Qt::Key_Up, false, -1);
    arrowKey(Qt::Key_Down, false, 1);
    arrowKey(Qt::Key_Left, true, -1);
    arrowKey(Qt::Key_Right, true, 1);

    mPointer = new WindowPointer(*this);
    for (QPushButton* pushButton : {PushButton1, PushButton2, PushButton6, PushButton8})
        mPointer->watchButton(*pushButton);
    mPointer->watchSurface(*this);
    mPointer->watchSurface(*Frame1);

    Viewport::ViewBox view;
    view.outerWidth = toTwips(Picture2->width());
    view.outerHeight = toTwips(Picture2->height());
    view.innerWidth = toTwips(Picture2->contentsRect().width());
    view.innerHeight = toTwips(Picture2->contentsRect().height());
    mViewport.setViewBox(view);

    mPageActions = new PageActions(*this, *Picture2, *Picture1, mPlatform, mWordFile);
    connect(mPageActions, &PageActions::designsRequested, this, &Form2::showGallery);
    connect(mPageActions, &PageActions::guestsRequested, this, &Form2::showGuests);
    connect(mPageActions, &PageActions::photoRequested, this, &Form2::choosePhoto);
    connect(mPageActions, &PageActions::photoRemovalRequested, this, &Form2::photoRemoved,
            Qt::QueuedConnection);
}

void Form2::Form_Load()
{
    Guard guard(mPlatform, locations::Form2_Form_Load);
    guard.step(100, [&] { mViewport.setFirstShow(true); });
    guard.step(102, [&] { applyFaceColour(*this); });
    guard.step(104, [&] {
        setWindowTitle(kProductTitle);
        setWindowIcon(programIcon());
    });
    if (guard.test(108, [&] { return WindowPointer::hasHandCursor(mPlatform.programFolder); }))
        guard.step(110, [&] { mPointer->loadHandCursor(mPlatform.programFolder); });
}

void Form2::loadPicture(const QString& picturePath)
{
    // The page picture the program writes is read by the quick reader; any
    // other picture by Qt's.
    QFile file(picturePath);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        if (bitmap::isPlainBitmap(bytes)) {
            const QImage picture = bitmap::readBitmap(bytes);
            if (!picture.isNull()) {
                mViewport.assignPicture(Picture(picture));
                return;
            }
        }
    }
    QImageReader reader(picturePath);
    reader.setDecideFormatFromContent(true);
    const QImage picture = reader.read();
    mViewport.assignPicture(Picture(picture));
    if (picture.isNull())
        throw Failure(reader.errorString() + QStringLiteral(": ") + picturePath);
}

bool Form2::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // The first activation is the one that comes with showing the window; on
    // a desktop without a window manager no activation may come at all, so the
    // showing itself counts too (the first display runs only once per page).
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        Form_Activate();
    // Hidden by the program (not minimised), the preview shows its page again
    // only after a new hand-over; an idle program keeps no page-sized picture.
    if (event->type() == QEvent::Hide && !event->spontaneous()) {
        mViewport.releaseDrawingSources();
        releaseFreeMemory();
    }
    return handled;
}

void Form2::showHandedOver()
{
    const bool shownAlready = isVisible();
    show();
    if (shownAlready)
        Form_Activate();
}

void Form2::Form_Activate()
{
    // An activation that comes while the first display shows an Error report
    // (the window system activates the window again when the box closes) is
    // not a new first display.
    if (mActivating)
        return;
    const QScopedValueRollback activating(mActivating, true);
    mViewport.devicePixelRatio = devicePixelRatioF();
    mViewport.Form_Activate();
}

void Form2::RedrawImage()
{
    mViewport.RedrawImage();
}

void Form2::PushButton1_Click()
{
    mViewport.PushButton1_Click();
}

void Form2::PushButton2_Click()
{
    mViewport.PushButton2_Click();
}

void Form2::SetHScrollbarByPercent(QScrollBar* HScrollbar, std::int16_t percent)
{
    mViewport.SetHScrollbarByPercent(
        HScrollbar == VScroll1 ? Viewport::Axis::Vertical : Viewport::Axis::Horizontal, percent);
}

void Form2::SetVScrollbarByPercent(QScrollBar* VScrollbar, std::int16_t percent)
{
    mViewport.SetVScrollbarByPercent(
        VScrollbar == HScroll1 ? Viewport::Axis::Horizontal : Viewport::Axis::Vertical, percent);
}

void Form2::mirror()
{
    if (mMirroring)
        return;
    // The widgets' own signals (a scrollbar's valueChanged) must not feed back.
    const QScopedValueRollback mirroring(mMirroring, true);
    const Viewport::PageBox& page = mViewport.pageBox();
    const QRect geometry(toPixels(page.left), toPixels(page.top), toPixels(page.width),
                         toPixels(page.height));
    if (Picture1->geometry() != geometry)
        Picture1->setGeometry(geometry);
    // Drawing into the surface keeps its cache key, so a new drawing is told
    // by the draw count.
    const qint64 shown =
        page.picture.isNull() ? page.surface.cacheKey() : page.picture.image.cacheKey();
    if (shown != mShownSurface || mViewport.drawCount() != mShownDraws) {
        mShownSurface = shown;
        mShownDraws = mViewport.drawCount();
        Picture1->update();
    }
    const Viewport::Holder& holder = mViewport.holder();
    Zoom_Ori->resize(toPixels(holder.width), toPixels(holder.height));
    for (const auto axis : {Viewport::Axis::Horizontal, Viewport::Axis::Vertical}) {
        QScrollBar* bar = axis == Viewport::Axis::Horizontal ? HScroll1 : VScroll1;
        const Viewport::Scrollbar& state = mViewport.scrollbar(axis);
        bar->setMaximum(state.maximum);
        bar->setValue(state.value);
        bar->setEnabled(state.enabled);
    }
}

void Form2::userScrolled(Viewport::Axis axis, int value)
{
    if (mMirroring)
        return;
    try {
        mViewport.setScrollValue(axis, value);
    } catch (const Failure&) {
        // A scrollbar moved by the user has no guarded caller to report to;
        // within the drawn-size limit nothing here can fail.
    }
}

bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Picture2 && event->type() == QEvent::Wheel) {
        wheelOverView(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::wheelOverView(QWheelEvent* event)
{
    // About three lines per notch.
    QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ShiftModifier)
        delta = QPoint(delta.y(), delta.x());
    const bool horizontal = delta.x() != 0 && delta.y() == 0;
    const int notches = horizontal ? delta.x() : delta.y();
    scrollLines(horizontal, -notches / 120.0 * QApplication::wheelScrollLines());
}

void Form2::scrollLines(bool horizontal, double lines)
{
    // Through the scrollbars, so the page goes where the scroll handler puts
    // it: 20 pixels a line, at least one scrollbar unit.
    QScrollBar* bar = horizontal ? HScroll1 : VScroll1;
    const int step = horizontal ? mViewport.hStep() : mViewport.vStep();
    if (lines == 0 || step == 0 || !bar->isEnabled())
        return;
    int units = int(lines * 20 * kTwipsPerPixel / step);
    if (units == 0)
        units = lines > 0 ? 1 : -1;
    bar->setValue(std::clamp(bar->value() + units, 0, bar->maximum()));
}

void Form2::PushButton6_Click()
{
    Dialogs& dialogs = *mPlatform.dialogs;
    Guard guard(mPlatform, locations::Form2_PushButton6_Click);
    struct {
        QString fileName;
        QString title;
        QString filter;
    } CommonDialog1;
    QString chosen;
    guard.step(106, [&] { CommonDialog1.fileName = QString(); });
    guard.step(108, [&] { CommonDialog1.title = kSaveTitle; });
    guard.step(110, [&] { CommonDialog1.filter = kSaveFilter; });
    guard.step(112, [&] {
        CommonDialog1.fileName =
            dialogs.saveFileName(CommonDialog1.title, CommonDialog1.filter, CommonDialog1.fileName);
    });
    guard.step(114, [&] { chosen = CommonDialog1.fileName; });
    // The existing file is not deleted at 124: the copy at 130 replaces it
    // only once the new one is complete, so a failed copy loses nothing.
    const SaveSteps steps{116, 118, 120, 122, 124, 126, 128, 130, 132, true};
    saveChosenFile(guard, dialogs, steps, chosen, mWordFile,
                   [&](const QString& path) { copyResult(mWordFile, path); });
}

void Form2::setInvitation(const InvitationValues& values, const QString& designId)
{
    mValues = values;
    mDesign = designId;
    mPageActions->setHasPhoto(!values.photo.isNull());
    mPageActions->setInvitation(values);
    if (mGuests)
        mGuests->setInvitation(mPageActions->office(), mValues, mDesign);
}

void Form2::choosePhoto()
{
    if (!isVisible())
        return;
    Dialogs& dialogs = *mPlatform.dialogs;
    const QString path = dialogs.openFileName(
        mValues.photo.isNull() ? QStringLiteral("Add Photo") : QStringLiteral("Change Photo"),
        QStringLiteral("Pictures|*.jpg *.jpeg *.png *.webp *.bmp *.gif *.tif *.tiff|All files|*"));
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const photo::Reading reading = photo::read(path);
    QApplication::restoreOverrideCursor();
    if (!reading.refusal.isEmpty()) {
        dialogs.message(reading.refusal, QString(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    emit photoChosen(reading.image);
}

void Form2::showGallery()
{
    office::Engine* engine = mPageActions->office();
    if (!engine || !isVisible())
        return;
    if (mGallery) {
        mGallery->raise();
        mGallery->activateWindow();
        return;
    }
    mGallery = new Gallery(*engine, *mPlatform.dialogs, mValues, mDesign, this);
    mGallery->setAttribute(Qt::WA_DeleteOnClose);
    connect(mGallery, &QObject::destroyed, this, [this] { mGallery = nullptr; });
    connect(mGallery, &QDialog::finished, mGallery, &QWidget::close);
    connect(mGallery, &Gallery::designChosen, this, &Form2::designChosen, Qt::QueuedConnection);
    mGallery->show();
}

void Form2::closeGallery()
{
    if (mGallery)
        mGallery->close();
}

void Form2::showGuests()
{
    if (!isVisible())
        return;
    if (mGuests) {
        mGuests->raise();
        mGuests->activateWindow();
        return;
    }
    mGuests = new GuestsWindow(mPlatform, this);
    mGuests->setInvitation(mPageActions->office(), mValues, mDesign);
    mGuests->setAttribute(Qt::WA_DeleteOnClose);
    connect(mGuests, &QObject::destroyed, this, [this] { mGuests = nullptr; });
    connect(mGuests, &QDialog::finished, mGuests, &QWidget::close);
    mGuests->show();
}

void Form2::closeGuests()
{
    if (mGuests)
        mGuests->close();
}

void Form2::PushButton8_Click()
{
    closeGallery();
    closeGuests();
    Guard guard(mPlatform, locations::Form2_PushButton8_Click);
    guard.step(102, [&] { quietDelete(mWordFile); });
    guard.step(104, [&] { emit mainWindowRequested(); });
    guard.step(106, [&] { hide(); });
}

void Form2::Form_QueryUnload()
{
    Guard guard(mPlatform, locations::Form2_Form_QueryUnload);
    guard.step(100, [&] { quietDelete(mWordFile); });
    guard.step(102, [] { QCoreApplication::processEvents(); });
    guard.step(104, [] { QCoreApplication::processEvents(); });
}

void Form2::closeEvent(QCloseEvent* event)
{
    closeGallery();
    closeGuests();
    Form_QueryUnload();
    event->accept();
    emit endProgramRequested();
}

} // namespace velmora

#include "Form2.moc"
