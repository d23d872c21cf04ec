#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QAbstractButton;
class QWidget;

namespace velmora {

// While the office works for a window, the program takes no input, and what
// the user did meanwhile waits in the window system's queue. Read after the
// work, it would meet the procedure's last message box, which takes the
// input of every other window: a close or a click on the window would be lost.
// So the queue is read here first: the window's close and the buttons clicked
// in it are held and carried out once the procedure has ended; other input
// given while the program was busy (keys, other clicks) is dropped, as a busy
// program's is.
class HeldRequests : public QObject {
    Q_OBJECT
public:
    explicit HeldRequests(QWidget& window);

    // Reads what is waiting in the queue into the hold.
    void collect();
    // Carries out, from the event loop, what is held, in the order it came.
    void carryOut();

    // For one procedure: the busy pointer while the office works, the queue
    // read when it has finished.
    class Busy {
    public:
        explicit Busy(HeldRequests& held);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        HeldRequests& mHeld;
    };

    // For one procedure: what is held is carried out when it ends.
    class UntilEnd {
    public:
        explicit UntilEnd(HeldRequests& held) : mHeld(held) {}
        ~UntilEnd() { mHeld.carryOut(); }
        UntilEnd(const UntilEnd&) = delete;
        UntilEnd& operator=(const UntilEnd&) = delete;

    private:
        HeldRequests& mHeld;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inWindow(QObject* object) const;

    QWidget& mWindow;
    bool mCollecting = false;
    QPointer<QAbstractButton> mPressed;
    // The window's close, or a button's click.
    struct Request {
        bool close = false;
        QPointer<QAbstractButton> button;
    };
    QList<Request> mHeld;
};

} // namespace velmora
