// Starting and ending private LibreOffice instances: what fails, what is
// killed, and that nothing of ours, and nothing of the user's, is harmed.
#include "tests/support/OfficeFixtures.h"

#include "generation/OfficeModule.h"
#include "generation/PageExport.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <csignal>

using namespace velmora;
using namespace velmora::testing;

namespace {

QString failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Failure& failure) {
        return failure.description().isEmpty() ? QStringLiteral("(empty)") : failure.description();
    }
    return {};
}

// The soffice.bin whose command line names the profile folder, or 0.
pid_t officeUsing(const QString& profile)
{
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray arguments = cmdline.readAll();
        if (arguments.contains("soffice.bin") && arguments.contains(profile.toUtf8()))
            return entry.toInt();
    }
    return 0;
}

// Quits, then waits for the office to leave: it has up to 10 s before it is
// killed, and meanwhile would be counted beside the prepared ones. Those stay
// until taken, so the office that goes is the one told to quit.
bool quitAndAwaitItsOffice(const office::Ref<office::Application>& application)
{
    const QStringList before = ourOfficeProcesses();
    application->quit();
    return QTest::qWaitFor(
        [&] {
            const QStringList now = ourOfficeProcesses();
            return std::any_of(before.begin(), before.end(),
                               [&](const QString& office) { return !now.contains(office); });
        },
        60000);
}

} // namespace

