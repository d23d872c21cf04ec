#include "generation/AvailabilityCheck.h"

#include "generation/Office.h"
#include "platform/Dialogs.h"

namespace velmora {

QString officeMissingMessage()
{
    const QString paragraphBreak = QStringLiteral("\r\n\r\n");
    return QStringLiteral("Error 842001. A normal instance of Word could not be created.")
           + paragraphBreak
           + QStringLiteral("1. Please make sure Word is installed on this computer.")
           + paragraphBreak
           + QStringLiteral("2. Please open Word normally and make sure a blank document opens "
                            "immediately without any interrupting window (such as an Word file "
                            "recovery window).")
           + paragraphBreak
           + QStringLiteral("3. Please make sure that when you double-click on a DOC or DOCX file "
                            "that Word opens normally without any interrupting messages.")
           + paragraphBreak
           + QStringLiteral("4. All versions of Word are supported by this software except for the "
                            "rare Word Starter and Student editions.");
}

bool officeCanStart(office::Engine& engine)
{
    // The engine's own proof that an instance would start: the same yes or no
    // as starting one and ending it again, without the wait for a whole office.
    try {
        engine.checkAvailable();
    } catch (...) {
        return false;
    }
    return true;
}

bool IsInstalled(office::Engine& engine, Dialogs& dialogs)
{
    if (officeCanStart(engine))
        return true;
    dialogs.message(officeMissingMessage(), QString(), Dialogs::Buttons::Ok, Dialogs::Icon::None);
    return false;
}

} // namespace velmora
