// Printing through a real CUPS queue: a private cupsd with a CUPS-PDF printer
// takes the job, and what it prints is the invitation, fitted to the chosen
// paper at the printer's resolution.
#include "generation/PrintAndExport.h"
#include "platform/PrintSpooler.h"
#include "tests/support/OfficeFixtures.h"
#include "tests/support/PrintQueue.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
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
        CupsSpooler spooler;
        QVERIFY2(spooler.queues().contains(queue.name()), qPrintable(spooler.queues().join(u' ')));

        int job = 0;
        {
            const auto engine = makeTestEngine(1);
            const QString document = fillInvitation(*engine, QStringLiteral(VELMORA_TEMPLATE),
                                                    mFolder.path(), kCelebrant, kLocation);
            PrintSettings settings;
            settings.queue = queue.name();
            settings.copies = 2;
            settings.paper = QStringLiteral("A4");
            job = printDocument(*engine, spooler, document, invitationTitle(kCelebrant), settings);
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
};

QTEST_GUILESS_MAIN(TestPrintQueue)
#include "test_print_queue.moc"
