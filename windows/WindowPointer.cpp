#include "windows/WindowPointer.h"

#include "platform/Files.h"
#include "windows/CursorFile.h"

#include <QMouseEvent>
#include <QWidget>

namespace velmora {

WindowPointer::WindowPointer(QWidget& window) : QObject(&window), mWindow(window)
{
}

void WindowPointer::setKind(int kind)
{
    if (kind == mKind)
        return;
    mKind = kind;
    apply();
}

void WindowPointer::setCustomImage(const std::optional<QCursor>& image)
{
    mCustomImage = image;
    apply();
}

bool WindowPointer::hasHandCursor(const QString& programFolder)
{
    return fileExists(handCursorPath(programFolder));
}

void WindowPointer::loadHandCursor(const QString& programFolder)
{
    if (hasHandCursor(programFolder))
        setCustomImage(loadCursorFile(handCursorPath(programFolder)));
}

void WindowPointer::apply()
{
    switch (mKind) {
    case Busy:
        mWindow.setCursor(Qt::WaitCursor);
        break;
    case Custom:
        mWindow.setCursor(mCustomImage ? *mCustomImage : QCursor(Qt::PointingHandCursor));
        break;
    default:
        mWindow.setCursor(Qt::ArrowCursor);
        break;
    }
}

void WindowPointer::watchButton(QWidget& button)
{
    button.setMouseTracking(true);
    mButtons.insert(&button);
    button.installEventFilter(this);
}

void WindowPointer::watchSurface(QWidget& surface)
{
    surface.setMouseTracking(true);
    mSurfaces.insert(&surface);
    surface.installEventFilter(this);
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseMove || mKind == Busy)
        return false;
    if (mButtons.contains(watched)) {
        setKind(Custom);
    } else if (mSurfaces.contains(watched)) {
        auto* widget = static_cast<QWidget*>(watched);
        // A move that a child passed up is not over the surface's own background.
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!widget->childAt(move->position().toPoint()))
            setKind(Default);
    }
    return false;
}

} // namespace velmora
