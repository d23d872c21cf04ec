// Filled documents belong to the program that made them: a killed program's
// are removed by the next to start, a running program's are never touched.
#include "platform/OwnedDocuments.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
        for (const QString& path : {orphan, alsoRunning, unlisted, notADocument})
            touch(path);
        const QString deadRecord = mTemp->filePath(endedProgramRecord());
        touch(deadRecord,
              "tarvik44444444.doc\ntarvik55555555.doc\nnotes.txt\n../tarvik77777777.doc\n");
        // A program that still runs (this one) also names one of them.
        owned::recordDocument(alsoRunning);

        owned::removeOrphanedDocuments();
        QVERIFY(!QFile::exists(orphan));
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

private:
    std::unique_ptr<QTemporaryDir> mTemp;
};

QTEST_GUILESS_MAIN(OwnedDocumentsTest)
#include "test_owned_documents.moc"
