#pragma once

#include <QString>

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

    // "Word Files (*.doc)|*.doc" becomes Qt's "Word Files (*.doc)".
    static QString toQtFilter(const QString& filter);
    // The extension of the filter's first pattern ("doc"), if it is one.
    static QString defaultSuffix(const QString& filter);
};

} // namespace velmora
