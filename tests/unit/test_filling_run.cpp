#include "errors/Locations.h"
#include "generation/FillingRun.h"
#include "platform/Files.h"
#include "tests/support/FakeOffice.h"
#include "tests/support/ScriptedDialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using velmora::testing::FakeOffice;
using velmora::testing::ScriptedDialogs;

namespace {

const QString kTemplateLine =
    QStringLiteral("Please come and help [Celebrant] celebrate her birthday!");

class RecordingHost final : public FillingRunHost {
public:
    QString tags[4] = {"[Celebrant]", "[Location]", "[GivenBy]", "[RSVPNo]"};
    QString texts[4] = {"Orla Penwick", "Candia Inflatable Play Facility", "Bozo", "555-010-2468"};
    bool isMale = true;
    QDateTime date{QDate(2021, 8, 31), QTime(0, 0)};
    QDateTime time{QDate(2021, 8, 31), QTime(14, 5)};
    QStringList events;
    std::function<void()> duringEvents;

    QString tag(int element) override { return tags[element]; }
    QString text(int element) override { return texts[element]; }
    bool male() override { return isMale; }
    QDateTime birthDate() override { return date; }
    QDateTime birthTime() override { return time; }
    void setBusyPointer(bool busy) override { events << (busy ? "busy" : "default"); }
    void processPendingEvents() override
    {
        events << "events";
        if (duringEvents)
            duringEvents();
    }
    void loadPreviewPicture(const QString& picturePath) override
    {
        events << "load:" + QFileInfo(picturePath).fileName();
        if (!QFile::exists(picturePath))
            throw Failure("Cannot load the picture");
    }
    void setPreviewWordFile(const QString& documentPath) override { wordFile = documentPath; }
    void showPreview() override { events << "show preview"; }
    void hideMainWindow() override { events << "hide main"; }
    QString wordFile;
};

} // namespace

class FillingRunTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir mTemp;
    FakeOffice mOffice;
    ScriptedDialogs mDialogs;
    RecordingHost mHost;
    double mNextRandom = 0.5;
    QList<double> mRandoms;

    FillingRun makeRun()
    {
        return FillingRun(
            mOffice, mDialogs,
            [this] { return mRandoms.isEmpty() ? mNextRandom : mRandoms.takeFirst(); },
            [] { return QByteArray("template bytes"); });
    }
    QString savedText() const
    {
        if (mOffice.saved.isEmpty())
            return {};
        const FakeOffice::Content content = mOffice.saved.begin().value();
        return (content.stories + content.shapes).join('\n');
    }

