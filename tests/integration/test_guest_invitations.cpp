// An invitation for every guest through the real office: one PDF with a page
// a guest, a PDF or a picture each, read back with poppler's tools; a cancel
// that leaves nothing behind; and, with the scriptable office, a guest whose
// invitation fails while the others are made.
#include "generation/Designs.h"
#include "generation/GuestInvitations.h"
#include "generation/PrintAndExport.h"
#include "tests/support/FakeOffice.h"
#include "tests/support/OfficeFixtures.h"

#include <QDir>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <condition_variable>
#include <mutex>

using namespace velmora;
using namespace velmora::testing;

namespace {

const QString kCelebrant = sampleValues().texts[0];
const QStringList kGuests = {QStringLiteral("Zoë Ångström"), QStringLiteral("Smith, Jo"),
                             QStringLiteral("Zoë Ångström")};

QStringList sortedNames(QStringList names)
{
    names.sort();
    return names;
}

GuestInvitations::Order orderFor(GuestOutput output, const QString& chosenPath)
{
    GuestInvitations::Order order;
    order.design = designs::find(designs::kDefaultId);
    order.values = sampleValues();
    order.guests = kGuests;
    order.output = output;
    order.files = guestsFiles({chosenPath, output}, kGuests);
    order.title = invitationTitle(kCelebrant);
    return order;
}

// Makes the order and waits for its outcome; cancelAfter cancels once that
// many guests are done.
GuestsOutcome make(office::Engine& engine, GuestInvitations::Order order, int cancelAfter = -1)
{
    std::mutex mutex;
    std::condition_variable ended;
    std::optional<GuestsOutcome> result;
    GuestInvitations* running = nullptr;
    {
        const auto progress = [&](int done, int) {
            const std::lock_guard lock(mutex);
            if (done == cancelAfter && running)
                running->cancel();
        };
        GuestInvitations work(engine, std::move(order), progress,
                              [&](const GuestsOutcome& outcome) {
                                  const std::lock_guard lock(mutex);
                                  result = outcome;
                                  ended.notify_all();
                              });
        std::unique_lock lock(mutex);
        running = &work;
        if (cancelAfter == 0)
            work.cancel();
        ended.wait(lock, [&] { return result.has_value(); });
        running = nullptr;
    }
    return *result;
}

} // namespace

class TestGuestInvitations : public QObject {
    Q_OBJECT

    QTemporaryDir mTemp;
    QTemporaryDir mOut;
    std::unique_ptr<office::Engine> mEngine;

private slots:
    void initTestCase()
    {
        qputenv("TEMP", QFile::encodeName(mTemp.path()));
        mEngine = makeTestEngine(2);
    }

