#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <functional>

namespace velmora::testing {

// Answers message boxes and the save dialog as a test told it to, and records
// everything that was shown.
class ScriptedDialogs final : public Dialogs {
public:
    struct Shown {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
    };
    struct SaveAsked {
        QString title;
        QString filter;
        QString fileName;
    };

    int message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& fileName) override;
    // Takes its path from nextFileNames, and its filter entry from nextFilters
    // (the first entry without one); recorded in saveDialogs.
    SaveChoice saveFileChoice(const QString& title, const QString& filter,
                              const QString& fileName) override;
    std::optional<PrintSettings> printSettings(const QString& title,
                                               const QList<Printer>& printers) override;
    // Takes its path from nextOpenFileNames; recorded in openDialogs.
    QString openFileName(const QString& title, const QString& filter) override;

    // Answers for the next message boxes, in order; without one a box answers
    // OK (or No for Yes/No).
    QList<int> nextAnswers;
    // Answers for the next save dialogs, in order; without one it is cancelled.
    QList<QString> nextFileNames;
    QList<int> nextFilters;
    // Answers for the next open dialogs, in order; without one it is cancelled.
    QList<QString> nextOpenFileNames;
    QStringList openDialogs;
    // Answers for the next print dialogs, in order; without one it is cancelled.
    QList<PrintSettings> nextPrintSettings;

    // Runs while a box is open (what the window system may do meanwhile).
    std::function<void()> whileShown;
    // Runs while a save or print dialog is open (what the program does meanwhile).
    std::function<void()> whileChoosing;

    QList<Shown> shown;
    QList<SaveAsked> saveDialogs;
    // The titles of the print dialogs shown.
    QStringList printDialogs;

    // The texts of the Error reports shown so far.
    QStringList errorReports() const;
    // "location-part:line" of each Error report, e.g. "Form1.PushButton3_Click:104".
    QStringList reportedLines() const;
};

} // namespace velmora::testing
