#pragma once

#include "generation/DesignPictures.h"
#include "platform/Platform.h"

#include <QDialog>
#include <QStringList>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QTimer;

namespace velmora {

class Dialogs;
class GuestsMaking;

// The guest list: a plain text field, one guest a line, so that a column
// pasted from a spreadsheet or a chat becomes the list as it is. A file is
// imported into it (Ctrl+I). The list is remembered as the user types and
// read back when the window opens again. From it an invitation is made for
// every guest (saved, Ctrl+S, or printed, Ctrl+P); the guest on the cursor's
// line is shown beside the list.
class GuestsWindow : public QDialog {
    Q_OBJECT
public:
    GuestsWindow(const Platform& platform, QWidget* parent);
    ~GuestsWindow() override;

    // The guests in the field now.
    QStringList guests() const;

    // What the guests' invitations are made of: the preview's invitation.
    void setInvitation(office::Engine* engine, const InvitationValues& values,
                       const QString& designId);
    GuestsMaking& making() const { return *mMaking; }

    // How long typing rests before the list is written.
    static constexpr int kSaveDelayMs = 300;
    // How long the cursor rests on a guest before that guest's invitation is
    // shown.
    static constexpr int kShowDelayMs = 400;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void edited();
    void showCount();
    void importGuests();
    // Writes the list if it changed since it was last written; a failure is
    // told once, until a write succeeds again.
    void saveNow(bool tellFailure = true);
    // The invitation of the guest on the cursor's line, made like the
    // gallery's pictures.
    void showSelectedGuest();

    Dialogs& mDialogs;
    QPlainTextEdit* mList = nullptr;
    QLabel* mCount = nullptr;
    QTimer* mSaveTimer = nullptr;
    QLabel* mGuestPage = nullptr;
    QTimer* mShowTimer = nullptr;
    GuestsMaking* mMaking = nullptr;
    office::Engine* mEngine = nullptr;
    InvitationValues mValues;
    QString mDesignId;
    QString mShownGuest;
    std::unique_ptr<DesignPictures> mPicture;
    bool mUnsaved = false;
    bool mFailureTold = false;
};

} // namespace velmora
