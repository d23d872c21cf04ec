#include "platform/Platform.h"

#include "platform/Files.h"
#include "platform/PrintSpooler.h"

#include <QDesktopServices>
#include <QRandomGenerator>

namespace velmora {

Platform makeRealPlatform(SettingsStore& settings, Dialogs& dialogs)
{
    Platform platform;
    platform.settings = &settings;
    platform.dialogs = &dialogs;
    // One serves every window; CUPS is loaded when it is first asked.
    platform.spooler = makeCupsSpooler();
    platform.now = [] { return QDateTime::currentDateTime(); };
    platform.random = [] { return QRandomGenerator::global()->generateDouble(); };
    platform.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    platform.openMail = [](const MailMessage& message) { return openInMailProgram(message); };
    platform.programFolder = programFolder();
    return platform;
}

} // namespace velmora
