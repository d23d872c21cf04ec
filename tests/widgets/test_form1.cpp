#include "errors/Guard.h"
#include "errors/Locations.h"
#include "generation/AvailabilityCheck.h"
#include "generation/Designs.h"
#include "mainwindow/Form1.h"
#include "mainwindow/StoredValues.h"
#include "platform/SettingsStore.h"
#include "preview/Form2.h"
#include "preview/PageActions.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeOffice.h"
#include "tests/support/Pictures.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestPlatform.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace velmora;
using velmora::testing::control;
using velmora::testing::controls;
using velmora::testing::FakeOffice;
using velmora::testing::ScriptedDialogs;
using velmora::testing::TestPlatform;

class Form1Test : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestPlatform> mTest;
    FakeOffice mOffice;
    int mEndRequests = 0;

    Platform platform() { return mTest->platform(); }
    std::unique_ptr<Form1> startForm()
    {
        auto form = std::make_unique<Form1>(platform(), mOffice);
        connect(form.get(), &Form1::endProgramRequested, this, [this] { ++mEndRequests; });
        form->Form_Load();
        return form;
    }
    QString stored(const QString& key)
    {
        return mTest->settings().value(key).value_or(QStringLiteral("<absent>"));
    }

    // The window's controls, found by their objectName; a missing one names the test's line.
    using Caller = std::source_location;
    static QPushButton* button(const Form1& form, const char* name, Caller at = Caller::current())
    {
        return control<QPushButton>(form, name, at);
    }
    static QLineEdit* textBox(const Form1& form, int element, Caller at = Caller::current())
    {
        return control<QLineEdit>(form, "Text1", element, at);
    }
    static QList<QLineEdit*> textBoxes(const Form1& form, Caller at = Caller::current())
    {
        return controls<QLineEdit>(form, "Text1", at);
    }
    static DateTimePicker* picker(const Form1& form, const char* name,
                                  Caller at = Caller::current())
    {
        return control<DateTimePicker>(form, name, at);
    }
    static QRadioButton* option(const Form1& form, const char* name, Caller at = Caller::current())
    {
        return control<QRadioButton>(form, name, at);
    }

