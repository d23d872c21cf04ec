#pragma once

#include "generation/DesignPictures.h"
#include "platform/Platform.h"
#include "preview/Viewport.h"

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class QGroupBox;
class QPushButton;
class QScrollBar;

namespace velmora {

class Gallery;
class GuestsWindow;
class PageActions;
class WindowPointer;

// The preview window: the page picture in a fixed view with zoom, scrollbars
// and drag-to-pan, and the buttons that save the filled document or go back.
// The arithmetic lives in Viewport; this class mirrors it onto the widgets.
class Form2 : public QWidget {
    Q_OBJECT
public:
    // Runs the guarded load step.
    explicit Form2(const Platform& platform, QWidget* parent = nullptr);
    ~Form2() override;

    // Page hand-over, first part: Picture1 gets the picture in the file. Throws
    // Failure when the file cannot be read as a picture (the page then stays as
    // it was). Either way the next activation performs the first display.
    void loadPicture(const QString& picturePath);

    // Page hand-over, last part: the window is shown. A window that shows
    // already (a design chosen in the gallery) is neither shown nor activated
    // anew, so the page handed over gets its first display here.
    void showHandedOver();

    // Full path of the filled document; set by the hand-over, copied by the
    // save button, deleted by "< Back" and by closing the window.
    QString mWordFile;

    // Guarded procedures (the window's events call them).
    void Form_Activate();
    void RedrawImage();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton6_Click();
    void PushButton8_Click();

    void SetHScrollbarByPercent(QScrollBar* HScrollbar, std::int16_t percent);
    void SetVScrollbarByPercent(QScrollBar* VScrollbar, std::int16_t percent);

    const Viewport& viewport() const { return mViewport; }
    const WindowPointer& pointer() const { return *mPointer; }
    WindowPointer& pointer() { return *mPointer; }
    // Print, export and copy, with the page's context menu.
    PageActions& pageActions() const { return *mPageActions; }

    // What the invitation in the preview was filled with, and its design: the
    // gallery shows these words in every design.
    void setInvitation(const InvitationValues& values, const QString& designId);
    // "Designs…": the gallery, made anew each time it is asked for.
    void showGallery();
    Gallery* gallery() const { return mGallery; }
    // "Guests…": the guest list's window, one at a time like the gallery.
    void showGuests();
    GuestsWindow* guestsWindow() const { return mGuests; }
    // "Add Photo…": the open dialog, then the photo read; a file that cannot
    // be used is told in a plain warning and changes nothing.
    void choosePhoto();

signals:
    // "< Back": the main window is to show again.
    void mainWindowRequested();
    // The preview was closed: the program must end.
    void endProgramRequested();
    // A design was chosen in the gallery: the invitation is to be made anew in it.
    void designChosen(const QString& id);
    // A photo was chosen and read: the invitation is to be made anew with it.
    void photoChosen(const QImage& photo);
    // "Remove Photo": the invitation is to be made anew without one.
    void photoRemoved();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class PagePicture;

    // The controls, owned by the window; others find them by their objectName.
    QScrollBar* HScroll1 = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QWidget* Picture2 = nullptr;
    QWidget* Picture1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QWidget* Zoom_Ori = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton6 = nullptr;
    QPushButton* PushButton8 = nullptr;

    void createControls();
    void Form_Load();
    void Form_QueryUnload();
    void mirror();
    void userScrolled(Viewport::Axis axis, int value);
    void wheelOverView(class QWheelEvent* event);
    // Moves the page by lines of 20 pixels (negative: up or left).
    void scrollLines(bool horizontal, double lines);
    void closeGallery();
    void closeGuests();

    Platform mPlatform;
    Viewport mViewport;
    WindowPointer* mPointer = nullptr;
    PageActions* mPageActions = nullptr;
    Gallery* mGallery = nullptr;
    GuestsWindow* mGuests = nullptr;
    InvitationValues mValues;
    QString mDesign;
    bool mMirroring = false;
    bool mActivating = false;
    qint64 mShownSurface = 0;
    int mShownDraws = -1;
};

} // namespace velmora
