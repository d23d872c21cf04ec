#pragma once

#include "generation/Office.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <functional>
#include <vector>

namespace velmora {

class Dialogs;

// What the filling run needs of the windows: the entry fields, read at the
// moment each value is used, the main window's pointer and the preview.
class FillingRunHost {
public:
    virtual ~FillingRunHost() = default;
    // The tag (placeholder token) and the text of text element 0..3.
    virtual QString tag(int element) = 0;
    virtual QString text(int element) = 0;
    // True when "Male" is selected.
    virtual bool male() = 0;
    virtual QDateTime birthDate() = 0;
    virtual QDateTime birthTime() = 0;
    // The guest the invitation is for: none, unless a window says otherwise.
    virtual QString guest() { return {}; }
    // The celebrant's photo: none, unless the window has one (its kept copy).
    virtual QImage photo() { return {}; }
    virtual void setBusyPointer(bool busy) = 0;
    virtual void processPendingEvents() = 0;
    // The page hand-over to the preview window, one statement each.
    virtual void loadPreviewPicture(const QString& picturePath) = 0;
    virtual void setPreviewWordFile(const QString& documentPath) = 0;
    virtual void showPreview() = 0;
    virtual void hideMainWindow() = 0;
};

// The smallest type a box's text is set in to make it fit the box, in points
// (docs/template.md says why this size).
inline constexpr double kSmallestTypePoints = 9.0;

// "tarvik" followed by eight digits 1..9, drawn from a uniform source in [0, 1).
QString drawResultName(const std::function<double()>& random);

// The road from the typed data to the previewed invitation. Every step is
// guarded: a failing step is reported and the run goes on with the next, so the
// flag is always cleared, the pointer restored, an office started always ended
// and the preview always shown.
class FillingRun {
public:
    // What the run fills: the template's bytes, and the name it goes under in
    // the temporary folder, where a file of the user's own under that name is
    // used instead when keepUsersFile is set.
    struct Template {
        QByteArray bytes;
        QString fileName;
        bool keepUsersFile = true;
        // The design's frame for the photo (see designs::Design).
        QString photoFrame = QStringLiteral("plain");
    };

    // The template is read at each run: the embedded one by default.
    FillingRun(office::Engine& engine, Dialogs& dialogs, std::function<double()> random,
               std::function<QByteArray()> templateBytes);
    FillingRun(office::Engine& engine, Dialogs& dialogs, std::function<double()> random,
               std::function<Template()> chosenTemplate);

    // Does nothing while a run is under way.
    void run(FillingRunHost& host);
    bool inProgress() const { return mInProgress; }
    // The document the last run saved (empty when it saved none).
    QString lastResultPath() const { return mLastResultPath; }
    // The text elements (0..3, in order) whose values the last run's
    // invitation does not show whole: their box overflows even in the
    // smallest type.
    const std::vector<int>& lastUnfitElements() const { return mUnfitElements; }
    // The pixels per inch the photo shows at in the last run's invitation;
    // 0 when it shows no photo.
    double lastPhotoPpi() const { return mPhotoPpi; }

private:
    office::Engine& mEngine;
    Dialogs& mDialogs;
    std::function<double()> mRandom;
    std::function<Template()> mTemplate;
    bool mInProgress = false;
    QString mLastResultPath;
    std::vector<int> mUnfitElements;
    double mPhotoPpi = 0;
};

// The embedded invitation template, read whole. Throws Failure when absent.
QByteArray embeddedTemplate();

} // namespace velmora
