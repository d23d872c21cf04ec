#include "preview/Viewport.h"

#include "errors/Guard.h"
#include "errors/Locations.h"
#include "platform/Failure.h"

#include <QPainter>
#include <cmath>
#include <limits>

namespace velmora {

namespace {

const QString kOverflow = QStringLiteral("Overflow");
const QString kDivisionByZero = QStringLiteral("Division by zero");
const QString kInvalidPicture = QStringLiteral("Invalid picture");
const QString kInvalidValue = QStringLiteral("Invalid property value");

template <class Int>
Int roundHalfEvenTo(double value)
{
    // nearbyint follows the current rounding mode, which is to-nearest-even.
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded < double(std::numeric_limits<Int>::min())
        || rounded > double(std::numeric_limits<Int>::max()))
        throw Failure(kOverflow);
    return static_cast<Int>(rounded);
}

std::int32_t wholePart(double value)
{
    const double floored = std::floor(value);
    if (!std::isfinite(floored) || floored < double(std::numeric_limits<std::int32_t>::min())
        || floored > double(std::numeric_limits<std::int32_t>::max()))
        throw Failure(kOverflow);
    return static_cast<std::int32_t>(floored);
}

double dotsPerInch(int dotsPerMeter)
{
    return dotsPerMeter > 0 ? std::max(1.0, std::round(dotsPerMeter * 0.0254)) : 96.0;
}

QSize devicePixels(float widthTwips, float heightTwips, qreal ratio)
{
    return QSize(std::max(0, int(std::ceil(widthTwips / kTwipsPerPixel * ratio))),
                 std::max(0, int(std::ceil(heightTwips / kTwipsPerPixel * ratio))));
}

} // namespace

std::int32_t roundHalfEven32(double value)
{
    return roundHalfEvenTo<std::int32_t>(value);
}

std::int16_t roundHalfEven16(double value)
{
    return roundHalfEvenTo<std::int16_t>(value);
}

QSizeF naturalSizeTwips(const QImage& picture)
{
    return QSizeF(picture.width() * 1440.0 / dotsPerInch(picture.dotsPerMeterX()),
                  picture.height() * 1440.0 / dotsPerInch(picture.dotsPerMeterY()));
}

Viewport::Viewport(Dialogs& dialogs) : mDialogs(dialogs)
{
}

const Viewport::Scrollbar& Viewport::scrollbar(Axis axis) const
{
    return axis == Axis::Horizontal ? mHScroll : mVScroll;
}

Viewport::Scrollbar& Viewport::bar(Axis axis)
{
    return axis == Axis::Horizontal ? mHScroll : mVScroll;
}

void Viewport::changed()
{
    if (onChanged)
        onChanged();
}

void Viewport::setPageSize(float width, float height)
{
    mPage.width = width;
    mPage.height = height;
    if (mPage.persistent) {
        // A persistent surface keeps what was drawn where it still fits.
        const QSize size = devicePixels(width, height, devicePixelRatio);
        if (mPage.surface.size() != size) {
            QImage grown(size, QImage::Format_RGB32);
            grown.fill(Qt::white);
            if (!mPage.surface.isNull() && !size.isEmpty()) {
                QPainter painter(&grown);
                painter.drawImage(0, 0, mPage.surface);
            }
            grown.setDevicePixelRatio(devicePixelRatio);
            mPage.surface = grown;
        }
    }
    changed();
}

void Viewport::assignPicture(const Picture& picture)
{
    mFirstShow = true;
    if (picture.isNull())
        return;
    mPage.picture = picture;
    if (mPage.autoSize) {
        setPageSize(float(picture.natural.width()), float(picture.natural.height()));
    } else {
        changed();
    }
}

void Viewport::takeBaseSizeFromHolder(Guard& guard, int widthLine, int heightLine)
{
    guard.step(widthLine, [&] { mBaseWidth = roundHalfEven32(double(mHolder.width - 2.0f)); });
    guard.step(heightLine, [&] { mBaseHeight = roundHalfEven32(double(mHolder.height - 2.0f)); });
}

void Viewport::Form_Activate()
{
    Guard guard(mDialogs, locations::Form2_Form_Activate);
    if (!guard.test(100, [&] { return mFirstShow; }))
        return;
    guard.step(102, [&] {
        mPage.persistent = true;
        setPageSize(mPage.width, mPage.height);
    });
    guard.step(104, [&] {
        mPage.autoSize = true;
        if (!mPage.picture.isNull())
            setPageSize(float(mPage.picture.natural.width()),
                        float(mPage.picture.natural.height()));
    });
    // Step 106 is the page box's white background, which the widget always has.
    guard.step(112, [&] { mHolder.persistent = true; });
    guard.step(114, [&] { mHolder.visible = false; });
    guard.step(116, [&] { mHolder.width = mPage.width; });
    guard.step(118, [&] { mHolder.height = mPage.height; });
    guard.step(122, [&] { mHolder.picture = mPage.picture; });
    guard.step(124, [&] { mZoom = 1.0f; });
    takeBaseSizeFromHolder(guard, 126, 128);
    guard.step(130, [&] { mDrawWidth = mBaseWidth; });
    guard.step(132, [&] { mDrawHeight = mBaseHeight; });
    guard.step(134, [&] { RedrawImage(); });
    guard.step(136, [&] { SetupScrollbars(); });
    guard.step(138, [&] { mFirstShow = false; });
}