private slots:
    void init()
    {
        mTest.reset();
        mTest = std::make_unique<TestPlatform>();
        mOffice = FakeOffice();
        mEndRequests = 0;
    }

    void layoutFollowsTheDesign()
    {
        auto form = startForm();
        QCOMPARE(form->size(), QSize(536, 316));
        QCOMPARE(button(*form, "PushButton6")->geometry(), QRect(8, 8, 520, 27));
        QCOMPARE(button(*form, "PushButton6")->text(), QStringLiteral("Start Creating Template"));
        QCOMPARE(button(*form, "PushButton3")->text(), QStringLiteral("Clear/Reset Data"));
        QCOMPARE(button(*form, "PushButton4")->text(), QStringLiteral("Load Sample/Example Data"));
        QCOMPARE(textBox(*form, 3)->geometry(), QRect(112, 196, 393, 23));
        QCOMPARE(textBox(*form, 0)->property("tag").toString(), QStringLiteral("[Celebrant]"));
        QCOMPARE(textBox(*form, 3)->property("tag").toString(), QStringLiteral("[RSVPNo]"));
        QCOMPARE(picker(*form, "DateTimePicker1")->displayFormat(),
                 QStringLiteral("MMMM dd, yyyy"));
        QCOMPARE(picker(*form, "DateTimePicker1")->minimumDate(), QDate(1601, 1, 1));
        QCOMPARE(picker(*form, "DateTimePicker1")->maximumDate(), QDate(9999, 12, 31));
        QVERIFY(button(*form, "PushButton6")->font().bold());
        QCOMPARE(button(*form, "PushButton6")->font().pointSizeF(), 11.25);
    }

    void firstStartShowsDefaults()
    {
        auto form = startForm();
        for (QLineEdit* box : textBoxes(*form))
            QVERIFY(box->text().isEmpty());
        QCOMPARE(picker(*form, "DateTimePicker1")->value(),
                 QDateTime(mTest->now.date(), QTime(0, 0)));
        QCOMPARE(picker(*form, "DateTimePicker2")->value(), mTest->now);
        QVERIFY(option(*form, "Option1")->isChecked());
        QVERIFY(mTest->dialogs.shown.isEmpty());
        // The office was checked once, without an instance kept running.
        QCOMPARE(mOffice.calls, QStringList{QStringLiteral("checkAvailable")});
        QCOMPARE(mOffice.applicationsAlive(), 0);
    }

    void everyKeystrokeIsStoredAndRestored()
    {
        auto form = startForm();
        form->show();
        textBox(*form, 0)->setFocus();
        QStringList seen;
        for (const QChar c : QStringLiteral("Ann")) {
            QTest::keyClick(textBox(*form, 0), c.toLatin1());
            seen << stored(QStringLiteral("Text1_0"));
        }
        QCOMPARE(seen, (QStringList{"A", "An", "Ann"}));
        form.reset();
        auto again = startForm();
        QCOMPARE(textBox(*again, 0)->text(), QStringLiteral("Ann"));
    }

    void anyTextSurvivesARestart()
    {
        const QStringList texts = {QString(10000, QChar(u'w')) + QStringLiteral("!"),
                                   QStringLiteral("\U0001F389 Party \U0001F382"),
                                   QStringLiteral("\u05DE\u05E1\u05D9\u05D1\u05D4\t[Location]"),
                                   QStringLiteral("a, b; c = \"d\" \\ [RSVPNo]")};
        {
            auto form = startForm();
            for (int i = 0; i < 4; ++i)
                textBox(*form, i)->setText(texts[i]);
        }
        auto form = startForm();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(textBox(*form, i)->text(), texts[i]);
    }

    void pickersAndGenderSurviveARestart()
    {
        const QDateTime birth(QDate(1603, 2, 28), QTime(0, 0));
        const QDateTime time(QDate(2020, 1, 1), QTime(23, 59, 58));
        {
            auto form = startForm();
            picker(*form, "DateTimePicker1")->setValue(birth);
            picker(*form, "DateTimePicker2")->setValue(time);
            option(*form, "Option2")->click();
            QCOMPARE(stored(QStringLiteral("Option")), QStringLiteral("2"));
        }
        auto form = startForm();
        QCOMPARE(picker(*form, "DateTimePicker1")->value(), birth);
        QCOMPARE(picker(*form, "DateTimePicker2")->value(), time);
        QVERIFY(option(*form, "Option2")->isChecked());
    }

    void pickersHoldWholeValuesInsideTheirRange()
    {
        auto form = startForm();
        for (const char* name : {"DateTimePicker1", "DateTimePicker2"}) {
            DateTimePicker* edit = picker(*form, name);
            const QDateTime latest(QDate(9999, 12, 31), QTime(23, 59, 59));
            edit->setValue(latest);
            QCOMPARE(edit->value(), latest);
            edit->setValue(QDateTime(QDate(1500, 5, 5), QTime(10, 0)));
            QCOMPARE(edit->value(), QDateTime(QDate(1601, 1, 1), QTime(0, 0)));
        }
        // Editing the shown time keeps the date of the time picker's value.
        picker(*form, "DateTimePicker2")->setValue(QDateTime(QDate(1990, 3, 4), QTime(9, 15, 30)));
        form->show();
        picker(*form, "DateTimePicker2")->setFocus();
        picker(*form, "DateTimePicker2")->setCurrentSection(QDateTimeEdit::HourSection);
        QTest::keyClick(picker(*form, "DateTimePicker2"), Qt::Key_Up);
        QCOMPARE(picker(*form, "DateTimePicker2")->value(),
                 QDateTime(QDate(1990, 3, 4), QTime(10, 15, 30)));
        QCOMPARE(stored(QStringLiteral("DateTimePicker2")),
                 stored::generalDateText(QDateTime(QDate(1990, 3, 4), QTime(10, 15, 30))));
    }

    void clearAfterSample()
    {
        auto form = startForm();
        mTest->now = mTest->now.addSecs(3600);
        button(*form, "PushButton4")->click();
        QCOMPARE(textBox(*form, 0)->text(), QStringLiteral("Orla Penwick"));
        QCOMPARE(textBox(*form, 1)->text(), QStringLiteral("Candia Inflatable Play Facility"));
        QCOMPARE(textBox(*form, 2)->text(), QStringLiteral("Bozo"));
        QCOMPARE(textBox(*form, 3)->text(), QStringLiteral("555-010-2468"));
        QCOMPARE(picker(*form, "DateTimePicker1")->value(), mTest->now);
        QCOMPARE(picker(*form, "DateTimePicker2")->value(), mTest->now);
        QCOMPARE(stored(QStringLiteral("DateTimePicker1")), stored::generalDateText(mTest->now));
        QCOMPARE(stored(QStringLiteral("DateTimePicker2")), stored::generalDateText(mTest->now));
        button(*form, "PushButton3")->click();
        for (int i = 0; i < 4; ++i) {
            QVERIFY(textBox(*form, i)->text().isEmpty());
            QCOMPARE(stored(QStringLiteral("Text1_%1").arg(i)), QString());
        }
        QVERIFY(option(*form, "Option1")->isChecked());
        QCOMPARE(picker(*form, "DateTimePicker1")->value(),
                 mTest->now); // the pickers keep their values
    }

    // A failing step of Clear/Reset or Load Sample is reported with its line,
    // and every later step still runs.
    void aFailingStepOfTheButtonsIsReportedAndTheRestRuns_data()
    {
        QTest::addColumn<bool>("sample");
        QTest::addColumn<int>("line");
        for (int line = 100; line <= 108; line += 2)
            QTest::addRow("clear %d", line) << false << line;
        for (int line = 100; line <= 114; line += 2)
            QTest::addRow("sample %d", line) << true << line;
    }

    void aFailingStepOfTheButtonsIsReportedAndTheRestRuns()
    {
        QFETCH(bool, sample);
        QFETCH(int, line);
        auto form = startForm();
        option(*form, "Option2")->click();
        for (QLineEdit* box : textBoxes(*form))
            box->setText(QStringLiteral("typed"));
        const QDateTime before = picker(*form, "DateTimePicker1")->value();
        const QDateTime timeBefore = picker(*form, "DateTimePicker2")->value();
        mTest->now = mTest->now.addDays(3);
        mTest->failingStep = {
            {sample ? locations::Form1_PushButton4_Click : locations::Form1_PushButton3_Click,
             line}};
        button(*form, sample ? "PushButton4" : "PushButton3")->click();
        mTest->failingStep.reset();
        const QString procedure = sample ? QStringLiteral("Form1.PushButton4_Click")
                                         : QStringLiteral("Form1.PushButton3_Click");
        QCOMPARE(mTest->dialogs.reportedLines(),
                 QStringList{procedure + u':' + QString::number(line)});
        QVERIFY(mTest->dialogs.errorReports().first().startsWith(Guard::kInjectedFailure
                                                                 + QStringLiteral("\r\n")));

        const QStringList samples = {"Orla Penwick", "Candia Inflatable Play Facility", "Bozo",
                                     "555-010-2468"};
        for (int element = 0; element < 4; ++element) {
            const bool skipped = line == 100 + 2 * element;
            const QString expected = skipped  ? QStringLiteral("typed")
                                     : sample ? samples[element]
                                              : QString();
            QCOMPARE(textBox(*form, element)->text(), expected);
            QCOMPARE(stored(QStringLiteral("Text1_%1").arg(element)), expected);
        }
        if (sample) {
            QCOMPARE(picker(*form, "DateTimePicker1")->value(), line == 108 ? before : mTest->now);
            QCOMPARE(picker(*form, "DateTimePicker2")->value(),
                     line == 110 ? timeBefore : mTest->now);
            QVERIFY(option(*form, "Option2")->isChecked());
        } else {
            QCOMPARE(option(*form, "Option1")->isChecked(), line != 108);
            QCOMPARE(picker(*form, "DateTimePicker1")->value(), before);
        }
    }

    // Load Sample stores the pickers in steps of its own: a store that cannot
    // be written is reported at those steps, apart from the warning that the
    // typing handlers give.
    void loadSampleReportsTheStoresItCannotWrite()
    {
        // A store below a plain file cannot be written, whoever runs the test.
        QFile plain(mTest->path(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("a file, not a folder") > 0);
        plain.close();
        mTest->useSettingsFile(mTest->path(QStringLiteral("plain/Velmora.ini")));
        auto unwritable = startForm();
        button(*unwritable, "PushButton4")->click();
        QCOMPARE(mTest->dialogs.reportedLines(),
                 (QStringList{"Form1.PushButton4_Click:112", "Form1.PushButton4_Click:114"}));
        int warnings = 0;
        for (const auto& box : mTest->dialogs.shown)
            warnings +=
                box.text.startsWith(QStringLiteral("What you type cannot be remembered")) ? 1 : 0;
        QCOMPARE(warnings, 1);
        QCOMPARE(textBox(*unwritable, 3)->text(), QStringLiteral("555-010-2468"));
    }

    // A store that can be written again takes the writes again: the reports
    // stop, and a later failure is told again.
    void aStoreWritableAgainIsWrittenAgain_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("folder below a plain file") << "below a file";
        QTest::newRow("locked file") << "locked";
    }
    void aStoreWritableAgainIsWrittenAgain()
    {
        QFETCH(QString, how);
        const QString plain = mTest->path(QStringLiteral("plain"));
        const QString file = how == "below a file" ? plain + QStringLiteral("/Velmora.ini")
                                                   : mTest->settings().fileName();
        const bool root = ::geteuid() == 0;
        const auto writable = [&](bool on) {
            if (how == "below a file") {
                if (on) {
                    QVERIFY(QFile::remove(plain) && QDir().mkdir(plain));
                } else {
                    QDir(plain).removeRecursively();
                    QFile blocker(plain);
                    QVERIFY(blocker.open(QIODevice::WriteOnly) && blocker.write("a file") > 0);
                }
            } else if (root) {
                // Root passes over permissions; the immutable attribute stops root too.
                if (QProcess::execute("chattr", {on ? "-i" : "+i", file}) != 0 && !on)
                    QSKIP("running as root where chattr +i is not available");
            } else {
                QVERIFY(QFile::setPermissions(
                    file, QFile::ReadOwner | (on ? QFile::WriteOwner : QFile::Permissions())));
            }
        };
        const auto warnings = [&] {
            int count = 0;
            for (const auto& box : mTest->dialogs.shown)
                count += box.text.startsWith(QStringLiteral("What you type cannot be remembered"));
            return count;
        };
        if (how == "below a file") {
            writable(false);
            mTest->useSettingsFile(file);
        }
        auto form = startForm();
        QLineEdit* celebrant = textBox(*form, 0);
        celebrant->setText(QStringLiteral("Orla Penwic"));
        writable(false);
        QTest::keyClick(celebrant, Qt::Key_K);
        QTest::keyClick(celebrant, Qt::Key_S);
        QCOMPARE(warnings(), 1);

        writable(true);
        QTest::keyClick(celebrant, Qt::Key_Backspace);
        QCOMPARE(celebrant->text(), QStringLiteral("Orla Penwick"));
        SettingsStore reread(file);
        QCOMPARE(reread.value(QStringLiteral("Text1_0")), std::optional(celebrant->text()));
        button(*form, "PushButton4")->click();
        QCOMPARE(mTest->dialogs.errorReports(), QStringList());

        writable(false);
        QTest::keyClick(celebrant, Qt::Key_S);
        writable(true);
        QCOMPARE(warnings(), 2);
        QCOMPARE(mTest->dialogs.errorReports(), QStringList());
    }

    // Coming back from a box is not the user entering the field: the warning
    // that a keystroke brings leaves the text and the cursor where they were.
    void aBoxClosingKeepsWhatIsBeingTyped()
    {
        const QString folder = mTest->path(QStringLiteral("settings"));
        QVERIFY(QDir().mkdir(folder));
        mTest->useSettingsFile(folder + QStringLiteral("/Velmora.ini"));
        auto form = startForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QLineEdit* celebrant = textBox(*form, 0);
        celebrant->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QTest::keyClicks(celebrant, QStringLiteral("Orla Penwic"));
        // A store below a plain file cannot be written, whoever runs the test.
        QVERIFY(QDir(folder).removeRecursively());
        QFile plain(folder);
        QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("a file, not a folder") > 0);
        plain.close();
        QVERIFY(mTest->dialogs.shown.isEmpty());
        // The warning is a window of its own: it takes the focus, and the
        // window system gives it back once the box has closed.
        QWidget box;
        mTest->dialogs.whileShown = [&] {
            box.show();
            QApplication::setActiveWindow(&box);
            QVERIFY(QTest::qWaitForWindowActive(&box));
            box.hide();
            QTimer::singleShot(0, form.get(), [&] { QApplication::setActiveWindow(form.get()); });
        };
        QTest::keyClick(celebrant, Qt::Key_K);
        QCOMPARE(mTest->dialogs.shown.size(), 1);
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_COMPARE(QApplication::focusWidget(), celebrant);
        QCoreApplication::processEvents();
        QTest::keyClick(celebrant, Qt::Key_S);
        QCOMPARE(celebrant->text(), QStringLiteral("Orla Penwicks"));
    }

    void clearFromFemaleStoresMale()
    {
        auto form = startForm();
        option(*form, "Option2")->click();
        button(*form, "PushButton3")->click();
        QVERIFY(option(*form, "Option1")->isChecked());
        QCOMPARE(stored(QStringLiteral("Option")), QStringLiteral("1"));
    }

    void sampleKeepsFemale()
    {
        auto form = startForm();
        option(*form, "Option2")->click();
        button(*form, "PushButton4")->click();
        QVERIFY(option(*form, "Option2")->isChecked());
        QCOMPARE(stored(QStringLiteral("Option")), QStringLiteral("2"));
    }

    void storedOption_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("male");
        QTest::addColumn<bool>("reported");
        QTest::newRow("1") << "1" << true << false;
        QTest::newRow("2") << "2" << false << false;
        QTest::newRow("7") << "7" << false << false;
        QTest::newRow("0.6") << "0.6" << true << false;
        QTest::newRow("abc") << "abc" << true << true;
    }
    void storedOption()
    {
        QFETCH(QString, value);
        QFETCH(bool, male);
        QFETCH(bool, reported);
        // Start from the other choice, so the restore really has to select.
        auto form = std::make_unique<Form1>(platform(), mOffice);
        option(*form, male ? "Option2" : "Option1")->setChecked(true);
        mTest->settings().setValue(QStringLiteral("Option"), value);
        form->Form_Load();
        QCOMPARE(option(*form, "Option1")->isChecked(), male);
        QCOMPARE(mTest->dialogs.reportedLines(),
                 reported ? QStringList{"Form1.Form_Load:138"} : QStringList{});
    }

    void unreadableStoredDatesAreReportedAndTodayShown()
    {
        mTest->settings().setValue(QStringLiteral("DateTimePicker1"),
                                   QStringLiteral("31.08.2021 nonsense"));
        mTest->settings().setValue(QStringLiteral("DateTimePicker2"), QStringLiteral("noon-ish"));
        mTest->settings().setValue(QStringLiteral("Text1_1"), QStringLiteral("Park"));
        auto form = std::make_unique<Form1>(platform(), mOffice);
        form->Form_Load();
        QCOMPARE(mTest->dialogs.reportedLines(),
                 (QStringList{"Form1.Form_Load:128", "Form1.Form_Load:130"}));
        QVERIFY(mTest->dialogs.errorReports()[0].startsWith(QStringLiteral("Type mismatch\r\n")));
        // Today, as for a missing key.
        QCOMPARE(picker(*form, "DateTimePicker1")->value(), QDateTime(mTest->now.date(), QTime()));
        QCOMPARE(picker(*form, "DateTimePicker2")->value(), mTest->now);
        QCOMPARE(textBox(*form, 1)->text(), QStringLiteral("Park")); // the restore went on
    }

    void damagedSettingsFileIsReportedNotFatal()
    {
        QFile file(mTest->settings().fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x00\xff[Velmora\n=\x01garbage", 20));
        file.close();
        mTest->useSettingsFile(file.fileName());
        auto form = startForm();
        // Whatever the store made of it, the form is usable and typing stores again.
        textBox(*form, 0)->setText(QStringLiteral("Ann"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Text1_0=Ann"));
        for (const QString& report : mTest->dialogs.errorReports())
            QVERIFY(report.contains(QStringLiteral("Form1.Form_Load at line")));
    }

    void focusSelectsTheWholeText()
    {
        auto form = startForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        textBox(*form, 1)->setText(QStringLiteral("Old place"));
        textBox(*form, 0)->setFocus();
        QTest::keyClick(form.get(), Qt::Key_Tab); // celebrant -> date
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // -> time
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // -> location
        QCOMPARE(QApplication::focusWidget(), textBox(*form, 1));
        QCoreApplication::processEvents();
        QCOMPARE(textBox(*form, 1)->selectedText(), QStringLiteral("Old place"));
        QTest::keyClicks(textBox(*form, 1), QStringLiteral("Zoo"));
        QCOMPARE(textBox(*form, 1)->text(), QStringLiteral("Zoo"));
    }

    void missingOfficeShowsTheInstructionsOnly()
    {
        mOffice.failing = {FakeOffice::Op::Create};
        QApplication::setApplicationDisplayName(QStringLiteral("Velmora"));
        auto form = std::make_unique<Form1>(platform(), mOffice);
        QVERIFY(!form->Form_Load());
        QCOMPARE(mTest->dialogs.shown.size(), 1);
        QCOMPARE(mTest->dialogs.shown[0].text, officeMissingMessage());
        QCOMPARE(mTest->dialogs.shown[0].title, QStringLiteral("Velmora"));
        QCOMPARE(mTest->dialogs.shown[0].icon, Dialogs::Icon::None);
        QVERIFY(!form->isVisible());
        QVERIFY(officeMissingMessage().startsWith(QStringLiteral(
            "Error 842001. A normal instance of Word could not be created.\r\n\r\n1. ")));
        QVERIFY(officeMissingMessage().endsWith(QStringLiteral("Starter and Student editions.")));
        QCOMPARE(officeMissingMessage().count(QStringLiteral("\r\n\r\n")), 4);
    }

    void startCreatingHandsTheDocumentToThePreview()
    {
        mOffice.templateContent.shapes = {
            QStringLiteral("Please come and help [Celebrant] celebrate her birthday!")};
        auto form = startForm();
        form->show();
        button(*form, "PushButton4")->click();
        button(*form, "PushButton6")->click();
        QVERIFY2(mTest->dialogs.errorReports().isEmpty(),
                 qPrintable(mTest->dialogs.reportedLines().join(',')));
        QVERIFY(form->form2());
        QVERIFY(form->form2()->isVisible());
        QVERIFY(!form->isVisible());
        QVERIFY(!form->runInProgress());
        const QString document = form->form2()->mWordFile;
        QVERIFY(QFile::exists(document));
        QVERIFY(mOffice.saved.value(document).shapes.value(0).contains(
            QStringLiteral("help Orla Penwick celebrate his birthday!")));
        QVERIFY(!QFile::exists(mTest->path(QStringLiteral("temp.bmp"))));
        QVERIFY(!QFile::exists(mTest->path(QStringLiteral("template.dot"))));
        QCOMPARE(mOffice.applicationsAlive(), 0);
    }

    // A value that no type size fits in its box is named once, by its label,
    // over the preview; the short value beside it is not blamed, nothing is
    // reported as an error and nothing typed is lost.
    void aValueTooLongForItsBoxIsNamedOnce()
    {
        mOffice.templateContent.shapes = {
            QStringLiteral("Please come and help [Celebrant] celebrate her birthday!"),
            QStringLiteral("Location [Location]\nGiven By [GivenBy]")};
        mOffice.boxCapacity = 120;
        auto form = startForm();
        form->show();
        button(*form, "PushButton4")->click();
        const QString location = QString(150, u'L');
        textBox(*form, 1)->setText(location);
        bool previewShown = false;
        mTest->dialogs.whileShown = [&] { previewShown = form->form2()->isVisible(); };
        button(*form, "PushButton6")->click();
        QVERIFY(mTest->dialogs.errorReports().isEmpty());
        QCOMPARE(mTest->dialogs.shown.size(), 1);
        QCOMPARE(mTest->dialogs.shown.front().text,
                 QStringLiteral("The text in \"Location\" is too long to fit on the invitation, "
                                "even in small type, so part of it is not shown. Shorten it to "
                                "see it whole."));
        QVERIFY(previewShown);
        QVERIFY(mOffice.calls.contains(QStringLiteral("fitTextToBoxes:9")));
        QCOMPARE(textBox(*form, 1)->text(), location);
        QCOMPARE(textBox(*form, 2)->text(), QStringLiteral("Bozo"));
    }

    // "RSVP Code on the Page" is a checkable entry of the preview's page menu;
    // Ctrl+R toggles it, makes the invitation anew at once and is remembered
    // through a restart. The code goes into the "[RSVPCode]" spot at 300 ppi
    // or more and reads as the number; a number without digits gets no code
    // and a note, once; a template without the spot gets nothing, no error.
    void rsvpCodeEntry_data()
    {
        QTest::addColumn<QString>("rsvp");
        QTest::addColumn<bool>("spot");
        QTest::addColumn<QString>("reads"); // empty: no code on the page
        QTest::addColumn<int>("notes");
        QTest::newRow("number") << "555-010-2468" << true << "tel:5550102468" << 0;
        QTest::newRow("no digits") << "ask Mum" << true << "" << 1;
        QTest::newRow("no spot") << "555-010-2468" << false << "" << 0;
    }
    void rsvpCodeEntry()
    {
        QFETCH(QString, rsvp);
        QFETCH(bool, spot);
        QFETCH(QString, reads);
        QFETCH(int, notes);
        mOffice.templateContent.shapes = {QStringLiteral("RSVP [RSVPNo]")};
        if (spot)
            mOffice.templateContent.shapes << QStringLiteral("[RSVPCode]");
        const auto noteCount = [&] {
            return int(std::count_if(
                mTest->dialogs.shown.begin(), mTest->dialogs.shown.end(), [](const auto& box) {
                    return box.icon == Dialogs::Icon::Warning
                           && box.text.startsWith(QStringLiteral(
                               "The RSVP number has no digits, so no code is put on the page."));
                }));
        };
        const auto entry = [](const Form1& form) {
            for (QAction* action : form.form2()->pageActions().menu().actions())
                if (action->text() == QStringLiteral("RSVP Code on the Page"))
                    return action;
            return static_cast<QAction*>(nullptr);
        };
        const auto pressCtrlR = [](const Form1& form) {
            QApplication::setActiveWindow(form.form2());
            QVERIFY(QTest::qWaitForWindowActive(form.form2()));
            QTest::keySequence(form.form2(), QKeySequence(QStringLiteral("Ctrl+R")));
        };
        const auto pictures = [&](const Form1& form) {
            return mOffice.saved.value(form.form2()->mWordFile).pictures;
        };

        auto form = startForm();
        form->show();
        button(*form, "PushButton4")->click();
        textBox(*form, 3)->setText(rsvp);
        button(*form, "PushButton6")->click();
        QAction* code = entry(*form);
        QVERIFY(code && code->isCheckable() && !code->isChecked());
        QVERIFY(pictures(*form).isEmpty());

        pressCtrlR(*form);
        QTRY_COMPARE(stored(QStringLiteral("RSVPCode")), QStringLiteral("1"));
        QVERIFY(code->isChecked());
        const auto placed = pictures(*form);
        QCOMPARE(placed.size(), reads.isEmpty() ? 0 : 1);
        if (!placed.isEmpty()) {
            QCOMPARE(placed.front().token, QStringLiteral("[RSVPCode]"));
            QCOMPARE(placed.front().altText, QStringLiteral("Code to call ") + rsvp);
            // The fake's spot is 2 in square.
            QVERIFY2(placed.front().picture.width() >= 600,
                     qPrintable(QString::number(placed.front().picture.width())));
            const QString png = mTest->path(QStringLiteral("code.png"));
            QVERIFY(placed.front().picture.save(png));
            QCOMPARE(testing::codesIn(png), reads);
        }
        QCOMPARE(noteCount(), notes);
        // Made again (here in a design chosen anew): the note is not given again.
        form->makeInDesign(designs::kDefaultId);
        QCOMPARE(pictures(*form).size(), placed.size());
        QCOMPARE(noteCount(), notes);
        QVERIFY2(mTest->dialogs.errorReports().isEmpty(),
                 qPrintable(mTest->dialogs.errorReports().join('\n')));

        // Remembered: after a restart the entry is checked, and Ctrl+R takes it off.
        form.reset();
        form = startForm();
        form->show();
        button(*form, "PushButton6")->click();
        QVERIFY(entry(*form)->isChecked());
        QCOMPARE(pictures(*form).size(), placed.size());
        pressCtrlR(*form);
        QTRY_COMPARE(stored(QStringLiteral("RSVPCode")), QStringLiteral("0"));
        QVERIFY(!entry(*form)->isChecked());
        QVERIFY(pictures(*form).isEmpty());
        const QStringList shapes = mOffice.saved.value(form->form2()->mWordFile).shapes;
        QVERIFY2(!shapes.join(u' ').contains(QStringLiteral("[RSVPCode]")),
                 qPrintable(shapes.join('|')));
        QVERIFY(mTest->dialogs.errorReports().isEmpty());
    }

    // A value of any length survives a restart whole and reaches the document.
    void aLongValueIsKeptWholeThroughARestartAndIntoTheDocument()
    {
        QString value;
        for (int i = 0; value.size() < 100000; ++i)
            value += QString::number(i) + u' ';
        value.truncate(100000);
        {
            auto form = startForm();
            textBox(*form, 1)->setText(value);
            QCOMPARE(textBox(*form, 1)->text().size(), 100000);
        }
        mOffice.templateContent.stories = {QStringLiteral("At [Location]!")};
        auto form = startForm();
        QCOMPARE(textBox(*form, 1)->text(), value);
        QCOMPARE(stored(QStringLiteral("Text1_1")), value);
        form->show();
        form->PushButton6_Click();
        const QString document = form->form2()->mWordFile;
        QCOMPARE(mOffice.saved.value(document).stories.value(0),
                 QStringLiteral("At ") + value + u'!');
    }

    // Without a temporary folder the picture's path cannot be formed: that is
    // the picture export's own failure, at the step that writes the picture.
    void withoutATemporaryFolderThePictureStepReports()
    {
        auto form = startForm();
        form->show();
        const QByteArray savedTemp = qgetenv("TEMP");
        const QByteArray savedTmpdir = qgetenv("TMPDIR");
        QTemporaryDir tmp;
        qunsetenv("TEMP");
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
        // Where the private folder would be, a file: no safe folder can be had.
        QFile blocker(tmp.filePath(QStringLiteral("velmora-%1").arg(::getuid())));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        form->PushButton6_Click();
        qputenv("TEMP", savedTemp);
        qputenv("TMPDIR", savedTmpdir);
        const QStringList lines = mTest->dialogs.reportedLines();
        QVERIFY2(lines.contains(QStringLiteral("Form1.SaveDocAsJPG:122")),
                 qPrintable(lines.join(u',')));
        QVERIFY2(!lines.contains(QStringLiteral("Form1.PushButton6_Click:220")),
                 qPrintable(lines.join(u',')));
    }

    // A second click made while a run held the event queue is delivered
    // after the run hid the main window: it starts no second run.
    void aClickQueuedBehindARunStartsNoOther()
    {
        auto form = startForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QPoint centre = button(*form, "PushButton6")->rect().center();
        button(*form, "PushButton6")->click();
        QVERIFY(!form->isVisible());
        const QString document = form->form2()->mWordFile;
        QTest::mouseClick(button(*form, "PushButton6"), Qt::LeftButton, {}, centre);
        QTest::keyClick(button(*form, "PushButton6"), Qt::Key_Space);
        QCOMPARE(mOffice.calls.count(QStringLiteral("create")), 2); // one run: filling and picture
        QCOMPARE(form->form2()->mWordFile, document);
        QCOMPARE(
            QDir(mTest->folder()).entryList({QStringLiteral("tarvik*.doc")}, QDir::Files).size(),
            1);
        // Shown again, the button works as ever.
        form->show();
        QTest::mouseClick(button(*form, "PushButton6"), Qt::LeftButton, {}, centre);
        QCOMPARE(mOffice.calls.count(QStringLiteral("create")), 4);
    }

    void withoutSkinTheWindowStaysWhite()
    {
        auto form = startForm();
        QCOMPARE(form->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(qApp->styleSheet().isEmpty());
        QVERIFY(mTest->dialogs.shown.isEmpty());
    }

    void skinFileColoursTheFaceAndAppliesTheStyleSheet()
    {
        QDir(mTest->folder()).mkpath(QStringLiteral("x"));
        QFile skin(mTest->path(QStringLiteral("x/o.cjs")));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.write("QPushButton { border-radius: 6px; }");
        skin.close();
        auto form = startForm();
        const QColor face = form->palette().color(QPalette::Button);
        QCOMPARE(form->palette().color(QPalette::Window), face);
        for (QWidget* painted : std::initializer_list<QWidget*>{
                 control<QGroupBox>(*form, "Frame1"), control<QGroupBox>(*form, "Frame2"),
                 control<QLabel>(*form, "Label2", 0), option(*form, "Option1")})
            QCOMPARE(painted->palette().color(painted->backgroundRole()), face);
        QVERIFY(qApp->styleSheet().contains(QStringLiteral("border-radius")));
        QVERIFY(mTest->dialogs.shown.isEmpty());
        qApp->setStyleSheet(QString());
    }

    void rejectedSkinIsReportedAndStartUpGoesOn()
    {
        QDir(mTest->folder()).mkpath(QStringLiteral("x"));
        QFile skin(mTest->path(QStringLiteral("x/o.cjs")));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.write("QPushButton { color: red; ");
        skin.close();
        mTest->settings().setValue(QStringLiteral("Text1_0"), QStringLiteral("Ann"));
        auto form = startForm();
        QCOMPARE(mTest->dialogs.reportedLines(), QStringList{"Form1.Form_Load:100"});
        QVERIFY(qApp->styleSheet().isEmpty());
        // The colours set before the failure stay, and the start-up went on.
        QCOMPARE(form->palette().color(QPalette::Window), form->palette().color(QPalette::Button));
        QCOMPARE(form->windowTitle(), QStringLiteral("Velmora"));
        QCOMPARE(textBox(*form, 0)->text(), QStringLiteral("Ann"));
    }

    void cursorFileThatIsNoCursorIsReported()
    {
        QFile cursor(mTest->path(QStringLiteral("HAND-M.CUR")));
        QVERIFY(cursor.open(QIODevice::WriteOnly));
        cursor.write("this is not a cursor");
        cursor.close();
        auto form = startForm();
        QCOMPARE(mTest->dialogs.reportedLines(), QStringList{"Form1.Form_Load:124"});
        QVERIFY(!form->pointer().hasCustomImage());
    }

    void shippedCursorFileIsLoaded()
    {
        const QString shipped =
            QCoreApplication::applicationDirPath() + QStringLiteral("/HAND-M.CUR");
        if (!QFile::exists(shipped))
            QSKIP("the build did not place HAND-M.CUR beside the programs");
        QVERIFY(QFile::copy(shipped, mTest->path(QStringLiteral("HAND-M.CUR"))));
        auto form = startForm();
        QVERIFY(mTest->dialogs.shown.isEmpty());
        QVERIFY(form->pointer().hasCustomImage());
    }

    void titlesAndIcon()
    {
        auto form = startForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Velmora"));
        QCOMPARE(Dialogs::applicationShortTitle(), QStringLiteral("Velmora"));
        QVERIFY(!form->windowIcon().isNull());
        // One icon for both windows: the preview takes the program's.
        QVERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(QApplication::windowIcon().cacheKey(), form->windowIcon().cacheKey());
    }

    void websiteOpensExactlyWhenTheDrawIsSeven()
    {
        for (const double draw : {0.0, 0.059, 0.06, 0.0699, 0.07, 0.5, 0.99}) {
            QList<QUrl> opened;
            Platform withDraw = platform();
            withDraw.random = [draw] { return draw; };
            withDraw.openUrl = [&](const QUrl& url) { opened << url; };
            Form1 form(withDraw, mOffice);
            form.Form_Load();
            const bool seven = static_cast<int>(draw * 100) + 1 == 7;
            QCOMPARE(opened.size(), seven ? 1 : 0);
            if (seven)
                QCOMPARE(opened[0], QUrl(kWebsiteAddress));
        }
    }

    void busyPointerWinsOverTheHoverRule()
    {
        auto form = startForm();
        form->show();
        QTest::mouseMove(button(*form, "PushButton4"));
        QCOMPARE(form->pointer().kind(), int(WindowPointer::Custom));
        QTest::mouseMove(control<QGroupBox>(*form, "Frame1"), QPoint(2, 60));
        QCOMPARE(form->pointer().kind(), int(WindowPointer::Default));
        int kindDuringRun = -1;
        int kindAfterHover = -1;
        mOffice.onOperation = [&](FakeOffice::Op operation) {
            if (operation == FakeOffice::Op::Open) {
                kindDuringRun = form->pointer().kind();
                QTest::mouseMove(button(*form, "PushButton3"));
                kindAfterHover = form->pointer().kind();
            }
        };
        button(*form, "PushButton6")->click();
        QCOMPARE(kindDuringRun, int(WindowPointer::Busy));
        QCOMPARE(kindAfterHover, int(WindowPointer::Busy));
        QCOMPARE(form->pointer().kind(), int(WindowPointer::Default));
    }

    void closingTheMainWindowEndsTheProgram()
    {
        auto form = startForm();
        form->show();
        form->close();
        QCOMPARE(mEndRequests, 1);
    }

    void closingDuringARunLeavesNoDocumentBehind()
    {
        auto form = startForm();
        form->show();
        mOffice.onOperation = [&](FakeOffice::Op operation) {
            if (operation == FakeOffice::Op::Open)
                form->close();
        };
        button(*form, "PushButton6")->click();
        QCOMPARE(mEndRequests, 1);
        QVERIFY(!form->form2() || !form->form2()->isVisible());
        QCOMPARE(QDir(mTest->folder()).entryList({QStringLiteral("tarvik*")}, QDir::Files),
                 QStringList{});
        QCOMPARE(mOffice.applicationsAlive(), 0);
    }
};

QTEST_MAIN(Form1Test)
#include "test_form1.moc"
