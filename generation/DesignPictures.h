#pragma once

#include "generation/Designs.h"
#include "generation/Office.h"

#include <QDate>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTime>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora {

// What the user typed, as the filling run reads it from the form.
struct InvitationValues {
    // Celebrant, location, given by, RSVP number: text elements 0..3.
    std::array<QString, 4> texts;
    bool male = false;
    QDate birthDate;
    QTime birthTime;
    // Not typed in the form: the guest an invitation is made for (none for
    // the invitation itself).
    QString guest;
    // The celebrant's photo (the program's kept copy; null without one) and
    // the frame the design gives it ("round", "arch", "print", "plain").
    QImage photo;
    QString photoFrame;
};

// Fills an opened document by the filling run's rules: the four texts (with
// the celebrant's phrase for a male celebrant) in every story and every text
// frame, the date and time texts in the text frames, then the spots (the
// guest's line; the photo's and the code's tokens go). Throws Failure with the
// office's message.
// Fills the spots of one text box: the guest's line with the guest's name,
// or without a guest its words gone with the token.
void fillSpots(const office::Ref<office::Shape>& shape, const QString& guest);
void fillDocument(office::Document& document, const std::array<QString, 4>& texts, bool male,
                  const QString& date, const QString& time, const QString& guest = {});
// With a photo, it goes into the design's photo spot first, framed.
void fillDocument(office::Document& document, const InvitationValues& values);

// The design's template opened in the application from a private copy (the
// one the filling run would use: the user's own template.dot for the default
// design, when there is one), filled with the values and its text fitted to
// its boxes. The document is closed and the copy removed when this goes.
class FilledDesign {
public:
    FilledDesign(office::Application& application, const designs::Design& design,
                 const InvitationValues& values);
    ~FilledDesign();
    FilledDesign(const FilledDesign&) = delete;
    FilledDesign& operator=(const FilledDesign&) = delete;

    const office::Ref<office::Document>& document() const { return mDocument; }

private:
    void release();

    QString mCopy;
    office::Ref<office::Document> mDocument;
};

// Pictures of the user's invitation in each design, made by the office from
// a filled document, on threads of their own (each with a prepared office)
// so that the windows go on meanwhile. Each picture is handed over as soon as
// it is made; a design that fails hands over a null picture and why.
class DesignPictures {
public:
    // Runs on a worker thread: the design's index in the list, its picture.
    using Ready = std::function<void(int index, const QImage& picture, const QString& failure)>;

    DesignPictures(office::Engine& engine, QList<designs::Design> designs, InvitationValues values,
                   QSize pixels, Ready ready, int offices = 2);
    // Stops the work and waits for it: no office and no thread is left. An
    // office that does not answer is ended rather than waited for.
    ~DesignPictures();
    DesignPictures(const DesignPictures&) = delete;
    DesignPictures& operator=(const DesignPictures&) = delete;

private:
    void work(int first);
    QImage pictureOf(office::Application& application, const designs::Design& design);

    office::Engine& mEngine;
    const QList<designs::Design> mDesigns;
    const InvitationValues mValues;
    const QSize mPixels;
    const Ready mReady;
    const int mOffices;
    std::atomic<bool> mStopping{false};
    // The offices at work, given up when the work stops.
    std::mutex mInUseMutex;
    std::vector<std::shared_ptr<office::Application>> mInUse;
    std::vector<std::thread> mWorkers;
};

} // namespace velmora
