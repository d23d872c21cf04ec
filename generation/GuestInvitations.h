#pragma once

#include "generation/DesignPictures.h"
#include "generation/Designs.h"
#include "generation/Office.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora {

// What is made for every guest.
enum class GuestOutput { OnePdf, PdfEach, PictureEach };

// The save dialog's filter for the guests' invitations; its entries in
// GuestOutput's order, the first chosen when the dialog opens.
extern const QString kGuestsFilter;

// Where the guests' invitations go and as what. A name ending ".png" makes
// pictures and one ending ".pdf" PDFs (one, or one each as the chosen entry
// says); any other name gets the chosen entry's suffix added.
struct GuestsTarget {
    QString path;
    GuestOutput output = GuestOutput::OnePdf;
};
GuestsTarget guestsTarget(const QString& path, int filterEntry);

// The files written for the target: the one PDF, or a file a guest in the
// target's folder, named after its stem and the guest.
QStringList guestsFiles(const GuestsTarget& target, const QStringList& guests);

struct GuestsOutcome {
    // The guests whose invitation was written (into the one PDF, or a file).
    int made = 0;
    // One line for each guest left out: the guest's name and why.
    QStringList missing;
    // Why nothing was written (the one PDF could not be written); empty
    // otherwise.
    QString failure;
    bool cancelled = false;
};

// An invitation for every guest, each the design filled with the values and
// the guest's name, made on threads of their own (each with a prepared office
// that fills one guest after another) so that the windows go on meanwhile.
// A guest whose invitation fails (the office ended under it, a full disk) is
// left out and told; the office is started afresh for the guests after it.
class GuestInvitations {
public:
    struct Order {
        designs::Design design;
        InvitationValues values;
        QStringList guests;
        GuestOutput output = GuestOutput::OnePdf;
        // From guestsFiles: the one PDF's path, or a path a guest.
        QStringList files;
        // The PDFs' title.
        QString title;
    };
    // Both run on a worker thread; finished runs once, last, unless the
    // work was stopped by the destructor.
    using Progress = std::function<void(int done, int total)>;
    using Finished = std::function<void(const GuestsOutcome& outcome)>;

    GuestInvitations(office::Engine& engine, Order order, Progress progress, Finished finished,
                     int offices = 2);
    // Stops the work and waits for it: no office, thread or working file is
    // left. An office that does not answer is ended rather than waited for.
    ~GuestInvitations();
    GuestInvitations(const GuestInvitations&) = delete;
    GuestInvitations& operator=(const GuestInvitations&) = delete;

    // Stops the work from any thread; finished then tells what was written.
    // Files written a guest each stay; the one PDF is not written.
    void cancel();

private:
    void work();
    void makeOne(office::Application& application, int index);
    void finish();
    QString pagePath(int index) const;

    office::Engine& mEngine;
    const Order mOrder;
    const Progress mProgress;
    const Finished mFinished;
    // The pages of the one PDF, a file a guest, until they are joined.
    QString mPagesFolder;
    std::atomic<int> mNext{0};
    std::atomic<int> mDone{0};
    std::atomic<int> mWorking{0};
    std::atomic<bool> mCancelled{false};
    // Stopped by the destructor: nobody is told.
    std::atomic<bool> mSilent{false};
    std::mutex mMutex;
    QString mStartFailure;
    std::vector<bool> mMade;
    std::vector<QString> mWhy;
    std::vector<std::shared_ptr<office::Application>> mInUse;
    std::vector<std::thread> mWorkers;
};

} // namespace velmora
