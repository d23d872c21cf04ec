#include "generation/OfficeModule.h"
#include "mainwindow/Form1.h"
#include "platform/Dialogs.h"
#include "platform/MailProgram.h"
#include "platform/OwnedDocuments.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "platform/Termination.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Before anything else of ours (but after the application object, which
    // must be the first Qt object of the main thread), so that it checks the
    // office while the window is being built.
    std::unique_ptr<velmora::office::Engine> engine = velmora::makeLibreOfficeEngine();
    QApplication::setOrganizationName(QStringLiteral("Quillory"));
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    // Lets the desktop tie the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELMORA_APP_ID));
    // The windows end the program themselves: hiding the main window while the
    // preview shows, or the other way round, is no reason to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    velmora::endEventLoopOnTermination();
    velmora::owned::removeOrphanedDocuments();
    velmora::removeOldMailFiles(QDateTime::currentDateTime());

    velmora::SettingsStore settings;
    velmora::QtDialogs dialogs;
    const velmora::Platform platform = velmora::makeRealPlatform(settings, dialogs);

    velmora::Form1 form(platform, *engine);
    QObject::connect(&form, &velmora::Form1::endProgramRequested,
                     [] { QCoreApplication::exit(0); });
    if (!form.Form_Load())
        return 1;
    if (velmora::terminationRequested())
        return 0;

    const QRect screen = form.screen()->availableGeometry();
    form.move(screen.center() - form.rect().center());
    form.show();
    form.focusFirstField();
    const int status = QApplication::exec();
    // However the program ends (a termination signal, the session's end), its
    // working documents go with it.
    velmora::owned::removeOwnDocuments();
    return status;
}
