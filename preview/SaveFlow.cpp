#include "preview/SaveFlow.h"

#include "errors/Guard.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "preview/ResultCopy.h"
#include "preview/SaveTexts.h"

namespace velmora {

void checkSaveTarget(const QString& path, const QString& workingDocument)
{
    if (sameFile(path, workingDocument))
        throw Failure(QStringLiteral("This is the preview's working document, which is "
                                     "removed when the preview is left or closed; save "
                                     "under another name: ")
                      + path);
}

void saveChosenFile(Guard& guard, Dialogs& dialogs, const SaveSteps& steps, const QString& chosen,
                    const QString& workingDocument,
                    const std::function<void(const QString& path)>& write)
{
    int answer = 0;
    if (guard.test(steps.named, [&] { return !chosen.isEmpty(); })) {
        if (guard.test(steps.exists, [&] { return fileExists(chosen); })) {
            guard.step(steps.ask, [&] {
                answer = dialogs.message(kOverwriteQuestion + chosen + QStringLiteral(" ?"),
                                         QString(), Dialogs::Buttons::YesNo, Dialogs::Icon::None);
            });
            if (steps.confirmed
                && guard.test(*steps.confirmed, [&] { return answer == Dialogs::Yes; })
                && steps.keep)
                guard.step(*steps.keep, [] {});
        } else {
            guard.step(steps.assumeYes, [&] { answer = Dialogs::Yes; });
        }
    }
    bool written = false;
    bool failed = false;
    if (guard.test(steps.proceed, [&] { return answer == Dialogs::Yes; })) {
        written = guard.step(steps.write, [&] {
            checkSaveTarget(chosen, workingDocument);
            write(chosen);
        });
        failed = !written;
    }
    // "Done." tells that the file is where the user asked; after a refused
    // or failed write the Error report is the only message.
    if (written || (steps.doneWithoutWriting && !failed))
        guard.step(steps.done, [&] {
            dialogs.message(kDone, QString(), Dialogs::Buttons::Ok, Dialogs::Icon::None);
        });
}

} // namespace velmora
