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
    // It keeps no state: one serves every window.
    static CupsSpooler spooler;
    platform.spooler = &spooler;
    platform.now = [] { return QDateTime::currentDateTime(); };
    platform.random = [] { return QRandomGenerator::global()->generateDouble(); };
    platform.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    platform.programFolder = programFolder();
    return platform;
}

} // namespace velmora
