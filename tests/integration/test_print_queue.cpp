// Printing through a real CUPS queue: a private cupsd with a CUPS-PDF printer
// takes the job, and what it prints is the invitation, fitted to the chosen
// paper at the printer's resolution. A print service that does not answer is
// told to the user in a few seconds.
#include "generation/PrintAndExport.h"
#include "platform/PrintService.h"
#include "preview/Form2.h"
#include "tests/support/OfficeFixtures.h"
#include "tests/support/PrintQueue.h"
#include "tests/support/TestPlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

const QString kCelebrant = QStringLiteral("Orla Penwick");
const QString kLocation = QStringLiteral("Candia Inflatable Play Facility");

// The part of the page that is not paper white, in pixels.
QRect printedArea(const QImage& page)
{
    QRect area;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 250)
                area |= QRect(x, y, 1, 1);
    return area;
}

} // namespace

class TestPrintQueue : public QObject {
    Q_OBJECT

    QTemporaryDir mFolder;

private slots:
    void cleanupTestCase() { QCOMPARE(leftovers(mFolder.path()), QStringList()); }

    // A Letter invitation printed twice on A4: the queue gets one job with two
    // copies, and its page is the whole invitation, proportions kept, centred.
    void printsTheInvitationOnTheChosenPaper() GUARDED_TEST
    {
        PrintQueue queue;
        if (!queue.ready())
            QSKIP(qPrintable(QStringLiteral("no print service here: ") + queue.whyNot()));
        PrintService service(makeCupsSpooler());
        const QList<Printer> printers = service.printers();
        const auto printer =
            std::find_if(printers.begin(), printers.end(),
                         [&](const Printer& each) { return each.queue == queue.name(); });
        QVERIFY2(printer != printers.end(), qPrintable(QString::number(printers.size())));
        // The printer's own papers, by the names the dialog sends.
        const QString a4 = QStringLiteral("iso_a4_210x297mm");
        QVERIFY(
            std::any_of(printer->papers.begin(), printer->papers.end(), [&](const Paper& paper) {
                return paper.name == a4 && paper.label == QStringLiteral("A4");
            }));

        int job = 0;
        {
            const auto engine = makeTestEngine(1);
            const QString document = fillInvitation(*engine, QStringLiteral(VELMORA_TEMPLATE),
                                                    mFolder.path(), kCelebrant, kLocation);
            PrintSettings settings;
            settings.queue = queue.name();
            settings.copies = 2;
            settings.paper = a4;
            job = printDocument(*engine, service, document, invitationTitle(kCelebrant), settings);
        }
        QVERIFY(job > 0);
        QCOMPARE(queue.jobAttribute(job, "copies"), QStringLiteral("2"));
        QVERIFY2(queue.jobAttribute(job, "job-name").contains(kCelebrant),
                 qPrintable(queue.jobAttribute(job, "job-name")));

        const QString printed = queue.awaitPrinted(job, std::chrono::minutes(2));
        QVERIFY2(!printed.isEmpty(), "CUPS-PDF wrote nothing");
        const QString info = run(QStringLiteral("pdfinfo"), {printed});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                 qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("595 x 842 pts (A4)")), qPrintable(info));

        // Text stays text, or the page is one picture at the printer's 300 dpi.
        // Compatibility forms: the print path may set "fl" as its ligature.
        const QString text = run(QStringLiteral("pdftotext"), {printed, QStringLiteral("-")})
                                 .normalized(QString::NormalizationForm_KC);
        if (!text.contains(kLocation)) {
            const QStringList images =
                run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), printed})
                    .split(u'\n', Qt::SkipEmptyParts)
                    .mid(2);
            QVERIFY2(images.size() == 1,
                     qPrintable(QStringLiteral("neither the text nor one picture; text: ") + text
                                + QStringLiteral("\npictures:\n") + images.join(u'\n')));
            const QStringList columns = images.first().simplified().split(u' ');
            QVERIFY2(columns.value(12).toInt() >= 300 && columns.value(13).toInt() >= 300,
                     qPrintable(images.first()));
        }

        // Fitted: a Letter page (8.5 x 11 in) on A4 (210 x 297 mm) at 50 dpi is
        // 413 pixels wide, as wide as the paper, and 534 high, centred.
        const QString picture = mFolder.filePath(QStringLiteral("printed"));
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-singlefile"),
             QStringLiteral("-png"), printed, picture});
        const QImage page(picture + QStringLiteral(".png"));
        QVERIFY(!page.isNull());
        const QRect area = printedArea(page);
        QVERIFY2(qAbs(area.width() - 413) <= 3, qPrintable(QString::number(area.width())));
        QVERIFY2(qAbs(area.height() - 534) <= 3, qPrintable(QString::number(area.height())));
        const int below = page.height() - 1 - area.bottom();
        QVERIFY2(qAbs(area.top() - below) <= 2,
                 qPrintable(QStringLiteral("%1 above, %2 below").arg(area.top()).arg(below)));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // A print service that takes the connection and never answers (a stopped
    // scheduler does the same), and none at all: Ctrl+P tells the user so
    // within seconds, without an Error report.
    void aServiceThatDoesNotAnswerIsToldInTime_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::newRow("a silent listener") << true;
        QTest::newRow("nothing listening") << false;
    }
    void aServiceThatDoesNotAnswerIsToldInTime()
    {
        QFETCH(bool, listening);
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const QByteArray former = qgetenv("CUPS_SERVER");
        const auto restore = qScopeGuard(
            [&] { former.isEmpty() ? qunsetenv("CUPS_SERVER") : qputenv("CUPS_SERVER", former); });
        qputenv("CUPS_SERVER", "127.0.0.1:" + QByteArray::number(silent.serverPort()));
        if (!listening)
            silent.close();
        TestPlatform test;
        Platform platform = test.platform();
        platform.spooler = makeCupsSpooler();
        Form2 form(platform);
        QImage page(306, 396, QImage::Format_RGB32);
        page.fill(Qt::white);
        QVERIFY(page.save(test.path(QStringLiteral("temp.bmp")), "BMP"));
        form.loadPicture(test.path(QStringLiteral("temp.bmp")));
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));

        QElapsedTimer clock;
        clock.start();
        QTest::keySequence(&form, QKeySequence::Print);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(test.dialogs.errorReports(), QStringList());
        QCOMPARE(test.dialogs.shown.size(), 1);
        QVERIFY(test.dialogs.shown.first().text.startsWith(u"The print service does not answer."));
    }
};

QTEST_MAIN(TestPrintQueue)
#include "test_print_queue.moc"
