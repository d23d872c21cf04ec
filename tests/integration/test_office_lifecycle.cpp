// Starting and ending private LibreOffice instances: what fails, what is
// killed, and that nothing of ours, and nothing of the user's, is harmed.
#include "OfficeFixtures.h"

#include "generation/OfficeModule.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

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

} // namespace

class TestOfficeLifecycle : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(mFolder.isValid());
        auto engine = makeTestEngine();
        mDocument = makeStoriesDocument(*engine, mFolder.path());
    }

    void cleanupTestCase() { QCOMPARE(leftovers(mFolder.path()), QStringList()); }

    void missingOfficeFailsCreation()
    {
        LibreOfficeSettings noOffice;
        noOffice.modulePath = QCoreApplication::applicationDirPath() + QStringLiteral("/velmora_libreoffice.so");
        noOffice.libreOfficeDir = mFolder.filePath(QStringLiteral("no-libreoffice-here"));
        auto engine = makeLibreOfficeEngine(noOffice);
        QVERIFY(!failureOf([&] { engine->createApplication(); }).isEmpty());
        // And again: a failed creation leaves the engine usable for reporting.
        QVERIFY(!failureOf([&] { engine->createApplication(); }).isEmpty());

        LibreOfficeSettings noModule;
        noModule.modulePath = mFolder.filePath(QStringLiteral("missing_module.so"));
        QVERIFY(failureOf([&] { makeLibreOfficeEngine(noModule)->createApplication(); })
                    .contains(QStringLiteral("module")));
    }

    // A crashed office: every later call fails instead of hanging or crashing
    // us, and ending the application cleans up after it.
    void killedOfficeMakesCallsFail()
    {
        auto engine = makeTestEngine();
        auto application = engine->createApplication();
        auto document = application->open(mDocument, false);
        QCOMPARE(killOurOffices(SIGKILL), 1);
        QVERIFY(!failureOf([&] { document->storyRanges(); }).isEmpty());
        QVERIFY(!failureOf([&] { application->open(mDocument, true); }).isEmpty());
        QVERIFY(!failureOf([&] { application->quit(); }).isEmpty());
        // Once quit, the instance stays ended.
        QVERIFY(!failureOf([&] { document->pagePicture(); }).isEmpty());
    }

    void hungOfficeIsEndedByTheWatchdog()
    {
        auto engine = makeTestEngine(0, 1500);
        auto application = engine->createApplication();
        auto document = application->open(mDocument, true);
        QCOMPARE(killOurOffices(SIGSTOP), 1);
        const QString failure = failureOf([&] { document->shapes(); });
        QVERIFY2(failure.contains(QStringLiteral("did not answer")), qPrintable(failure));
        QCOMPARE(ourOfficeProcesses(), QStringList());
    }

    // An application dropped without quit() still ends its office.
    void droppedApplicationEndsItsOffice()
    {
        auto engine = makeTestEngine();
        {
            auto application = engine->createApplication();
            application->open(mDocument, false);
            QCOMPARE(ourOfficeProcesses().size(), 1);
        }
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }

    // Instances started ahead are handed out one per creation and ended with
    // the engine, used or not.
    void preparedInstancesEndWithTheEngine()
    {
        auto engine = makeTestEngine(2);
        for (int round = 0; round < 3; ++round) {
            auto application = engine->createApplication();
            QVERIFY(application->open(mDocument, true)->storyRanges().size() >= 4);
            application->quit();
        }
        // Started a little after the last hand-out.
        QTRY_COMPARE_WITH_TIMEOUT(ourOfficeProcesses().size(), 2, 30000);
        engine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }

    // quit() returns once the office has agreed to end; the office then leaves
    // on its own, its folder goes, and the engine need not be destroyed first.
    void quitOfficeLeavesWhileTheEngineLives()
    {
        auto engine = makeTestEngine();
        auto application = engine->createApplication();
        application->open(mDocument, true);
        application->closeActiveDocument(false);
        application->quit();
        QVERIFY(!failureOf([&] { application->open(mDocument, true); }).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(ourOfficeProcesses().isEmpty() && ourProfileFolders().isEmpty(), 15000);
    }

    // An engine destroyed right after quit() ends what is still leaving.
    void engineEndsOfficesStillLeaving()
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

    // The offices keep their temporary files inside their own folders: the
    // folder named by TEMP holds none of theirs once the engine is gone, even
    // with offices killed while they waited or while they worked.
    void officesLeaveNothingInTheTemporaryFolder()
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
            application->open(mDocument, true)->pagePicture();
            application->quit();
            // Two prepared ones, then one of them crashes in use.
            QTRY_COMPARE_WITH_TIMEOUT(ourOfficeProcesses().size(), 2, 30000);
            auto crashing = engine->createApplication();
            crashing->open(mDocument, true);
            QVERIFY(killOurOffices(SIGKILL) >= 1);
            QVERIFY(!failureOf([&] { crashing->quit(); }).isEmpty());
        }
        QCOMPARE(ourOfficeProcesses(), QStringList());
        QCOMPARE(QDir(temp.path()).entryList({QStringLiteral("lu*"), QStringLiteral("velmora-office-*")},
                                             QDir::AllEntries | QDir::Hidden),
                 QStringList());
    }

    // The user's own office, on its own profile, is neither used nor ended.
    void usersOwnOfficeSurvives()
    {
        QTemporaryDir userProfile;
        QProcess user;
        user.start(QStringLiteral("/usr/lib/libreoffice/program/soffice"),
                   {QStringLiteral("-env:UserInstallation=file://") + userProfile.path(),
                    QStringLiteral("--headless"), QStringLiteral("--norestore")});
        QVERIFY(user.waitForStarted());
        pid_t userOffice = 0;
        // A new profile makes the office restart once; wait until it settled.
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(userProfile.filePath(QStringLiteral("user/registrymodifications.xcu")))
                && (userOffice = officeUsing(userProfile.path())) != 0,
            60000);
        QTest::qWait(2000);
        userOffice = officeUsing(userProfile.path());
        QVERIFY(userOffice != 0);

        {
            auto engine = makeTestEngine(1);
            auto application = engine->createApplication();
            application->open(mDocument, true)->saveAs(mFolder.filePath(QStringLiteral("user-test.doc")));
            application->closeActiveDocument(false);
            application->quit();
        }
        const bool survived = ::kill(userOffice, 0) == 0;
        ::kill(userOffice, SIGKILL);
        user.waitForFinished(10000);
        QVERIFY(survived);
        QVERIFY(QFile::exists(mFolder.filePath(QStringLiteral("user-test.doc"))));
    }

private:
    QTemporaryDir mFolder;
    QString mDocument;
};

QTEST_GUILESS_MAIN(TestOfficeLifecycle)
#include "test_office_lifecycle.moc"
