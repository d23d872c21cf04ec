#pragma once

#include "generation/DesignPictures.h"
#include "platform/Platform.h"

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace velmora {

namespace office {
class Engine;
}
class HeldRequests;
class PrintService;

// The preview's ways of getting the invitation out: print it, save it as a
// PDF or a picture, copy its picture, send it by e-mail. Their shortcuts work anywhere in the
// window; the page's context menu (right button, Menu key, Shift+F10) shows
// them. What is printed or written, the office makes from the filled document.
class PageActions : public QObject {
    Q_OBJECT
public:
    // wordFile is the window's mWordFile, read at each use.
    PageActions(QWidget& window, QWidget& view, QWidget& page, const Platform& platform,
                const QString& wordFile);

    // The engine whose prepared offices make the outputs.
    void setOffice(office::Engine& engine);
    // Who the invitation is for: its PDF's title and the print job's name.
    void setCelebrant(const QString& celebrant);
    // Whether the invitation has a photo: "Add Photo…" reads "Change Photo…"
    // and "Remove Photo" shows.
    void setHasPhoto(bool hasPhoto);
    // What the invitation was filled with: its calendar event is made from it.
    void setInvitation(const InvitationValues& values);

    QMenu& menu() const { return *mMenu; }
    // The engine set, if any.
    office::Engine* office() const { return mEngine; }

    // Guarded procedures (the actions call them).
    void mnuPrint_Click();
    void mnuExport_Click();
    void mnuCopyPicture_Click();
    void mnuMail_Click();

signals:
    // "Designs…" (Ctrl+D): the gallery is asked for.
    void designsRequested();
    // "Guests…" (Ctrl+G): the guest list is asked for.
    void guestsRequested();
    // "Add Photo…" / "Change Photo…" (Ctrl+I): a photo is to be chosen.
    void photoRequested();
    // "Remove Photo": the invitation is to be made without its photo.
    void photoRemovalRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addAction(const QString& text, const QKeySequence& keys, void (PageActions::*slot)());
    void popUp(const QPoint& globalPosition);
    office::Engine& engine() const;
    PrintService printService() const;

    QWidget& mWindow;
    QWidget& mView;
    QWidget& mPage;
    Platform mPlatform;
    const QString& mWordFile;
    office::Engine* mEngine = nullptr;
    QString mCelebrant;
    InvitationValues mValues;
    QMenu* mMenu = nullptr;
    HeldRequests* mHeld = nullptr;
    QAction* mPhoto = nullptr;
    QAction* mRemovePhoto = nullptr;
};

} // namespace velmora
