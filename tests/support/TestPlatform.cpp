#include "tests/support/TestPlatform.h"

#include <QTest>

namespace velmora::testing {

TestPlatform::TestPlatform()
    : mSettings(std::make_unique<SettingsStore>(mFolder.filePath(QStringLiteral("Velmora.ini")))),
      mFormerTemp(qgetenv("TEMP")), mHadTemp(qEnvironmentVariableIsSet("TEMP"))
{
    qputenv("TEMP", mFolder.path().toLocal8Bit());
}

TestPlatform::~TestPlatform()
{
    if (mHadTemp)
        qputenv("TEMP", mFormerTemp);
    else
        qunsetenv("TEMP");
}

Platform TestPlatform::platform()
{
    Platform platform;
    platform.settings = mSettings.get();
    platform.dialogs = &dialogs;
    platform.spooler = spooler;
    platform.now = [this] { return now; };
    platform.random = [this] { return random(); };
    platform.openUrl = [this](const QUrl& address) {
        openedAddresses << address;
        if (QTest::currentTestFunction())
            QFAIL(qPrintable(
                QStringLiteral("a test opened %1 in a browser").arg(address.toString())));
    };
    platform.openMail = [this](const MailMessage& message) {
        if (mailProgram)
            return mailProgram(message);
        if (QTest::currentTestFunction())
            QTest::qFail("a test opened a mail program", __FILE__, __LINE__);
        return MailOutcome::NoMailProgram;
    };
    platform.programFolder = mFolder.path();
    platform.failingStep = [this](const QString& location, int line) {
        return failingStep && failingStep->location == location && failingStep->line == line;
    };
    return platform;
}

void TestPlatform::useSettingsFile(const QString& path)
{
    mSettings = std::make_unique<SettingsStore>(path);
}

} // namespace velmora::testing
