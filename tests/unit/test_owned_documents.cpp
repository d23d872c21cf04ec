// Filled documents belong to the program that made them: a killed program's
// are removed by the next to start, a running program's are never touched.
#include "platform/Failure.h"
#include "platform/OwnedDocuments.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;

namespace {

void touch(const QString& path, const QByteArray& text = "doc")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// The record of a process that has ended: a child that is gone by now.
QString endedProgramRecord()
{
    QProcess child;
    child.start(QStringLiteral("true"));
    child.waitForFinished();
    return QStringLiteral("velmora-documents-%1-12345.list").arg(child.processId());
}

} // namespace

class OwnedDocumentsTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        mTemp = std::make_unique<QTemporaryDir>();
        qputenv("TEMP", mTemp->path().toLocal8Bit());
    }

    void ownDocumentsGoAtTheEnd()
    {
        const QString mine = mTemp->filePath(QStringLiteral("tarvik11111111.doc"));
        const QString other = mTemp->filePath(QStringLiteral("tarvik22222222.doc"));
        owned::recordDocument(mine);
        touch(mine);
        touch(other);
        // Recorded, but elsewhere than the temporary folder: not ours to remove.
        owned::recordDocument(QDir::tempPath() + QStringLiteral("/tarvik33333333.doc"));
        QCOMPARE(QDir(mTemp->path())
                     .entryList({QStringLiteral("velmora-documents-*")}, QDir::Files)
                     .size(),
                 1);

        owned::removeOwnDocuments();
        QVERIFY(!QFile::exists(mine));
        QVERIFY(QFile::exists(other));
        QVERIFY(QDir(mTemp->path())
                    .entryList({QStringLiteral("velmora-documents-*")}, QDir::Files)
                    .isEmpty());
    }

    void aKilledProgramsDocumentsGoAtTheNextStart()
    {
        const QString orphan = mTemp->filePath(QStringLiteral("tarvik44444444.doc"));
        const QString alsoRunning = mTemp->filePath(QStringLiteral("tarvik55555555.doc"));
        const QString unlisted = mTemp->filePath(QStringLiteral("tarvik66666666.doc"));
        const QString notADocument = mTemp->filePath(QStringLiteral("notes.txt"));
        const QString picture = mTemp->filePath(QStringLiteral("temp.bmp"));
        const QString templateFile = mTemp->filePath(QStringLiteral("template.dot"));
        for (const QString& path :
             {orphan, alsoRunning, unlisted, notADocument, picture, templateFile})
            touch(path);
        const QString deadRecord = mTemp->filePath(endedProgramRecord());
        touch(deadRecord, "tarvik44444444.doc\ntarvik55555555.doc\nnotes.txt\n"
                          "../tarvik77777777.doc\ntemp.bmp\ntemplate.dot\n");
        // A program that still runs (this one) also names one of them.
        owned::recordDocument(alsoRunning);

        owned::removeOrphanedDocuments();
        QVERIFY(!QFile::exists(orphan));
        QVERIFY(!QFile::exists(picture));
        QVERIFY(!QFile::exists(templateFile));
        QVERIFY(QFile::exists(alsoRunning));
        QVERIFY(QFile::exists(unlisted));
        QVERIFY(QFile::exists(notADocument));
        QVERIFY(!QFile::exists(deadRecord));

        // This program's own record is kept while it runs.
        owned::removeOrphanedDocuments();
        QVERIFY(QFile::exists(alsoRunning));
        owned::removeOwnDocuments();
        QVERIFY(!QFile::exists(alsoRunning));
    }

    // A pid that a new process took over does not make the old record live.
    void aReusedPidIsNotTheSameProgram()
    {
        const QString orphan = mTemp->filePath(QStringLiteral("tarvik88888888.doc"));
        touch(orphan);
        const QString record =
            mTemp->filePath(QStringLiteral("velmora-documents-%1-1.list").arg(::getpid()));
        touch(record, "tarvik88888888.doc\n");
        owned::removeOrphanedDocuments();
        QVERIFY(!QFile::exists(orphan));
        QVERIFY(!QFile::exists(record));
    }

    // TEMP may be shared (a sticky, world-writable folder such as /tmp): what
    // others plant there is never written through, used or removed.
    void plantedNamesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::addRow("a link at temp.bmp") << "temp.bmp";
        QTest::addRow("a link at template.dot") << "template.dot";
        QTest::addRow("a link at the record's name") << "record";
        QTest::addRow("another user's record") << "foreign record";
        QTest::addRow("an oversized record") << "oversized record";
        QTest::addRow("../ names in a record") << "parent names";
        QTest::addRow("TEMP ending in /") << "trailing slash";
    }

    void plantedNamesAreLeftAlone()
    {
        QFETCH(QString, planted);
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath(QStringLiteral("tarvik77777777.doc"));
        touch(victim, "the user's own file");
        const QString document = mTemp->filePath(QStringLiteral("tarvik12121212.doc"));
        touch(document);
        const auto plantRecord = [&](const QByteArray& lines) {
            const QString record = mTemp->filePath(endedProgramRecord());
            touch(record, lines);
            return record;
        };

        if (planted == "temp.bmp" || planted == "template.dot") {
            QVERIFY(QFile::link(victim, mTemp->filePath(planted)));
            QString written;
            QVERIFY_THROWS_EXCEPTION(
                Failure, owned::writeWorkingFile(mTemp->filePath(planted), "ours", false, written));
            QVERIFY(QFileInfo(written).absolutePath() == mTemp->path());
            QCOMPARE(readAll(written), QByteArray("ours"));
            QCOMPARE(modeOf(written), mode_t(0600));
            owned::removeOwnDocuments();
            QVERIFY(!QFile::exists(written));
            QVERIFY(QFileInfo(mTemp->filePath(planted)).isSymLink());
        } else if (planted == "record") {
            const QString stem = QStringLiteral("velmora-documents-%1-").arg(::getpid());
            QFile stat(QStringLiteral("/proc/self/stat"));
            QVERIFY(stat.open(QIODevice::ReadOnly));
            const QByteArray text = stat.readAll();
            const QByteArray start = text.mid(text.lastIndexOf(')') + 2).split(' ').value(19);
            QVERIFY(QFile::link(victim, mTemp->filePath(stem + start + ".list")));
            owned::recordDocument(document);
            const QStringList records = QDir(mTemp->path())
                                            .entryList({QStringLiteral("velmora-documents-*")},
                                                       QDir::Files | QDir::NoSymLinks);
            QCOMPARE(records.size(), 1);
            QCOMPARE(modeOf(mTemp->filePath(records.first())), mode_t(0600));
            owned::removeOwnDocuments();
            QVERIFY(!QFile::exists(document));
        } else if (planted == "foreign record") {
            if (::geteuid() != 0)
                QSKIP("only root can give a file to another user");
            const QString record = plantRecord("tarvik12121212.doc\n");
            QCOMPARE(::chown(QFile::encodeName(record).constData(), 12345, 12345), 0);
            owned::removeOrphanedDocuments();
            QVERIFY(QFile::exists(document));
            QVERIFY(QFile::exists(record));
        } else if (planted == "oversized record") {
            QFile record(plantRecord("tarvik12121212.doc\n"));
            QVERIFY(record.resize(qint64(500) << 20)); // sparse
            owned::removeOrphanedDocuments();
            QVERIFY(QFile::exists(document));
            QVERIFY(record.exists());
        } else if (planted == "parent names") {
            plantRecord("../" + QFileInfo(elsewhere.path()).fileName().toUtf8()
                        + "/tarvik77777777.doc\n");
            owned::removeOrphanedDocuments();
        } else if (planted == "trailing slash") {
            qputenv("TEMP", (mTemp->path() + QStringLiteral("/")).toLocal8Bit());
            owned::recordDocument(document);
            owned::removeOwnDocuments();
            QVERIFY(!QFile::exists(document));
        }
        QCOMPARE(readAll(victim), QByteArray("the user's own file"));
    }

private:
    static QByteArray readAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static mode_t modeOf(const QString& path)
    {
        struct stat info {};
        ::stat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 0777;
    }

    std::unique_ptr<QTemporaryDir> mTemp;
};

QTEST_GUILESS_MAIN(OwnedDocumentsTest)
#include "test_owned_documents.moc"
