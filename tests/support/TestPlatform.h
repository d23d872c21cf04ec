#pragma once

#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "tests/support/RecordingSpooler.h"
#include "tests/support/ScriptedDialogs.h"

#include <QDateTime>
#include <QList>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace velmora::testing {

// The platform that tests and benchmarks run the windows on: a folder of its
// own (the program folder, and TEMP while it lives), a settings file in it,
// scripted dialogs, a print service that records its jobs, a clock and a random source that say
// what the test sets, and an address opener that fails the test that calls it.
class TestPlatform {
public:
    TestPlatform();
    ~TestPlatform();
    TestPlatform(const TestPlatform&) = delete;
    TestPlatform& operator=(const TestPlatform&) = delete;

    // What the windows get; it reads the members below at each use.
    Platform platform();

    QString folder() const { return mFolder.path(); }
    QString path(const QString& name) const { return mFolder.filePath(name); }

    SettingsStore& settings() { return *mSettings; }
    // The store in another file, from now on (a store that cannot be written,
    // one written beforehand).
    void useSettingsFile(const QString& path);

    ScriptedDialogs dialogs;
    // Shared with the print calls, which may outlast the test's wait for them.
    std::shared_ptr<RecordingSpooler> spooler = std::make_shared<RecordingSpooler>();
    QDateTime now{QDate(2026, 12, 8), QTime(18, 45, 12)};
    std::function<double()> random = [] { return 0.5; };
    // The mail program the windows hand a message to; without one, a test
    // that opens a mail program fails.
    std::function<MailOutcome(const MailMessage&)> mailProgram;
    // Addresses opened outside a test function (a benchmark's).
    QList<QUrl> openedAddresses;
    // While set, the guarded statement at this location and line fails
    // without running (a quiet deletion, a field set do not fail on their own).
    struct Step {
        QString location;
        int line = 0;
    };
    std::optional<Step> failingStep;

private:
    QTemporaryDir mFolder;
    std::unique_ptr<SettingsStore> mSettings;
    QByteArray mFormerTemp;
    bool mHadTemp;
};

} // namespace velmora::testing
