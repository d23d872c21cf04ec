#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace velmora;

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void settingsRoundTripAnyText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("long") << QString(12000, QChar(u'x')) + QStringLiteral("end");
        QTest::newRow("emoji") << QStringLiteral("Party \U0001F389\U0001F382 time");
        QTest::newRow("right to left") << QStringLiteral(
            "\u05DE\u05E1\u05D9\u05D1\u05D4 \u0627\u062D\u062A\u0641\u0627\u0644");
        QTest::newRow("tabs and brackets") << QStringLiteral("\t[Celebrant]\t[RSVPNo] ");
        QTest::newRow("list-like") << QStringLiteral("a, b, c");
        QTest::newRow("variant-like") << QStringLiteral("@Variant(\\0\\0\\0\\x7f)");
        QTest::newRow("ini syntax") << QStringLiteral("[Velmora]\nkey=value;comment\\");
        QTest::newRow("quotes") << QStringLiteral("\"quoted\" and 'single'");
        QTest::newRow("boolean-like") << QStringLiteral("true");
    }
    void settingsRoundTripAnyText()
    {
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Velmora.ini"));
        {
            SettingsStore store(path);
            store.setValue(QStringLiteral("Text1_0"), text);
        }
        SettingsStore reopened(path);
        QCOMPARE(reopened.value(QStringLiteral("Text1_0")), std::optional<QString>(text));
    }

    void absentKeyHasNoValue()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Velmora.ini")));
        QVERIFY(!store.value(QStringLiteral("Option")).has_value());
    }

    void valuesLiveInTheVelmoraSection()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Velmora.ini"));
        SettingsStore(path).setValue(QStringLiteral("Option"), QStringLiteral("2"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(content.contains("[Velmora]"));
        QVERIFY(content.contains("Option=2"));
    }

    void everyWriteReplacesTheFileWhole()
    {
        // A write goes to a new file that is renamed over the old one, so a
        // crash mid-write leaves either the old store or the new one.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Velmora.ini"));
        SettingsStore store(path);
        store.setValue(QStringLiteral("Text1_0"), QStringLiteral("first"));
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
        store.setValue(QStringLiteral("Text1_0"), QStringLiteral("second"));
        struct stat after {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino);
        QCOMPARE(SettingsStore(path).value(QStringLiteral("Text1_0")),
                 std::optional<QString>(QStringLiteral("second")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("Velmora.ini")});
    }

    void unreadableStoreFailsWithADescription()
    {
        if (::geteuid() == 0)
            QSKIP("root reads any file, so an unreadable store cannot be made here");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Velmora.ini"));
        SettingsStore(path).setValue(QStringLiteral("Option"), QStringLiteral("2"));
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        SettingsStore store(path);
        QVERIFY_THROWS_EXCEPTION(Failure, store.value(QStringLiteral("Option")));
    }

    // A store whose file cannot be written (read-only, immutable, a read-only
    // folder) still gives what the file holds, after a write has failed too.
    void unwritableStoreIsStillRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Velmora.ini"));
        SettingsStore(path).setValue(QStringLiteral("Text1_0"), QStringLiteral("Ann"));
        // Root writes any file whatever its mode; an immutable one it cannot.
        const bool root = ::geteuid() == 0;
        if (root) {
            if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) != 0)
                QSKIP("this file system cannot make a file immutable, and root writes any other");
        } else {
            QFile::setPermissions(path, QFileDevice::ReadOwner);
        }
        const auto restore = qScopeGuard([&] {
            if (root)
                QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        });
        SettingsStore store(path);
        QCOMPARE(store.value(QStringLiteral("Text1_0")),
                 std::optional<QString>(QStringLiteral("Ann")));
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 store.setValue(QStringLiteral("Text1_1"), QStringLiteral("Park")));
        QCOMPARE(store.value(QStringLiteral("Text1_0")),
                 std::optional<QString>(QStringLiteral("Ann")));
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 store.setValue(QStringLiteral("Text1_0"), QStringLiteral("Bo")));
        // What the file holds is not lost, only not yet replaced.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Text1_0=Ann"));
    }

    void writeIntoAMissingFolderFails()
    {
        SettingsStore store(QStringLiteral("/proc/velmora-no-such-folder/Velmora.ini"));
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 store.setValue(QStringLiteral("Option"), QStringLiteral("1")));
    }

    void temporaryFolderFollowsTemp()
    {
        QTemporaryDir dir;
        qputenv("TEMP", dir.path().toLocal8Bit());
        QCOMPARE(temporaryFolder(), dir.path());
        QCOMPARE(temporaryFile(QStringLiteral("template.dot")),
                 dir.path() + QStringLiteral("/template.dot"));
        qunsetenv("TEMP");
    }

    void privateTemporaryFolderWhenTempIsUnset()
    {
        QTemporaryDir base;
        qunsetenv("TEMP");
        qputenv("TMPDIR", base.path().toLocal8Bit());
        const QString folder = temporaryFolder();
        QVERIFY(folder.startsWith(base.path()));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0700u);
        QCOMPARE(temporaryFolder(), folder); // the same folder again, not a new one
        qunsetenv("TMPDIR");
    }

    void existsAndQuietDeletion()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("temp.bmp"));
        QVERIFY(!fileExists(path));
        QVERIFY(!fileExists(QString()));
        QVERIFY(createPrivateFile(path, QByteArray("picture")));
        QVERIFY(fileExists(path));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        QVERIFY(!createPrivateFile(path, QByteArray("again")));
        quietDelete(path);
        QVERIFY(!fileExists(path));
        quietDelete(path); // a second deletion is silent
        quietDelete(dir.filePath(QStringLiteral("no/such/file")));
    }

    void writeIntoMissingFolderNamesTheFile()
    {
        try {
            createPrivateFile(QStringLiteral("/nonexistent-folder/template.dot"), QByteArray("x"));
            QFAIL("writing into a missing folder succeeded");
        } catch (const Failure& failure) {
            QVERIFY(
                failure.description().contains(QStringLiteral("/nonexistent-folder/template.dot")));
        }
    }

    void saveFilterGivesTheDefaultSuffix()
    {
        QCOMPARE(QtDialogs::defaultSuffix(QStringLiteral("Word Files (*.doc)|*.doc")),
                 QStringLiteral("doc"));
        QCOMPARE(QtDialogs::defaultSuffix(QStringLiteral("Pictures|*.png;*.jpg|All|*.*")),
                 QStringLiteral("png"));
        QCOMPARE(QtDialogs::defaultSuffix(QStringLiteral("All|*")), QString());
        QCOMPARE(QtDialogs::defaultSuffix(QString()), QString());
    }

    void saveFilterBecomesQtFilter()
    {
        QCOMPARE(QtDialogs::toQtFilter(QStringLiteral("Word Files (*.doc)|*.doc")),
                 QStringLiteral("Word Files (*.doc)"));
        QCOMPARE(QtDialogs::toQtFilter(QStringLiteral("Pictures|*.png;*.jpg|All|*.*")),
                 QStringLiteral("Pictures (*.png *.jpg);;All (*.*)"));
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "test_platform.moc"
