// The filled invitation exported through the real office as a PDF, a PNG and
// a JPEG, each read back; and an export whose office hangs.
#include "generation/PrintAndExport.h"
#include "tests/support/OfficeFixtures.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace velmora;
using namespace velmora::testing;

namespace {

const QString kCelebrant = QStringLiteral("Orla Penwick");
const QString kLocation = QStringLiteral("Candia Inflatable Play Facility");

// An engine whose offices stop answering as soon as one is handed out.
class HangingEngine final : public office::Engine {
public:
    explicit HangingEngine(office::Engine& inner) : mInner(inner) {}
    office::Ref<office::Application> createApplication() override
    {
        auto application = mInner.createApplication();
        killOurOffices(SIGSTOP);
        return application;
    }
    void checkAvailable() override { mInner.checkAvailable(); }

private:
    office::Engine& mInner;
};

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestPageOutputs : public QObject {
    Q_OBJECT

    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;
    QString mDocument;

private slots:
    void initTestCase() GUARDED_TEST
    {
        mEngine = makeTestEngine(1);
        mDocument = fillInvitation(*mEngine, QStringLiteral(VELMORA_TEMPLATE), mFolder.path(),
                                   kCelebrant, kLocation);
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cleanupTestCase()
    {
        mEngine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }

    // The typed suffix decides the format, otherwise the chosen filter entry.
    void exportsEachFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("pdf") << "invitation.pdf" << 1 << QByteArray("pdf");
        QTest::newRow("png") << "invitation.png" << 0 << QByteArray("png");
        QTest::newRow("jpg") << "invitation.jpg" << 1 << QByteArray("jpeg");
        QTest::newRow("JPEG typed") << "invitation.JPEG" << 0 << QByteArray("jpeg");
        QTest::newRow("no suffix, PNG chosen") << "invitation" << 1 << QByteArray("png");
    }
    void exportsEachFormat() GUARDED_TEST
    {
        QFETCH(QString, name);
        QFETCH(int, filter);
        QFETCH(QByteArray, format);
        const ExportTarget target = exportTarget(mFolder.filePath(name), filter);
        const QString path = target.path;
        QFile::remove(path);
        exportDocument(*mEngine, mDocument, invitationTitle(kCelebrant), path, target.format);

        if (format == "pdf") {
            QVERIFY(readBytes(path).startsWith("%PDF"));
            const QString info = run(QStringLiteral("pdfinfo"), {path});
            QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                     qPrintable(info));
            // The celebrant is in the document's title.
            QVERIFY2(
                info.contains(QRegularExpression(QStringLiteral("Title:\\s+[^\\n]*") + kCelebrant)),
                qPrintable(info));
            const QString text = run(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
            QVERIFY2(text.contains(kLocation), qPrintable(text));
            QVERIFY2(text.contains(kCelebrant), qPrintable(text));
            // The headline's serif travels with the file.
            const QStringList fonts =
                run(QStringLiteral("pdffonts"), {path}).split(u'\n', Qt::SkipEmptyParts);
            const auto serif = std::find_if(fonts.begin(), fonts.end(), [](const QString& line) {
                return line.contains(QStringLiteral("Garamond"));
            });
            QVERIFY2(serif != fonts.end(), qPrintable(fonts.join(u'\n')));
            QVERIFY2(serif->contains(QRegularExpression(QStringLiteral("\\syes\\s+yes\\s"))),
                     qPrintable(*serif));
        } else {
            QImageReader reader(path);
            reader.setDecideFormatFromContent(true);
            QCOMPARE(reader.format(), format);
            const QImage picture = reader.read();
            // At least 150 dpi of a Letter page.
            QVERIFY2(picture.width() >= 1275, qPrintable(QString::number(picture.width())));
            QCOMPARE(picture.colorSpace(), QColorSpace(QColorSpace::SRgb));
            // Small enough to send through a messenger.
            QVERIFY2(QFileInfo(path).size() < 5 * 1024 * 1024,
                     qPrintable(QString::number(QFileInfo(path).size())));
        }
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // The document opened ahead while the dialog is up, in an office that
    // thread had to start itself (none prepared): the office outlives the
    // thread and makes the export.
    void exportFromADocumentOpenedAhead() GUARDED_TEST
    {
        const auto unprepared = makeTestEngine(0);
        QTemporaryDir destination;
        const QString path = destination.filePath(QStringLiteral("invitation.pdf"));
        {
            OpeningAhead ahead(*unprepared, mDocument);
            exportDocument(*unprepared, mDocument, invitationTitle(kCelebrant), path,
                           ExportFormat::Pdf, &ahead);
        }
        QVERIFY(readBytes(path).startsWith("%PDF"));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // An office that stops answering mid-export is ended by the watchdog; the
    // file already at the path stays as it was and nothing else is left there.
    void hungOfficeLeavesTheOldFile() GUARDED_TEST
    {
        mEngine.reset();
        const auto limited = makeTestEngine(0, 3000);
        HangingEngine hanging(*limited);
        QTemporaryDir destination;
        const QString path = destination.filePath(QStringLiteral("invitation.pdf"));
        writeBytes(path, "the invitation saved last week");
        QString failure;
        try {
            exportDocument(hanging, mDocument, invitationTitle(kCelebrant), path,
                           ExportFormat::Pdf);
        } catch (const Failure& error) {
            failure = error.description();
        }
        QVERIFY2(failure.contains(QStringLiteral("did not answer within 3 s")),
                 qPrintable(failure));
        QCOMPARE(readBytes(path), QByteArray("the invitation saved last week"));
        QCOMPARE(namesIn(destination.path()), QStringList{QStringLiteral("invitation.pdf")});
        QCOMPARE(ourOfficeProcesses(), QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

private:
    static QByteArray readBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
};

QTEST_GUILESS_MAIN(TestPageOutputs)
#include "test_page_outputs.moc"