void Viewport::RedrawImage()
{
    Guard guard(mDialogs, locations::Form2_RedrawImage);
    guard.step(100, [&] { mDrawWidth = wholePart(double(mBaseWidth) * double(mZoom)); });
    guard.step(102, [&] { mDrawHeight = wholePart(double(mBaseHeight) * double(mZoom)); });
    if (guard.test(104, [&] {
            return mDrawWidth >= kDrawWidthLimit || mDrawHeight >= kDrawHeightLimit;
        })) {
        guard.step(124, [&] { mZoom = 1.0f; });
        takeBaseSizeFromHolder(guard, 126, 128);
        guard.step(130, [&] { mDrawWidth = mBaseWidth; });
        guard.step(132, [&] { mDrawHeight = mBaseHeight; });
        return;
    }
    guard.step(106, [&] {
        // From here on the box shows only what is drawn on it.
        mPage.picture = Picture();
        if (mPage.persistent) {
            mPage.surface.fill(Qt::white);
        }
        changed();
    });
    guard.step(108, [&] { setPageSize(float(mDrawWidth), mPage.height); });
    guard.step(110, [&] { setPageSize(mPage.width, float(mDrawHeight)); });
    guard.step(112, [&] { drawPage(); });
    guard.step(114, [&] {
        if (onDefaultPointer)
            onDefaultPointer();
    });
    guard.step(116, [&] { setScrollValue(Axis::Horizontal, 0); });
    guard.step(118, [&] { setScrollValue(Axis::Vertical, 0); });
    guard.step(120, [&] {
        mHScroll.enabled = mView.innerWidth < float(mDrawWidth);
        changed();
    });
    guard.step(122, [&] {
        mVScroll.enabled = mView.innerHeight < float(mDrawHeight);
        changed();
    });
}

void Viewport::drawPage()
{
    if (mHolder.picture.isNull())
        throw Failure(kInvalidPicture);
    if (mPage.surface.isNull() || mDrawWidth <= 0 || mDrawHeight <= 0 || mBaseWidth <= 0
        || mBaseHeight <= 0)
        return;
    // The source rectangle (0, 0, base size) in the holder's own pixels.
    const QImage& image = mHolder.picture.image;
    const QSizeF& natural = mHolder.picture.natural;
    const QRect source(
        0, 0, std::clamp(qRound(mBaseWidth * image.width() / natural.width()), 1, image.width()),
        std::clamp(qRound(mBaseHeight * image.height() / natural.height()), 1, image.height()));
    const QSize target = devicePixels(float(mDrawWidth), float(mDrawHeight), devicePixelRatio);
    // A smooth scale (area-averaged when shrinking) once per zoom step; scrolling
    // and dragging only move the box.
    QImage stretched = mScaler.scaled(image, source, target);
    // Drawn pixel for pixel: the surface counts in the window's units, and a
    // picture without the same ratio would be enlarged by it again.
    stretched.setDevicePixelRatio(devicePixelRatio);
    {
        QPainter painter(&mPage.surface);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPointF(0, 0), stretched);
    }
    ++mDrawCount;
    changed();
}

void Viewport::SetupScrollbars()
{
    mPage.top = 0;
    changed();
    mPage.left = 0;
    changed();
    setupAxis(Axis::Horizontal, mPage.width, mView.outerWidth, mHStep);
    setupAxis(Axis::Vertical, mPage.height, mView.outerHeight, mVStep);
}

void Viewport::setupAxis(Axis axis, float pageOuter, float viewOuter, std::int16_t& step)
{
    Scrollbar& scroll = bar(axis);
    if (pageOuter <= viewOuter) {
        scroll.enabled = false;
        changed();
        step = 0;
        return;
    }
    const float d = pageOuter - viewOuter;
    scroll.enabled = true;
    changed();
    if (d <= 100.0f) {
        setScrollMaximum(axis, roundHalfEven16(double(d)));
        step = 1;
    } else {
        setScrollMaximum(axis, roundHalfEven16(double(d / 10.0f)));
        step = 10;
    }
    setScrollValue(axis, 0);
}

void Viewport::StepZoom(std::int32_t direction)
{
    const float candidate = direction == 0 ? mZoom + 0.25f : mZoom - 0.25f;
    SetZoom(candidate);
}

