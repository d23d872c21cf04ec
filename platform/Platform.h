#pragma once

#include "platform/MailProgram.h"

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

namespace velmora {

class Dialogs;
class PrintSpooler;
class SettingsStore;

// What the windows need of the world outside them. Production fills it with
// the real things (makeRealPlatform); tests with doubles.
struct Platform {
    SettingsStore* settings = nullptr;
    Dialogs* dialogs = nullptr;
    // Shared with the calls into it, which may outlast the wait for them.
    std::shared_ptr<PrintSpooler> spooler;
    std::function<QDateTime()> now;
    // A uniform number in [0, 1).
    std::function<double()> random;
    // Opens an address in the user's browser.
    std::function<void(const QUrl&)> openUrl;
    // Hands a new message to the user's mail program (openInMailProgram).
    std::function<MailOutcome(const MailMessage&)> openMail;
    // The folder whose optional files ("x/o.cjs", "HAND-M.CUR") sit beside the program.
    QString programFolder;
    // Whether the guarded statement at this location and line is to fail as
    // though it had thrown, without running. Empty in the program; tests reach
    // the report of statements that do not fail on their own this way.
    std::function<bool(const QString& location, int line)> failingStep;
};

// The real clock, a sound random source, the desktop's URL handler and CUPS.
Platform makeRealPlatform(SettingsStore& settings, Dialogs& dialogs);

} // namespace velmora