private slots:
    void init()
    {
        qputenv("TEMP", mTemp.path().toLocal8Bit());
        mOffice = FakeOffice();
        mOffice.templateContent.stories = {"", "Header [location]"};
        mOffice.templateContent.shapes = {
            "", kTemplateLine, "Date [BirthDate]\nTime [BirthTime]",
            "Location [Location]\nGiven By [GivenBy]\nPlease RSVP [RSVPNo]"};
        mDialogs = ScriptedDialogs();
        mHost = RecordingHost();
        mRandoms.clear();
    }
    void cleanup()
    {
        for (const QString& name : QDir(mTemp.path()).entryList(QDir::Files))
            QFile::remove(mTemp.filePath(name));
    }

    void wholeRoadFillsEveryTokenAndHandsOver()
    {
        FillingRun run = makeRun();
        run.run(mHost);
        QVERIFY2(mDialogs.shown.isEmpty(), qPrintable(mDialogs.reportedLines().join(',')));
        const QString text = savedText();
        QVERIFY(text.contains("Please come and help Orla Penwick celebrate his birthday!"));
        QVERIFY(text.contains("Date August 31, 2021"));
        QVERIFY(text.contains("Time 2:05 P.M."));
        QVERIFY(text.contains("Location Candia Inflatable Play Facility"));
        QVERIFY(text.contains("Given By Bozo"));
        QVERIFY(text.contains("Please RSVP 555-010-2468"));
        QVERIFY(!text.contains('['));
        // The story pass ignores letter case.
        QVERIFY(text.contains("Header Candia Inflatable Play Facility"));
        QCOMPARE(mHost.events.first(), QStringLiteral("busy"));
        QVERIFY(mHost.events.indexOf("default") < mHost.events.indexOf("load:temp.bmp"));
        QVERIFY(mHost.events.indexOf("show preview") < mHost.events.indexOf("hide main"));
        QVERIFY(!run.inProgress());
        // The template and the picture are gone, the result stays for the preview.
        QVERIFY(!QFile::exists(mTemp.filePath("template.dot")));
        QVERIFY(!QFile::exists(mTemp.filePath("temp.bmp")));
        QVERIFY(QFile::exists(mHost.wordFile));
        QVERIFY(mHost.wordFile.startsWith(mTemp.path() + "/tarvik"));
        QCOMPARE(mOffice.applicationsAlive(), 0);
        QVERIFY(mOffice.calls.contains("open:" + mTemp.filePath("template.dot") + ":readonly"));
    }

    void femaleKeepsTheTemplatesWording()
    {
        mHost.isMale = false;
        FillingRun run = makeRun();
        run.run(mHost);
        QVERIFY(savedText().contains("Please come and help Orla Penwick celebrate her birthday!"));
    }

    void maleLeavesALoneCelebrantTokenAlone()
    {
        mOffice.templateContent.shapes = {"Dear [Celebrant]!", kTemplateLine};
        FillingRun run = makeRun();
        run.run(mHost);
        QVERIFY(savedText().contains("Dear [Celebrant]!"));
        QVERIFY(savedText().contains("help Orla Penwick celebrate his"));
    }

    void dateTokensAreReplacedOnlyInShapes()
    {
        mOffice.templateContent.stories = {"Main [BirthDate] [BirthTime]"};
        FillingRun run = makeRun();
        run.run(mHost);
        QVERIFY(savedText().contains("Main [BirthDate] [BirthTime]"));
        QVERIFY(savedText().contains("Date August 31, 2021"));
    }

    void valuesHoldingLaterTokensAreReplacedInTurn()
    {
        mHost.texts[0] = "[Location]";
        mHost.isMale = false;
        FillingRun run = makeRun();
        run.run(mHost);
        QVERIFY(savedText().contains("help Candia Inflatable Play Facility celebrate her"));
    }

    void unusualValuesGoInUnchanged()
    {
        mHost.texts[1] =
            QString(10000, 'L') + QStringLiteral(" \U0001F389 \u05E9\u05DC\u05D5\u05DD");
        mHost.texts[2] = QString();
        FillingRun run = makeRun();
        run.run(mHost);
        QVERIFY(savedText().contains("Location " + mHost.texts[1] + "\n"));
        QVERIFY(savedText().contains("Given By \n"));
    }

    void secondStartDuringARunDoesNothing()
    {
        FillingRun run = makeRun();
        int nested = 0;
        mHost.duringEvents = [&] {
            ++nested;
            run.run(mHost); // a second click, delivered while events are processed
        };
        run.run(mHost);
        QCOMPARE(nested, 1);
        // One run's offices: the filling's and the page picture's.
        QCOMPARE(mOffice.applicationsCreated, 2);
        QVERIFY(mDialogs.shown.isEmpty());
        QCOMPARE(mHost.events.count("show preview"), 1);
    }

    void staleTemplateIsUsedUnchangedAndDeleted()
    {
        QFile stale(mTemp.filePath("template.dot"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("an older template");
        stale.close();
        bool seenUnchanged = false;
        bool templateOpened = false;
        mOffice.onOperation = [&](FakeOffice::Op operation) {
            if (operation == FakeOffice::Op::Open && !std::exchange(templateOpened, true)) {
                QFile file(mTemp.filePath("template.dot"));
                seenUnchanged =
                    file.open(QIODevice::ReadOnly) && file.readAll() == "an older template";
            }
        };
        FillingRun run = makeRun();
        run.run(mHost);
        QVERIFY(seenUnchanged);
        QVERIFY(!QFile::exists(mTemp.filePath("template.dot")));
    }

    void templateIsWrittenWhenAbsent()
    {
        QByteArray written;
        mOffice.onOperation = [&](FakeOffice::Op operation) {
            if (operation == FakeOffice::Op::Open) {
                QFile file(mTemp.filePath("template.dot"));
                if (file.open(QIODevice::ReadOnly))
                    written = file.readAll();
            }
        };
        FillingRun run = makeRun();
        run.run(mHost);
        QCOMPARE(written, QByteArray("template bytes"));
    }

    void existingNameIsDrawnAgainWhole()
    {
        QFile existing(mTemp.filePath("tarvik55555555.doc"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        // First draw: all 5s (exists); second: 1 2 3 4 5 6 7 8 spread over [0, 1).
        for (int i = 0; i < 8; ++i)
            mRandoms << 0.5;
        for (int digit = 0; digit < 8; ++digit)
            mRandoms << (digit + 0.5) / 9.0;
        FillingRun run = makeRun();
        run.run(mHost);
        QCOMPARE(mHost.wordFile, mTemp.filePath("tarvik12345678.doc"));
        QFile kept(mTemp.filePath("tarvik55555555.doc"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll().isEmpty()); // the existing file was not touched
    }

    void resultNamesHaveEightNonZeroDigits()
    {
        for (double value : {0.0, 0.999999999, 0.111, 0.5, 1.0 - 1e-12}) {
            const QString name = drawResultName([value] { return value; });
            QVERIFY(QRegularExpression("^tarvik[1-9]{8}$").match(name).hasMatch());
        }
        QCOMPARE(drawResultName([] { return 0.0; }), QStringLiteral("tarvik11111111"));
        QCOMPARE(drawResultName([] { return 0.9999; }), QStringLiteral("tarvik99999999"));
    }

    void officeGoneReportsEveryStepAndStillHandsOver()
    {
        mOffice.failing = {FakeOffice::Op::Create};
        FillingRun run = makeRun();
        run.run(mHost);
        const QStringList lines = mDialogs.reportedLines();
        QCOMPARE(lines.first(), QStringLiteral("Form1.PushButton6_Click:110"));
        QVERIFY(lines.contains("Form1.PushButton6_Click:114"));
        QVERIFY(lines.contains("Form1.PushButton6_Click:118")); // the walk could not start
        QVERIFY(lines.contains("Form1.PushButton6_Click:160")); // its body ran once all the same
        QVERIFY(lines.contains("Form1.PushButton6_Click:166"));
        QVERIFY(lines.contains("Form1.PushButton6_Click:206"));
        QVERIFY(lines.contains("Form1.PushButton6_Click:212"));
        // The page export reports its own steps.
        for (const QString& line : lines)
            QVERIFY2(line.startsWith("Form1.PushButton6_Click:")
                         || line.startsWith("Form1.SaveDocAsJPG:"),
                     qPrintable(line));
        QVERIFY(lines.contains("Form1.SaveDocAsJPG:116"));
        // The picture could not be loaded: the preview still opens, the main window hides.
        QVERIFY(lines.contains("Form1.PushButton6_Click:224"));
        QVERIFY(mHost.events.contains("show preview"));
        QVERIFY(mHost.events.contains("hide main"));
        QCOMPARE(mHost.events.last(), QStringLiteral("hide main"));
        QVERIFY(!run.inProgress());
        QVERIFY(!QFile::exists(mTemp.filePath("template.dot")));
    }

    void failingSaveStillEndsTheOffice()
    {
        mOffice.failing = {FakeOffice::Op::SaveAs};
        FillingRun run = makeRun();
        run.run(mHost);
        // The page export then finds no document and says so at its own
        // steps; with no picture, the hand-over reports its load.
        QCOMPARE(mDialogs.reportedLines().filter("Form1.PushButton6_Click:"),
                 (QStringList{"Form1.PushButton6_Click:206", "Form1.PushButton6_Click:224"}));
        QCOMPARE(mDialogs.reportedLines().first(), QStringLiteral("Form1.PushButton6_Click:206"));
        QCOMPARE(mOffice.applicationsAlive(), 0);
        QVERIFY(!run.inProgress());
    }

    // The fit happens right before the save; when it fails, the invitation
    // is saved all the same and the failure reported at the save's step.
    void failingFitStillSavesAndIsReported()
    {
        mOffice.failing = {FakeOffice::Op::FitTextToBoxes};
        FillingRun run = makeRun();
        run.run(mHost);
        QCOMPARE(mDialogs.reportedLines(), QStringList{"Form1.PushButton6_Click:206"});
        QVERIFY(QFile::exists(mHost.wordFile));
        QVERIFY(savedText().contains("Given By Bozo"));
        QVERIFY(run.lastUnfitElements().empty());
    }

    void unwritableTemporaryFolderGivesReportsNotACrash()
    {
        qputenv("TEMP", "/nonexistent/velmora/temp");
        FillingRun run = makeRun();
        run.run(mHost);
        const QStringList lines = mDialogs.reportedLines();
        QCOMPARE(lines.first(), QStringLiteral("Form1.PushButton6_Click:108"));
        QVERIFY(lines.contains("Form1.PushButton6_Click:114"));
        QVERIFY(lines.contains("Form1.PushButton6_Click:206"));
        QVERIFY(!run.inProgress());
        QCOMPARE(mOffice.applicationsAlive(), 0);
    }
};

QTEST_GUILESS_MAIN(FillingRunTest)
#include "test_filling_run.moc"
