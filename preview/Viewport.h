#pragma once

#include "platform/ViewBox.h"
#include "preview/PageScaler.h"
#include "windows/Twips.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace velmora {

class Dialogs;

// Nearest whole number, ties to the even neighbour; throws Failure("Overflow")
// when the result does not fit the target type.
std::int32_t roundHalfEven32(double value);
std::int16_t roundHalfEven16(double value);

// The size of a picture at its natural size, in twips: pixels * 1440 / dpi,
// with the dpi read from the picture (to the nearest whole dpi, which its
// dots-per-metre field can only approximate); a picture without one counts as
// 96 dpi.
QSizeF naturalSizeTwips(const QImage& picture);

// A picture with its natural size in twips.
struct Picture {
    QImage image;
    QSizeF natural;

    Picture() = default;
    explicit Picture(const QImage& picture) : image(picture), natural(naturalSizeTwips(picture)) {}
    Picture(const QImage& picture, const QSizeF& naturalTwips)
        : image(picture), natural(naturalTwips)
    {
    }
    bool isNull() const { return image.isNull(); }
};

// The preview's page, view and scrollbars as numbers in twips, and the
// procedures that move, zoom and draw them. Form2 mirrors this state onto its
// widgets; nothing here knows a widget, so every rule can be tested directly.
class Viewport {
public:
    static constexpr std::int32_t kDrawWidthLimit = 11000;
    static constexpr std::int32_t kDrawHeightLimit = 14300;

    struct Scrollbar {
        int value = 0;
        int maximum = 32767;
        bool enabled = true;
    };
    enum class Axis { Horizontal, Vertical };

    // Picture1: its edges relative to the view box's client area, its outer
    // size, the picture assigned to it and what has been drawn on it.
    struct PageBox {
        float left = 0;
        float top = 0;
        float width = 2340;
        float height = 3435;
        bool autoSize = false;
        bool persistent = false;
        Picture picture;
        // The persistent drawing surface, in device pixels of the screen.
        QImage surface;
    };
    // Picture2: borderless, so inner and outer sizes coincide unless set apart.
    struct ViewBox {
        float outerWidth = kViewBoxWidthTwips;
        float outerHeight = kViewBoxHeightTwips;
        float innerWidth = kViewBoxWidthTwips;
        float innerHeight = kViewBoxHeightTwips;
    };
    // Zoom_Ori: borderless; the source of every drawing of the page.
    struct Holder {
        float width = 735;
        float height = 375;
        bool persistent = false;
        bool visible = false;
        Picture picture;
    };

    explicit Viewport(Dialogs& dialogs);

    // Called after every change of geometry, scrollbar or surface, so that the
    // widgets can follow at once (the scroll handler is synchronous).
    std::function<void()> onChanged;
    // Drawing the page sets the window's pointer to the default arrow.
    std::function<void()> onDefaultPointer;
    // The device pixel ratio the persistent surface is drawn at.
    qreal devicePixelRatio = 1.0;

    // The page hand-over's first part. A null picture stands for one that
    // could not be read: the page box keeps what it had.
    void assignPicture(const Picture& picture);

    // Guarded procedures.
    void Form_Activate();
    void RedrawImage();
    void PushButton1_Click();
    void PushButton2_Click();
    void Picture1_MouseDown(Qt::MouseButtons buttons, float x, float y);
    void Picture1_MouseMove(Qt::MouseButtons buttons, float x, float y);
    void Picture1_MouseUp(Qt::MouseButtons buttons, float x, float y);

    // Unguarded: failures pass to the caller.
    void SetupScrollbars();
    void StepZoom(std::int32_t direction);
    void SetZoom(float zoom);
    void SetHScrollbarByPercent(Axis HScrollbar, std::int16_t percent);
    void SetVScrollbarByPercent(Axis VScrollbar, std::int16_t percent);

    // A scrollbar's value changes (by the user or a statement): the scroll
    // handler runs at once when the value differs.
    void setScrollValue(Axis axis, int value);
    void setScrollMaximum(Axis axis, int maximum);

    // Frees what only drawing the shown page needs: the copies kept to zoom
    // quickly and the holder's picture. A page is shown again only after a new
    // hand-over, which brings its own picture.
    void releaseDrawingSources()
    {
        mScaler = PageScaler();
        mHolder.picture = Picture();
    }

    // The view box's sizes, for a view box with a border.
    void setViewBox(const ViewBox& view) { mView = view; }

    const PageBox& pageBox() const { return mPage; }
    const ViewBox& viewBox() const { return mView; }
    const Holder& holder() const { return mHolder; }
    const Scrollbar& scrollbar(Axis axis) const;
    // How many times the page has been drawn onto the surface.
    int drawCount() const { return mDrawCount; }

    // The next activation performs the first display (the load step sets it).
    void setFirstShow(bool first) { mFirstShow = first; }
    bool firstShow() const { return mFirstShow; }
    float zoom() const { return mZoom; }
    // The page's size at zoom 1.0 and as drawn, in twips.
    std::int32_t baseWidth() const { return mBaseWidth; }
    std::int32_t baseHeight() const { return mBaseHeight; }
    std::int32_t drawWidth() const { return mDrawWidth; }
    std::int32_t drawHeight() const { return mDrawHeight; }
    // Twips one scrollbar unit moves the page.
    std::int16_t hStep() const { return mHStep; }
    std::int16_t vStep() const { return mVStep; }
    // Where the drag began, relative to the page box.
    float dragX() const { return mDragX; }
    float dragY() const { return mDragY; }

private:
    Scrollbar& bar(Axis axis);
    void scrollHandler(Axis axis);
    void setupAxis(Axis axis, float pageOuter, float viewOuter, std::int16_t& step);
    void setPercent(Axis axis, std::int16_t percent);
    void setPageSize(float width, float height);
    void takeBaseSizeFromHolder(class Guard& guard, int widthLine, int heightLine);
    void drawPage();
    void changed();

    Dialogs& mDialogs;
    PageBox mPage;
    ViewBox mView;
    Holder mHolder;
    Scrollbar mHScroll;
    Scrollbar mVScroll;
    int mDrawCount = 0;
    PageScaler mScaler;

    bool mFirstShow = true;
    float mZoom = 0.0f;
    std::int32_t mBaseWidth = 0;
    std::int32_t mBaseHeight = 0;
    std::int32_t mDrawWidth = 0;
    std::int32_t mDrawHeight = 0;
    std::int16_t mHStep = 0;
    std::int16_t mVStep = 0;
    float mDragX = 0;
    float mDragY = 0;
};

} // namespace velmora
