#include "preview/HeldRequests.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace velmora {

HeldRequests::HeldRequests(QWidget& window) : QObject(&window), mWindow(window)
{
}

void HeldRequests::collect()
{
    if (mCollecting)
        return;
    const QScopedValueRollback collecting(mCollecting, true);
    qApp->installEventFilter(this);
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
}

void HeldRequests::carryOut()
{
    for (const Request& request : std::exchange(mHeld, {})) {
        if (request.close) {
            QMetaObject::invokeMethod(&mWindow, &QWidget::close, Qt::QueuedConnection);
            continue;
        }
        const QPointer<QAbstractButton> button = request.button;
        QMetaObject::invokeMethod(
            this,
            [button] {
                if (button && button->isEnabled() && button->isVisible())
                    button->click();
            },
            Qt::QueuedConnection);
    }
}

bool HeldRequests::inWindow(QObject* object) const
{
    if (object == mWindow.windowHandle())
        return true;
    return object->isWidgetType() && static_cast<QWidget*>(object)->window() == &mWindow;
}

bool HeldRequests::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Close:
        if (watched == &mWindow || watched == mWindow.windowHandle()) {
            const bool held = std::any_of(mHeld.cbegin(), mHeld.cend(),
                                          [](const Request& request) { return request.close; });
            if (!held)
                mHeld << Request{true, nullptr};
            return true;
        }
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        if (!watched->isWidgetType())
            return false; // the window's part; its widget gets it next
        auto* button = qobject_cast<QAbstractButton*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (button && inWindow(button) && mouse->button() == Qt::LeftButton) {
            if (event->type() == QEvent::MouseButtonPress) {
                mPressed = button;
            } else if (event->type() == QEvent::MouseButtonRelease && mPressed == button) {
                mHeld << Request{false, button};
                mPressed = nullptr;
            }
        }
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return watched->isWidgetType();
    default:
        return false;
    }
}

HeldRequests::Busy::Busy(HeldRequests& held) : mHeld(held)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

HeldRequests::Busy::~Busy()
{
    mHeld.collect();
    QApplication::restoreOverrideCursor();
}

} // namespace velmora