void Viewport::SetZoom(float zoom)
{
    if (zoom >= 0.25f && zoom <= 4.0f) {
        mZoom = zoom;
        RedrawImage();
        SetupScrollbars();
    }
}

void Viewport::PushButton1_Click()
{
    Guard guard(mDialogs, locations::Form2_PushButton1_Click);
    guard.step(100, [&] { StepZoom(0); });
}

void Viewport::PushButton2_Click()
{
    Guard guard(mDialogs, locations::Form2_PushButton2_Click);
    guard.step(100, [&] { StepZoom(1); });
}

void Viewport::setScrollValue(Axis axis, int value)
{
    Scrollbar& scroll = bar(axis);
    if (value < 0 || value > scroll.maximum)
        throw Failure(kInvalidValue);
    if (scroll.value == value)
        return;
    scroll.value = value;
    changed();
    scrollHandler(axis);
}

void Viewport::setScrollMaximum(Axis axis, int maximum)
{
    Scrollbar& scroll = bar(axis);
    if (maximum < 0 || maximum > 32767)
        throw Failure(kInvalidValue);
    scroll.maximum = maximum;
    changed();
    // A value above the new maximum is pulled down to it, which is a change.
    if (scroll.value > maximum) {
        scroll.value = maximum;
        changed();
        scrollHandler(axis);
    }
}

void Viewport::scrollHandler(Axis axis)
{
    const bool horizontal = axis == Axis::Horizontal;
    const std::int32_t product = std::int32_t(horizontal ? mHStep : mVStep) * bar(axis).value;
    if (product < std::numeric_limits<std::int16_t>::min()
        || product > std::numeric_limits<std::int16_t>::max())
        throw Failure(kOverflow);
    if (horizontal)
        mPage.left = -float(product);
    else
        mPage.top = -float(product);
    changed();
}

void Viewport::Picture1_MouseDown(Qt::MouseButtons, float x, float y)
{
    Guard guard(mDialogs, locations::Form2_Picture1_MouseDown);
    guard.step(100, [&] { mDragX = x; });
    guard.step(102, [&] { mDragY = y; });
}

void Viewport::Picture1_MouseMove(Qt::MouseButtons buttons, float x, float y)
{
    Guard guard(mDialogs, locations::Form2_Picture1_MouseMove);
    if (!guard.test(100, [&] { return buttons != Qt::NoButton; }))
        return;
    float L = 0;
    float T = 0;
    guard.step(104, [&] { L = mPage.left - mDragX + x; });
    if (guard.test(106, [&] { return L > 0; })) {
        guard.step(108, [&] { L = 0; });
    } else if (guard.test(110, [&] { return (mView.innerWidth - mPage.width) > L; })) {
        guard.step(112, [&] { L = mView.innerWidth - mPage.width; });
    }
    guard.step(114, [&] { T = mPage.top - mDragY + y; });
    if (guard.test(116, [&] { return T > 0; })) {
        guard.step(118, [&] { T = 0; });
    } else if (guard.test(120, [&] { return (mView.innerHeight - mPage.height) > T; })) {
        guard.step(122, [&] { T = mView.innerHeight - mPage.height; });
    }
    guard.step(124, [&] {
        mPage.left = L;
        mPage.top = T;
        changed();
    });
}

void Viewport::Picture1_MouseUp(Qt::MouseButtons, float, float)
{
    Guard guard(mDialogs, locations::Form2_Picture1_MouseUp);
    std::int16_t h = 0;
    std::int16_t v = 0;
    const auto percent = [](float edge, float pageOuter, float viewOuter) {
        const double span = double(pageOuter) - double(viewOuter);
        if (span == 0.0)
            throw Failure(kDivisionByZero);
        return roundHalfEven16(std::abs(double(edge)) / span * 100.0);
    };
    guard.step(100, [&] { h = percent(mPage.left, mPage.width, mView.outerWidth); });
    guard.step(102, [&] { v = percent(mPage.top, mPage.height, mView.outerHeight); });
    guard.step(104, [&] { SetHScrollbarByPercent(Axis::Horizontal, h); });
    guard.step(106, [&] { SetVScrollbarByPercent(Axis::Vertical, v); });
}

void Viewport::SetHScrollbarByPercent(Axis HScrollbar, std::int16_t percent)
{
    setPercent(HScrollbar, percent);
}

void Viewport::SetVScrollbarByPercent(Axis VScrollbar, std::int16_t percent)
{
    setPercent(VScrollbar, percent);
}

void Viewport::setPercent(Axis axis, std::int16_t percent)
{
    if (percent < 0 || percent > 100)
        return;
    const double value = double(percent) / 100.0 * double(bar(axis).maximum);
    setScrollValue(axis, roundHalfEven32(value));
}

} // namespace velmora
