#include "generation/FillingRun.h"

#include "generation/DesignPictures.h"

#include "errors/Guard.h"
#include "errors/Locations.h"
#include "generation/Invitation.h"
#include "generation/PageExport.h"
#include "generation/PhotoSpot.h"
#include "platform/Files.h"
#include "platform/OwnedDocuments.h"
#include "platform/WorkingNames.h"

#include <QFile>
#include <optional>
#include <set>

namespace velmora {

namespace {

using office::Ref;

// A drawn name that exists is thrown away whole; this bounds the redraws in a
// folder where, absurdly, every name exists.
constexpr int kMaxNameDraws = 10000;

office::Find& findOf(office::Find* find)
{
    if (!find)
        throw Failure(kObjectNotSet);
    return *find;
}

// Writes the template unless our own copy is there already (see
// owned::writeWorkingFile for a name that another file has taken).
// Unguarded: a failure belongs to the step that called it.
void writeTemplate(FillingRunHost& host, const FillingRun::Template& chosen, QString& written)
{
    host.processPendingEvents();
    owned::writeWorkingFile(temporaryFile(chosen.fileName), chosen.bytes, chosen.keepUsersFile,
                            written);
}

// Where a working file was written; when nothing was, its own name, unless a
// file that is not ours holds that name: that is never opened.
QString workingPath(const QString& written, const QString& name)
{
    if (!written.isEmpty())
        return written;
    const QString path = temporaryFile(name);
    return nameState(path) == NameState::Taken ? QString() : path;
}

// The text elements to blame for boxes that still overflow: of the typed
// values in such a box, each one at least half as long as the longest there
// (a short value beside a very long one is not what fills the box).
std::vector<int> unfitElements(const std::vector<office::Overflow>& overflows, FillingRunHost& host)
{
    std::set<int> unfit;
    for (const office::Overflow& overflow : overflows) {
        std::vector<std::pair<int, qsizetype>> inBox;
        qsizetype longest = 0;
        for (int element = 0; element <= 3; ++element) {
            const QString value = host.text(element).trimmed();
            if (value.isEmpty() || !overflow.text.contains(value))
                continue;
            inBox.emplace_back(element, value.size());
            longest = std::max(longest, value.size());
        }
        for (const auto& [element, length] : inBox)
            if (2 * length >= longest)
                unfit.insert(element);
    }
    return {unfit.begin(), unfit.end()};
}

} // namespace

QString drawResultName(const std::function<double()>& random)
{
    QString name = names::kResultPrefix;
    for (int counter = 1; counter <= names::kResultDigits; ++counter) {
        const int digit = qBound(1, static_cast<int>(random() * 9) + 1, 9);
        name += QString::number(digit);
    }
    return name;
}

QByteArray embeddedTemplate()
{
    QFile resource(QStringLiteral(":/velmora/template.dot"));
    if (!resource.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Resource not found: the invitation template"));
    return resource.readAll();
}

FillingRun::FillingRun(office::Engine& engine, Dialogs& dialogs, std::function<double()> random,
                       std::function<QByteArray()> templateBytes)
    : FillingRun(engine, dialogs, std::move(random), [templateBytes = std::move(templateBytes)] {
          return Template{templateBytes(), names::kTemplate, true};
      })
{
}

FillingRun::FillingRun(office::Engine& engine, Dialogs& dialogs, std::function<double()> random,
                       std::function<Template()> chosenTemplate)
    : mEngine(engine), mDialogs(dialogs), mRandom(std::move(random)),
      mTemplate(std::move(chosenTemplate))
{
}

void FillingRun::run(FillingRunHost& host)
{
    Guard guard(mDialogs, locations::Form1_PushButton6_Click);
    bool leave = false;
    guard.step(100, [&] { leave = mInProgress; });
    if (leave)
        return;
    mUnfitElements.clear();
    mPhotoPpi = 0;
    guard.step(102, [&] { mInProgress = true; });
    guard.step(104, [&] { host.setBusyPointer(true); });

    Template chosen{{}, names::kTemplate, true};
    QString writtenTemplate;
    guard.step(106, [&] { chosen = mTemplate(); });
    guard.step(108, [&] { writeTemplate(host, chosen, writtenTemplate); });

    Ref<office::Application> application;
    Ref<office::Document> document;
    QString templatePath;
    guard.step(110, [&] { application = mEngine.createApplication(); });
    guard.step(112, [&] { templatePath = workingPath(writtenTemplate, chosen.fileName); });
    guard.step(114, [&] { document = application->open(templatePath, true); });
    // The photo goes in while its spot still holds its token, which the
    // text-frame pass takes away.
    guard.step(115, [&] {
        const QImage photo = host.photo();
        if (!photo.isNull())
            mPhotoPpi =
                photo::placePhoto(*document.operator->(), photo, chosen.photoFrame, host.text(0));
    });

    // The story pass: every text element over every story of the document.
    for (int element = 0; element <= 3; ++element) {
        guard.forEach<Ref<office::Range>>(
            118, 162, [&] { return elementsOf(document->storyRanges()); },
            [&](const Ref<office::Range>& item) {
                Ref<office::Range> range;
                office::Find* find = nullptr;
                guard.step(120, [&] { range = item; });
                guard.step(122, [&] { range->clearFindFormatting(); });
                guard.step(124, [&] { range->clearReplacementFormatting(); });
                guard.step(126, [&] { find = &range->find(); });
                if (guard.test(128,
                               [&] { return host.tag(element) == invitation::kCelebrantTag; })) {
                    if (guard.test(130, [&] { return host.male(); })) {
                        guard.step(132, [&] {
                            findOf(find).text = host.tag(element) + invitation::kFemalePhrase;
                        });
                        guard.step(134, [&] {
                            findOf(find).replacementText =
                                host.text(element) + invitation::kMalePhrase;
                        });
                    } else {
                        guard.step(136, [&] { findOf(find).text = host.tag(element); });
                        guard.step(138, [&] { findOf(find).replacementText = host.text(element); });
                    }
                } else {
                    guard.step(140, [&] { findOf(find).text = host.tag(element); });
                    guard.step(142, [&] { findOf(find).replacementText = host.text(element); });
                }
                guard.step(144, [&] { findOf(find).forward = true; });
                guard.step(146, [&] { findOf(find).wrap = office::kWrapContinue; });
                guard.step(148, [&] { findOf(find).format = false; });
                guard.step(150, [&] { findOf(find).matchCase = false; });
                guard.step(152, [&] { findOf(find).matchWholeWord = false; });
                guard.step(154, [&] { findOf(find).matchWildcards = false; });
                guard.step(156, [&] { findOf(find).matchSoundsLike = false; });
                guard.step(158, [&] { findOf(find).matchAllWordForms = false; });
                guard.step(160, [&] { range->execute(office::kReplaceAll); });
            });
    }

    // The text-frame pass: every shape that holds text, the date and time too.
    guard.forEach<Ref<office::Shape>>(
        166, 188, [&] { return elementsOf(document->shapes()); },
        [&](const Ref<office::Shape>& shape) {
            if (!guard.test(168, [&] { return shape->hasText(); }))
                return;
            for (int element = 0; element <= 3; ++element) {
                if (guard.test(172,
                               [&] { return host.tag(element) == invitation::kCelebrantTag; })) {
                    if (guard.test(174, [&] { return host.male(); })) {
                        guard.step(176, [&] {
                            shape->replaceText(host.tag(element) + invitation::kFemalePhrase,
                                               host.text(element) + invitation::kMalePhrase,
                                               office::kReplaceAll);
                        });
                    } else {
                        guard.step(178, [&] {
                            shape->replaceText(host.tag(element), host.text(element),
                                               office::kReplaceAll);
                        });
                    }
                } else {
                    guard.step(180, [&] {
                        shape->replaceText(host.tag(element), host.text(element),
                                           office::kReplaceAll);
                    });
                }
            }
            guard.step(184, [&] {
                shape->replaceText(invitation::kBirthDateTag,
                                   invitation::birthDateText(host.birthDate().date()),
                                   office::kReplaceAll);
            });
            guard.step(186, [&] {
                shape->replaceText(invitation::kBirthTimeTag,
                                   invitation::birthTimeText(host.birthTime().time()),
                                   office::kReplaceAll);
            });
            guard.step(187, [&] { fillSpots(shape, host.guest()); });
        });

    // A fresh name that no file in the temporary folder has yet.
    QString resultPath;
    for (int draw = 0; draw < kMaxNameDraws; ++draw) {
        QString name;
        guard.step(190, [&] { name = names::kResultPrefix; });
        guard.step(196, [&] { name = drawResultName(mRandom); });
        guard.step(202, [&] { resultPath = temporaryFile(name + names::kResultSuffix); });
        // A name is drawn again only when the file is known to exist; a test
        // that fails goes on to save. The test claims the name: the file is
        // created (privately, never through a link) and recorded, so a
        // program killed from here on leaves it to the next program to remove.
        bool exists = false;
        if (!guard.step(204, [&] { exists = !owned::reserveDocument(resultPath); }) || !exists
            || draw + 1 == kMaxNameDraws)
            break;
    }

    guard.step(206, [&] {
        // The office writes through whatever holds the name: never through
        // a link or into a file that another user planted there.
        if (nameState(resultPath) == NameState::Taken)
            throw Failure(QStringLiteral("%1 is not this user's own file").arg(resultPath));
        // Values too long for their boxes are set smaller; what still does not
        // fit is kept for the main window to tell. A fit that fails does not
        // keep the invitation from being saved; it is reported after the save.
        std::optional<Failure> fitFailure;
        try {
            mUnfitElements = unfitElements(document->fitTextToBoxes(kSmallestTypePoints), host);
        } catch (const Failure& failure) {
            fitFailure = failure;
        }
        try {
            document->saveAs(resultPath);
        } catch (const Failure&) {
            // The empty file that claimed the name is no document, and
            // there is no invitation to tell about.
            quietDelete(resultPath);
            mUnfitElements.clear();
            throw;
        }
        if (fitFailure)
            throw *fitFailure;
    });
    guard.step(208, [&] { application->setDisplayAlerts(false); });
    guard.step(210, [&] { document->close(); });
    guard.step(212, [&] { application->quit(); });
    guard.step(214, [&] { document.reset(); });
    guard.step(216, [&] { application.reset(); });
    quietDelete(templatePath);
    mLastResultPath = fileExists(resultPath) ? resultPath : QString();

    QString writtenPicture;
    guard.step(220, [&] {
        writtenPicture = saveDocAsJpg(mEngine, mDialogs, resultPath,
                                      [] { return temporaryFile(names::kPicture); });
    });
    guard.step(222, [&] { host.setBusyPointer(false); });
    QString picturePath;
    guard.step(224, [&] {
        picturePath = workingPath(writtenPicture, names::kPicture);
        host.loadPreviewPicture(picturePath);
    });
    guard.step(226, [&] { host.setPreviewWordFile(resultPath); });
    guard.step(228, [&] { host.showPreview(); });
    guard.step(230, [&] { host.hideMainWindow(); });
    try {
        quietDelete(picturePath.isEmpty() ? temporaryFile(names::kPicture) : picturePath);
    } catch (const Failure&) {
        // A deletion never reports; without a temporary folder there is nothing to delete.
    }
    guard.step(234, [&] { mInProgress = false; });
}

} // namespace velmora
