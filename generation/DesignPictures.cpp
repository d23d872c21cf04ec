#include "generation/DesignPictures.h"

#include "generation/FillingRun.h"
#include "generation/Invitation.h"
#include "generation/PhotoSpot.h"
#include "generation/RsvpCode.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/OwnedDocuments.h"

#include <QFile>

namespace velmora {

namespace {

// Every occurrence of each search in every story, as the filling run searches.
void replaceInStories(office::Document& document,
                      const std::vector<invitation::Replacement>& replacements)
{
    for (const office::Ref<office::Range>& range : document.storyRanges()) {
        for (const auto& [search, replacement] : replacements) {
            range->clearFindFormatting();
            range->clearReplacementFormatting();
            office::Find& find = range->find();
            find = office::Find{};
            find.text = search;
            find.replacementText = replacement;
            find.wrap = office::kWrapContinue;
            range->execute(office::kReplaceAll);
        }
    }
}

void fillSpots(office::Document& document, const std::vector<invitation::Replacement>& spots)
{
    // The text boxes first: a box that is a spot's alone loses its words with
    // the token. The stories (which reach the boxes too) then take the
    // tokens that stand among other text.
    for (const office::Ref<office::Shape>& shape : document.shapes()) {
        if (!shape->hasText())
            continue;
        const QString text = shape->text();
        for (const auto& [tag, value] : spots) {
            if (!text.contains(tag, Qt::CaseInsensitive))
                continue;
            const auto [search, replacement] = invitation::spotReplacement(text, tag, value);
            shape->replaceText(search, replacement, office::kReplaceAll);
        }
    }
    replaceInStories(document, spots);
}

} // namespace

void fillSpots(office::Document& document, const QString& guest)
{
    fillSpots(document, {{invitation::kGuestTag, guest},
                         {invitation::kPhotoTag, QString()},
                         {invitation::kCodeTag, QString()}});
}

void fillGuestLine(office::Document& document, const QString& guest)
{
    fillSpots(document, {{invitation::kGuestTag, guest}});
}

void fillDocument(office::Document& document, const std::array<QString, 4>& texts, bool male,
                  const QString& date, const QString& time, const QString& guest)
{
    fillSpots(document, guest);
    std::vector<invitation::Replacement> replacements;
    for (int element = 0; element <= 3; ++element)
        replacements.push_back(
            invitation::textReplacement(invitation::kTextTags[element], texts[element], male));
    replaceInStories(document, replacements);
    for (const office::Ref<office::Shape>& shape : document.shapes()) {
        if (!shape->hasText())
            continue;
        for (const auto& [search, replacement] : replacements)
            shape->replaceText(search, replacement, office::kReplaceAll);
        shape->replaceText(invitation::kBirthDateTag, date, office::kReplaceAll);
        shape->replaceText(invitation::kBirthTimeTag, time, office::kReplaceAll);
    }
}

void fillDocument(office::Document& document, const InvitationValues& values)
{
    // Before the spots' tokens go with the text boxes' filling.
    photo::placePhoto(document, values.photo, values.photoFrame, values.texts[0]);
    if (values.rsvpCode)
        rsvp::placeCode(document, values.texts[3]);
    fillDocument(document, values.texts, values.male, invitation::birthDateText(values.birthDate),
                 invitation::birthTimeText(values.birthTime), values.guest);
}

DesignPictures::DesignPictures(office::Engine& engine, QList<designs::Design> designs,
                               InvitationValues values, QSize pixels, Ready ready, int offices)
    : mEngine(engine), mDesigns(std::move(designs)), mValues(std::move(values)), mPixels(pixels),
      mReady(std::move(ready)), mOffices(std::max(1, std::min<int>(offices, mDesigns.size())))
{
    for (int first = 0; first < mOffices; ++first)
        mWorkers.emplace_back([this, first] { work(first); });
}

DesignPictures::~DesignPictures()
{
    mStopping = true;
    {
        const std::lock_guard lock(mInUseMutex);
        for (const std::shared_ptr<office::Application>& application : mInUse)
            application->abandon();
    }
    for (std::thread& worker : mWorkers)
        worker.join();
}

void DesignPictures::work(int first)
{
    // One office makes every picture of its share, one after another.
    office::Ref<office::Application> application;
    QString startFailure;
    try {
        if (!mStopping)
            application = mEngine.createApplication();
    } catch (const Failure& failure) {
        startFailure = failure.description();
    }
    if (application) {
        const std::lock_guard lock(mInUseMutex);
        mInUse.push_back(application.get());
        // Stopped while it was being created: the destructor has looked already.
        if (mStopping)
            application->abandon();
    }
    for (int index = first; index < mDesigns.size() && !mStopping; index += mOffices) {
        QImage picture;
        QString failure = startFailure;
        if (application) {
            try {
                picture = pictureOf(*application.get(), mDesigns[index]);
            } catch (const Failure& caught) {
                failure = caught.description();
            }
        }
        if (!mStopping)
            mReady(index, picture, failure);
    }
    if (application) {
        {
            const std::lock_guard lock(mInUseMutex);
            std::erase(mInUse, application.get());
        }
        office::quitQuietly(*application.get());
    }
}

FilledDesign::FilledDesign(office::Application& application, const designs::Design& design,
                           const InvitationValues& values)
{
    const QString usual = temporaryFile(design.templateFileName);
    QByteArray bytes;
    QFile users(usual);
    if (design.keepsUsersFile && nameState(usual) == NameState::Ours
        && users.open(QIODevice::ReadOnly))
        bytes = users.readAll();
    if (bytes.isEmpty())
        bytes = design.templateBytes();
    mCopy = createPrivateFileBeside(usual, bytes);
    owned::recordDocument(mCopy);
    try {
        mDocument = application.open(mCopy, true);
        // The photo in the frame of this design, whichever the values came with.
        InvitationValues filling = values;
        filling.photoFrame = design.photoFrame;
        fillDocument(*mDocument.get(), filling);
        mDocument->fitTextToBoxes(kSmallestTypePoints);
    } catch (const Failure&) {
        release();
        throw;
    }
}

FilledDesign::~FilledDesign()
{
    release();
}

void FilledDesign::release()
{
    if (mDocument) {
        try {
            mDocument->close();
        } catch (const Failure&) {
            // The office is ended with its application either way.
        }
        mDocument.reset();
    }
    if (!mCopy.isEmpty())
        quietDelete(mCopy);
    mCopy.clear();
}

QImage DesignPictures::pictureOf(office::Application& application, const designs::Design& design)
{
    const FilledDesign filled(application, design, mValues);
    if (mStopping)
        return {};
    const office::Ref<office::Document>& document = filled.document();
    const QSizeF page = document->pageSize();
    const QSize pixels =
        page.isEmpty()
            ? mPixels
            : QSize(mPixels.width(), qRound(mPixels.width() * page.height() / page.width()));
    return document->pagePicture(pixels);
}

} // namespace velmora
