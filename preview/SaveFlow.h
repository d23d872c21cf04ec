#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace velmora {

class Dialogs;
class Guard;

// The step numbers under which a save of the preview reports: the Word save
// and the export run the same flow, each with the numbers of its own procedure.
struct SaveSteps {
    int named; // a name chosen?
    int exists; // a file there already?
    int ask; // the overwrite question
    std::optional<int> confirmed; // the answer Yes? (the Word save tests it here too)
    std::optional<int> keep; // the old file left until the new one is whole
    int assumeYes; // no file there: the answer set to Yes
    int proceed; // the answer Yes?
    int write; // the file written
    int done; // "Done."
    // The Word save says "Done." unless its copy failed; the export only
    // after a file was written.
    bool doneWithoutWriting;
};

// From the chosen path on: the overwrite question for an existing file, the
// target checked (checkSaveTarget), the file written, "Done.". A refused or
// failed write is the Error report at the write step and no "Done.".
void saveChosenFile(Guard& guard, Dialogs& dialogs, const SaveSteps& steps, const QString& chosen,
                    const QString& workingDocument,
                    const std::function<void(const QString& path)>& write);

// Throws Failure when a save may not write to the path: the preview's working
// document, by whatever name, which goes when the preview is left (and which
// every later output is made from).
void checkSaveTarget(const QString& path, const QString& workingDocument);

} // namespace velmora
