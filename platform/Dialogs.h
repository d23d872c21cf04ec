#pragma once

#include "platform/PrintSpooler.h"

#include <QString>
#include <optional>

namespace velmora {

// Every modal message box and the save dialog go through here, so that tests
// can answer them without a modal loop.
class Dialogs {
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Warning };
    // The codes of the pressed buttons, as message boxes have always numbered them.
    enum Answer : int { Ok = 1, Yes = 6, No = 7 };

    virtual ~Dialogs() = default;

    // An empty title stands for the application short title.
    virtual int message(const QString& text, const QString& title, Buttons buttons, Icon icon) = 0;

    // Shows the save dialog; returns the chosen path, empty when cancelled.
    // The filter is a list of "description|pattern" pairs joined by '|'.
    virtual QString saveFileName(const QString& title, const QString& filter,
                                 const QString& fileName) = 0;

    // The save dialog for a choice of formats: the chosen path (empty when
    // cancelled) and the filter entry chosen, 0 for the first. A name typed
    // without an extension gets the chosen entry's.
    struct SaveChoice {
        QString path;
        int filter = 0;
    };
    // Without a dialog of its own, the first entry is the one chosen.
    virtual SaveChoice saveFileChoice(const QString& title, const QString& filter,
                                      const QString& fileName)
    {
        return {saveFileName(title, filter, fileName), 0};
    }

    // The open dialog: the chosen path, empty when cancelled (and without a
    // dialog of its own). The filter is as for saveFileName.
    virtual QString openFileName(const QString& title, const QString& filter)
    {
        Q_UNUSED(title);
        Q_UNUSED(filter);
        return {};
    }

    // A report and a question on it in one window: the text can be selected
    // and copied, and Return confirms. True when confirmed.
    virtual bool confirm(const QString& text, const QString& title, const QString& confirmLabel)
    {
        Q_UNUSED(confirmLabel);
        return message(text, title, Buttons::YesNo, Icon::None) == Yes;
    }

    // The print dialog over these printers: queue, paper, copies. Nothing
    // when cancelled (and nothing without a print dialog).
    virtual std::optional<PrintSettings> printSettings(const QString& title,
                                                       const QList<Printer>& printers)
    {
        Q_UNUSED(title);
        Q_UNUSED(printers);
        return std::nullopt;
    }

    // The title a message box without one of its own carries. Kept here, not
    // as Qt's application display name, which Qt would append to every
    // window title ("Application Error — Velmora").
    static QString applicationShortTitle();
    static void setApplicationShortTitle(const QString& title);
    static QString resolvedTitle(const QString& title);
};

class QtDialogs final : public Dialogs {
public:
    int message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& fileName) override;
    SaveChoice saveFileChoice(const QString& title, const QString& filter,
                              const QString& fileName) override;
    std::optional<PrintSettings> printSettings(const QString& title,
                                               const QList<Printer>& printers) override;
    QString openFileName(const QString& title, const QString& filter) override;
    bool confirm(const QString& text, const QString& title, const QString& confirmLabel) override;

    // "Word Files (*.doc)|*.doc" becomes Qt's "Word Files (*.doc)".
    static QString toQtFilter(const QString& filter);
    // The extension of the filter's first pattern ("doc"), if it is one.
    static QString defaultSuffix(const QString& filter);
    // The filter without its first entries: entry 1 of "A|*.a|B|*.b" is "B|*.b".
    static QString filterFrom(const QString& filter, int entry);
};

} // namespace velmora
