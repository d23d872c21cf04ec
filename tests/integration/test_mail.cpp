// "Send by E-mail…" through the real office, with a mail program of the
// test's own: a fake xdg-email first on PATH that records what it was given.
// And the attachments' folder kept for a week.
#include "generation/PrintAndExport.h"
#include "platform/MailProgram.h"
#include "preview/Form2.h"
#include "preview/PageActions.h"
#include "tests/support/OfficeFixtures.h"
#include "tests/support/TestPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace velmora;
using namespace velmora::testing;

namespace {

const QStringList kTexts{"Orla Penwick", "Candia Inflatable Play Facility, Hall 2",
                         "Harlan & Mae Penwick", "+1 (555) 010-2030"};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes, int daysOld)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    // Written out first: a later flush would stamp the file anew.
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-daysOld),
                             QFileDevice::FileModificationTime));
}

} // namespace

class TestMail : public QObject {
    Q_OBJECT

    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;
    QString mDocument;
    QByteArray mFormerPath;

private slots:
    void initTestCase() GUARDED_TEST
    {
        qputenv("XDG_CACHE_HOME", mFolder.filePath(QStringLiteral("cache")).toUtf8());
        // The mail program: records its arguments, one a line, and answers
        // with the status the test sets.
        QDir(mFolder.path()).mkdir(QStringLiteral("bin"));
        const QString fake = mFolder.filePath(QStringLiteral("bin/xdg-email"));
        writeFile(fake,
                  "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\036' \"$a\"; done > "
                      + QFile::encodeName(mFolder.filePath(QStringLiteral("arguments")))
                      + "\nexit ${FAKE_MAIL_STATUS:-0}\n",
                  0);
        QFile::setPermissions(fake, QFile::ReadOwner | QFile::ExeOwner);
        mFormerPath = qgetenv("PATH");
        qputenv("PATH",
                QFile::encodeName(mFolder.filePath(QStringLiteral("bin"))) + ':' + mFormerPath);

        mEngine = makeTestEngine(1);
        mDocument = fillInvitation(*mEngine, QStringLiteral(VELMORA_TEMPLATE), mFolder.path(),
                                   kTexts[0], kTexts[1]);
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cleanupTestCase()
    {
        qputenv("PATH", mFormerPath);
        mEngine.reset();
    }

    void sendsTheInvitation_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("box");
        QTest::newRow("a mail program") << 0 << false;
        QTest::newRow("none set up") << 3 << true;
    }
    void sendsTheInvitation() GUARDED_TEST
    {
        QFETCH(int, status);
        QFETCH(bool, box);
        qputenv("FAKE_MAIL_STATUS", QByteArray::number(status));
        QFile::remove(mFolder.filePath(QStringLiteral("arguments")));
        TestPlatform test;
        test.mailProgram = [](const MailMessage& message) { return openInMailProgram(message); };
        Form2 form(test.platform());
        form.mWordFile = mDocument;
        form.setInvitation(sampleValues(kTexts), QString());
        form.pageActions().setOffice(*mEngine);
        form.pageActions().setCelebrant(kTexts[0]);
        form.pageActions().mnuMail_Click();

        const QStringList arguments =
            QString::fromUtf8(readAll(mFolder.filePath(QStringLiteral("arguments"))))
                .split(QChar(0x1e), Qt::SkipEmptyParts);
        const auto after = [&](const QString& option) {
            const qsizetype at = arguments.indexOf(option);
            return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
        };
        const QString subject = after(QStringLiteral("--subject"));
        QVERIFY2(subject.contains(kTexts[0]) && subject.contains(QStringLiteral("irthday party")),
                 qPrintable(subject));
        const QString body = after(QStringLiteral("--body"));
        for (const QString& words : kTexts + QStringList{"August 31, 2021", "2:05 P.M."})
            QVERIFY2(body.contains(words), qPrintable(words + QStringLiteral(" in ") + body));

        QStringList attached;
        for (qsizetype i = 0; i + 1 < arguments.size(); ++i)
            if (arguments[i] == QStringLiteral("--attach"))
                attached << arguments[i + 1];
        QCOMPARE(attached.size(), 2);
        QVERIFY2(run(QStringLiteral("pdfinfo"), {attached[0]}).contains(kTexts[0]),
                 qPrintable(attached[0]));
        const QByteArray event = readAll(attached[1]);
        QVERIFY(event.startsWith("BEGIN:VCALENDAR\r\n") && event.contains("BEGIN:VEVENT\r\n"));

        // In the cache, in a folder only this user reads.
        const QString folder = QFileInfo(attached[0]).path();
        QCOMPARE(QFileInfo(attached[1]).path(), folder);
        QVERIFY2(folder.startsWith(mFolder.filePath(QStringLiteral("cache/velmora/mail/"))),
                 qPrintable(folder));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0700u);

        QCOMPARE(test.dialogs.shown.size(), box ? 1 : 0);
        if (box)
            QVERIFY2(test.dialogs.shown[0].text.contains(folder),
                     qPrintable(test.dialogs.shown[0].text));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // A week after they were written the attachments go, and the folders
    // they leave empty; what is newer, and what is not ours, stays.
    void oldAttachmentsGo() GUARDED_TEST
    {
        const QString root = mailFolder();
        const QString old = newMailFolder(QDateTime::currentDateTime());
        const QString recent = newMailFolder(QDateTime::currentDateTime());
        writeFile(old + QStringLiteral("/invitation.pdf"), "%PDF", 8);
        writeFile(old + QStringLiteral("/party.ics"), "BEGIN", 8);
        writeFile(recent + QStringLiteral("/invitation.pdf"), "%PDF", 6);
        const QString outside = mFolder.filePath(QStringLiteral("kept.txt"));
        writeFile(outside, "not the mail's", 30);
        QVERIFY(QFile::link(outside, recent + QStringLiteral("/link.txt")));

        removeOldMailFiles(QDateTime::currentDateTime());
        QVERIFY(!QFileInfo::exists(old));
        QVERIFY(QFileInfo::exists(recent + QStringLiteral("/invitation.pdf")));
        QVERIFY(QFileInfo(recent + QStringLiteral("/link.txt")).isSymLink());
        QVERIFY(QFileInfo::exists(outside));
        QVERIFY(QFileInfo(root).isDir());
    }
    FAIL_ON_UNEXPECTED_FAILURE
};

QTEST_MAIN(TestMail)
#include "test_mail.moc"
