#pragma once

#include "generation/DesignPictures.h"
#include "generation/GuestInvitations.h"
#include "platform/Platform.h"
#include "platform/PrintSpooler.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QProgressDialog;
class QWidget;

namespace velmora {

// Making an invitation for every guest, for the guests' window: asks where
// they go (or how they print), makes them with a progress window whose Cancel
// stops the work, and tells what came of it. The work runs on threads of its
// own, so the preview and this window go on meanwhile.
class GuestsMaking : public QObject {
    Q_OBJECT
public:
    GuestsMaking(const Platform& platform, QWidget* window);
    ~GuestsMaking() override;

    // What the invitations are made of: the preview's invitation.
    void setInvitation(office::Engine* engine, const InvitationValues& values,
                       const QString& designId);

    void saveForEveryGuest(const QStringList& guests);
    void printForEveryGuest(const QStringList& guests);
    bool busy() const { return mWork != nullptr; }

signals:
    // The work has ended, whatever came of it.
    void ended();

private:
    // Whether the guests can be made: told otherwise.
    bool ready(const QStringList& guests, const QString& title);
    void start(GuestInvitations::Order order, std::function<void(const GuestsOutcome&)> report);
    void progressed(int done, int total);
    void finished(const GuestsOutcome& outcome);

    Platform mPlatform;
    QWidget* mWindow;
    office::Engine* mEngine = nullptr;
    InvitationValues mValues;
    QString mDesignId;
    std::unique_ptr<GuestInvitations> mWork;
    QPointer<QProgressDialog> mProgress;
    std::function<void(const GuestsOutcome&)> mReport;
    // The one PDF a print is made into, in a private folder of its own.
    QString mPrintFolder;
};

} // namespace velmora