    void everyGuest_data()
    {
        QTest::addColumn<int>("output");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("one PDF, a page a guest")
            << int(GuestOutput::OnePdf) << "Invitations.pdf" << QStringList{"Invitations.pdf"};
        QTest::newRow("a PDF each")
            << int(GuestOutput::PdfEach) << "Invitation.pdf"
            << QStringList{"Invitation - Zoë Ångström.pdf", "Invitation - Smith, Jo.pdf",
                           "Invitation - Zoë Ångström (2).pdf"};
        QTest::newRow("a picture each")
            << int(GuestOutput::PictureEach) << "Card.png"
            << QStringList{"Card - Zoë Ångström.png", "Card - Smith, Jo.png",
                           "Card - Zoë Ångström (2).png"};
    }
    void everyGuest() GUARDED_TEST
    {
        QFETCH(int, output);
        QFETCH(QString, chosen);
        QFETCH(QStringList, files);
        const QString folder = mOut.filePath(QTest::currentDataTag());
        QDir().mkpath(folder);
        const GuestsOutcome outcome =
            make(*mEngine, orderFor(GuestOutput(output), folder + u'/' + chosen));
        QVERIFY2(outcome.missing.isEmpty(), qPrintable(outcome.missing.join(u'\n')));
        QCOMPARE(outcome.failure, QString());
        QCOMPARE(outcome.made, 3);
        QCOMPARE(sortedNames(QDir(folder).entryList(QDir::Files)), sortedNames(files));

        // Every page names its guest and the celebrant, in the list's order.
        QStringList pages;
        if (GuestOutput(output) == GuestOutput::OnePdf) {
            const QString pdf = folder + u'/' + files.first();
            QVERIFY(run("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+3\\n")));
            const QString fonts = run("pdffonts", {pdf});
            QVERIFY2(!fonts.contains(QRegularExpression("\\bno\\s+(yes|no)\\s+(yes|no)\\s+\\d+")),
                     qPrintable(fonts));
            for (int page = 1; page <= 3; ++page)
                pages << run("pdftotext",
                             {"-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
        } else {
            for (const QString& file : files) {
                const QString path = folder + u'/' + file;
                if (GuestOutput(output) == GuestOutput::PdfEach) {
                    pages << run("pdftotext", {path, "-"});
                } else {
                    QImageReader picture(path);
                    QCOMPARE(picture.format(), QByteArray("png"));
                    QVERIFY(picture.size().width() >= 8 * kSharedPictureDpi);
                }
            }
        }
        for (int index = 0; index < pages.size(); ++index) {
            const QString words = pages[index].simplified();
            QVERIFY2(words.contains(kGuests[index]) && words.contains(kCelebrant),
                     qPrintable(words));
            QVERIFY(!words.contains(QStringLiteral("[Guest]")));
        }
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cancelLeavesNothing_data()
    {
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("cancelAfter");
        QTest::addColumn<int>("filesLeft");
        QTest::newRow("one PDF, at once") << int(GuestOutput::OnePdf) << 0 << 0;
        QTest::newRow("one PDF, after a guest") << int(GuestOutput::OnePdf) << 1 << 0;
        QTest::newRow("a PDF each: the finished stay") << int(GuestOutput::PdfEach) << 1 << 1;
    }
    void cancelLeavesNothing() GUARDED_TEST
    {
        QFETCH(int, output);
        QFETCH(int, cancelAfter);
        QFETCH(int, filesLeft);
        const QString folder = mOut.filePath(QStringLiteral("cancel-") + QTest::currentDataTag());
        QDir().mkpath(folder);
        const GuestsOutcome outcome = make(
            *mEngine, orderFor(GuestOutput(output), folder + QStringLiteral("/Invitation.pdf")),
            cancelAfter);
        QVERIFY(outcome.cancelled);
        // A guest under way when the cancel came may still finish.
        const int files = int(QDir(folder).entryList(QDir::Files).size());
        QCOMPARE(files, outcome.made);
        QVERIFY(files >= filesLeft && files <= filesLeft + 1);
        if (GuestOutput(output) == GuestOutput::OnePdf)
            QCOMPARE(files, 0);
        // Nothing but the record of the program's working files, which goes
        // with the program.
        const QStringList left =
            QDir(mTemp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QCOMPARE(left.filter(QRegularExpression("^(?!velmora-documents-.*\\.list$)")),
                 QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // The office ends under one guest: that guest is told by name, the others
    // are made, with an office started afresh.
    void aFailingGuest()
    {
        FakeOffice office;
        int pictures = 0;
        office.onOperation = [&](FakeOffice::Op operation) {
            if (operation == FakeOffice::Op::PagePicture && ++pictures == 2)
                throw Failure(QStringLiteral("The office ended"));
        };
        const QString folder = mOut.filePath(QStringLiteral("failing"));
        QDir().mkpath(folder);
        const GuestsOutcome outcome =
            make(office, orderFor(GuestOutput::PictureEach, folder + QStringLiteral("/Card.png")));
        QCOMPARE(outcome.made, 2);
        QCOMPARE(outcome.missing.size(), 1);
        QVERIFY(outcome.missing.first().startsWith(kGuests[0] + u':')
                || outcome.missing.first().startsWith(kGuests[1] + u':'));
        QVERIFY(outcome.missing.first().endsWith(QStringLiteral("The office ended")));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
        QCOMPARE(office.applicationsAlive(), 0);
    }

    void cleanupTestCase() { mEngine.reset(); }
};

QTEST_GUILESS_MAIN(TestGuestInvitations)
#include "test_guest_invitations.moc"