class TestOfficeLifecycle : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() GUARDED_TEST
    {
        QVERIFY(mFolder.isValid());
        auto engine = makeTestEngine();
        mDocument = makeStoriesDocument(*engine, mFolder.path());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cleanupTestCase() { QCOMPARE(leftovers(mFolder.path()), QStringList()); }

    // The start-up check's cheap proof gives the same yes or no as starting
    // an office would.
    void availabilityCheckTellsWhetherAnOfficeStarts() GUARDED_TEST
    {
        QCOMPARE(failureOf([] { makeTestEngine()->checkAvailable(); }), QString());
        QCOMPARE(ourOfficeProcesses(), QStringList());

        const auto checkWith = [](const QString& libreOfficeDir, const QString& module) {
            LibreOfficeSettings settings;
            settings.modulePath = module;
            settings.libreOfficeDir = libreOfficeDir;
            settings.preparedInstances = 0;
            return failureOf([&] { makeLibreOfficeEngine(settings)->checkAvailable(); });
        };
        const QString module =
            QCoreApplication::applicationDirPath() + QStringLiteral("/velmora_libreoffice.so");
        QVERIFY(
            !checkWith(mFolder.filePath(QStringLiteral("no-libreoffice-here")), module).isEmpty());

        // The real office program without the libraries it loads from its own folder.
        const QString broken = mFolder.filePath(QStringLiteral("broken-libreoffice"));
        QVERIFY(QDir().mkpath(broken + QStringLiteral("/program")));
        QVERIFY(QFile::copy(QStringLiteral("/usr/lib/libreoffice/program/soffice.bin"),
                            broken + QStringLiteral("/program/soffice.bin")));
        QVERIFY(!checkWith(broken, module).isEmpty());

        // An office program that ends at once, saying nothing.
        const QString quitting = mFolder.filePath(QStringLiteral("quitting-libreoffice"));
        QVERIFY(QDir().mkpath(quitting + QStringLiteral("/program")));
        QFile script(quitting + QStringLiteral("/program/soffice.bin"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexit 0\n");
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
        QVERIFY(!checkWith(quitting, module).isEmpty());

        QVERIFY(checkWith(QStringLiteral("/usr/lib/libreoffice"),
                          mFolder.filePath(QStringLiteral("missing_module.so")))
                    .contains(QStringLiteral("module")));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // Once the office is known to start, instances are prepared without
    // waiting for the first creation, and go with the engine.
    void preparationBeginsWhenTheOfficeIsKnownToStart() GUARDED_TEST
    {
        auto engine = makeTestEngine(2);
        engine->checkAvailable();
        QTRY_COMPARE_WITH_TIMEOUT(ourOfficeProcesses().size(), 2, 120000);
        engine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void missingOfficeFailsCreation() GUARDED_TEST
    {
        LibreOfficeSettings noOffice;
        noOffice.modulePath =
            QCoreApplication::applicationDirPath() + QStringLiteral("/velmora_libreoffice.so");
        noOffice.libreOfficeDir = mFolder.filePath(QStringLiteral("no-libreoffice-here"));
        auto engine = makeLibreOfficeEngine(noOffice);
        QVERIFY(!failureOf([&] { engine->createApplication(); }).isEmpty());
        // And again: a failed creation leaves the engine usable for reporting.
        QVERIFY(!failureOf([&] { engine->createApplication(); }).isEmpty());

        LibreOfficeSettings noModule;
        noModule.modulePath = mFolder.filePath(QStringLiteral("missing_module.so"));
        QVERIFY(failureOf([&] {
                    makeLibreOfficeEngine(noModule)->createApplication();
                }).contains(QStringLiteral("module")));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // A crashed office: every later call fails instead of hanging or crashing
    // us, and ending the application cleans up after it.
    void killedOfficeMakesCallsFail() GUARDED_TEST
    {
        auto engine = makeTestEngine();
        auto application = engine->createApplication();
        auto document = application->open(mDocument, false);
        QCOMPARE(killOurOffices(SIGKILL), 1);
        QVERIFY(!failureOf([&] { document->storyRanges(); }).isEmpty());
        QVERIFY(!failureOf([&] { application->open(mDocument, true); }).isEmpty());
        QVERIFY(!failureOf([&] { application->quit(); }).isEmpty());
        // Once quit, the instance stays ended.
        QVERIFY(!failureOf([&] { fittedPagePicture(document); }).isEmpty());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void hungOfficeIsEndedByTheWatchdog() GUARDED_TEST
    {
        auto engine = makeTestEngine(0, 10000);
        auto application = engine->createApplication();
        auto document = application->open(mDocument, true);
        QCOMPARE(killOurOffices(SIGSTOP), 1);
        const QString failure = failureOf([&] { document->shapes(); });
        QVERIFY2(failure.contains(QStringLiteral("did not answer")), qPrintable(failure));
        QCOMPARE(ourOfficeProcesses(), QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // An application dropped without quit() still ends its office.
    void droppedApplicationEndsItsOffice() GUARDED_TEST
    {
        auto engine = makeTestEngine();
        {
            auto application = engine->createApplication();
            application->open(mDocument, false);
            QCOMPARE(ourOfficeProcesses().size(), 1);
        }
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // Instances started ahead are handed out one per creation and ended with
    // the engine, used or not.
    void preparedInstancesEndWithTheEngine() GUARDED_TEST
    {
        auto engine = makeTestEngine(2);
        for (int round = 0; round < 3; ++round) {
            auto application = engine->createApplication();
            QVERIFY(application->open(mDocument, true)->storyRanges().size() >= 4);
            QVERIFY(quitAndAwaitItsOffice(application));
        }
        // Started a little after the last hand-out.
        QTRY_COMPARE_WITH_TIMEOUT(ourOfficeProcesses().size(), 2, 120000);
        engine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // quit() returns once the office has agreed to end; the office then leaves
    // on its own, its folder goes, and the engine need not be destroyed first.
    void quitOfficeLeavesWhileTheEngineLives() GUARDED_TEST
    {
        auto engine = makeTestEngine();
        auto application = engine->createApplication();
        application->open(mDocument, true);
        application->closeActiveDocument(false);
        application->quit();
        QVERIFY(!failureOf([&] { application->open(mDocument, true); }).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(ourOfficeProcesses().isEmpty() && ourProfileFolders().isEmpty(),
                                 60000);
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // An engine destroyed right after quit() ends what is still leaving.
    void engineEndsOfficesStillLeaving() GUARDED_TEST
    {
        auto engine = makeTestEngine(2);
        for (int round = 0; round < 2; ++round) {
            auto application = engine->createApplication();
            application->open(mDocument, true);
            application->quit();
        }
        engine.reset();
        QCOMPARE(ourOfficeProcesses(), QStringList());
        QCOMPARE(ourProfileFolders(), QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // The offices keep their temporary files inside their own folders: the
    // folder named by TEMP holds none of theirs once the engine is gone, even
    // with offices killed while they waited or while they worked.
    void officesLeaveNothingInTheTemporaryFolder() GUARDED_TEST
    {
        QTemporaryDir temp;
        const QByteArray saved[] = {qgetenv("TEMP"), qgetenv("TMP"), qgetenv("TMPDIR")};
        const bool wasSet[] = {qEnvironmentVariableIsSet("TEMP"), qEnvironmentVariableIsSet("TMP"),
                               qEnvironmentVariableIsSet("TMPDIR")};
        const char* names[] = {"TEMP", "TMP", "TMPDIR"};
        for (const char* name : names)
            qputenv(name, temp.path().toLocal8Bit());
        const auto restore = qScopeGuard([&] {
            for (int i = 0; i < 3; ++i)
                wasSet[i] ? void(qputenv(names[i], saved[i])) : void(qunsetenv(names[i]));
        });
        {
            auto engine = makeTestEngine(2);
            auto application = engine->createApplication();
            fittedPagePicture(application->open(mDocument, true));
            QVERIFY(quitAndAwaitItsOffice(application));
            // Two prepared ones, then one of them crashes in use.
            QTRY_COMPARE_WITH_TIMEOUT(ourOfficeProcesses().size(), 2, 120000);
            auto crashing = engine->createApplication();
            crashing->open(mDocument, true);
            QVERIFY(killOurOffices(SIGKILL) >= 1);
            QVERIFY(!failureOf([&] { crashing->quit(); }).isEmpty());
        }
        QCOMPARE(ourOfficeProcesses(), QStringList());
        QCOMPARE(QDir(temp.path())
                     .entryList({QStringLiteral("lu*"), QStringLiteral("velmora-office-*")},
                                QDir::AllEntries | QDir::Hidden),
                 QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // The user's own office, on its own profile, is neither used nor ended.
    void usersOwnOfficeSurvives() GUARDED_TEST
    {
        QTemporaryDir userProfile;
        const QStringList profileArgument{
            QStringLiteral("-env:UserInstallation=file://") + userProfile.path(),
            QStringLiteral("--headless"), QStringLiteral("--norestore")};
        // Its profile made first: an office making a new profile restarts
        // itself, and the process found could be the one that goes.
        for (int attempt = 0; attempt < 3; ++attempt)
            if (QProcess::execute(QStringLiteral("/usr/lib/libreoffice/program/soffice.bin"),
                                  profileArgument
                                      + QStringList{QStringLiteral("--terminate_after_init")})
                != 81)
                break;
        QVERIFY(
            QFile::exists(userProfile.filePath(QStringLiteral("user/registrymodifications.xcu"))));
        QProcess user;
        user.start(QStringLiteral("/usr/lib/libreoffice/program/soffice"), profileArgument);
        QVERIFY(user.waitForStarted());
        pid_t userOffice = 0;
        QTRY_VERIFY_WITH_TIMEOUT((userOffice = officeUsing(userProfile.path())) != 0, 120000);

        {
            auto engine = makeTestEngine(1);
            auto application = engine->createApplication();
            application->open(mDocument, true)
                ->saveAs(mFolder.filePath(QStringLiteral("user-test.doc")));
            application->closeActiveDocument(false);
            application->quit();
        }
        const bool survived = ::kill(userOffice, 0) == 0;
        ::kill(userOffice, SIGKILL);
        user.waitForFinished(10000);
        QVERIFY(survived);
        QVERIFY(QFile::exists(mFolder.filePath(QStringLiteral("user-test.doc"))));
    }
    FAIL_ON_UNEXPECTED_FAILURE

private:
    QTemporaryDir mFolder;
    QString mDocument;
};

QTEST_GUILESS_MAIN(TestOfficeLifecycle)
#include "test_office_lifecycle.moc"
