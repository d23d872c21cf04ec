#include "errors/ErrorReport.h"
#include "errors/Guard.h"
#include "errors/Locations.h"
#include "tests/support/ScriptedDialogs.h"

#include <QTest>

using namespace velmora;
using velmora::testing::ScriptedDialogs;

namespace {
[[noreturn]] void fail(const char* what)
{
    throw Failure(QString::fromLatin1(what));
}
// An unguarded helper: its failure belongs to whoever called it.
void unguardedHelper(QStringList& trace)
{
    trace << QStringLiteral("helper start");
    fail("inside helper");
}
} // namespace

class ErrorReportTest : public QObject {
    Q_OBJECT
private slots:
    void textIsComposedByteForByte()
    {
        const QString text = errorReportText(QStringLiteral("File not found"),
                                             locations::Form1_PushButton3_Click, 104);
        QCOMPARE(text, QStringLiteral("File not found\r\n"
                                      "in Harvelin2021/08/31.Form1.PushButton3_Click at line 104"
                                      "\r\r"
                                      "Please email screenshot of this message to ")
                           + kSupportAddress);
        QVERIFY(!text.endsWith(QLatin1Char('.')));
    }

    void emptyDescriptionLeavesFirstLineEmpty()
    {
        QVERIFY(errorReportText(QString(), locations::Form1_Form_Load, 100)
                    .startsWith(
                        QStringLiteral("\r\nin Harvelin2021/08/31.Form1.Form_Load at line 100")));
    }

    void reportIsAModalWarningWithOk()
    {
        ScriptedDialogs dialogs;
        Guard guard(dialogs, locations::Form2_RedrawImage);
        guard.step(112, [] { fail("Invalid picture"); });
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Application Error"));
        QCOMPARE(dialogs.shown[0].buttons, Dialogs::Buttons::Ok);
        QCOMPARE(dialogs.shown[0].icon, Dialogs::Icon::Warning);
        QCOMPARE(dialogs.reportedLines(), QStringList{QStringLiteral("Form2.RedrawImage:112")});
    }

    void lowerCasePictureNamesAreKept()
    {
        QCOMPARE(locations::Form2_Picture1_MouseDown,
                 QStringLiteral("in Harvelin2021/08/31.Form2.picture1_MouseDown "));
        QCOMPARE(locations::Form2_Picture1_MouseMove,
                 QStringLiteral("in Harvelin2021/08/31.Form2.picture1_MouseMove "));
        QCOMPARE(locations::Form2_Picture1_MouseUp,
                 QStringLiteral("in Harvelin2021/08/31.Form2.Picture1_MouseUp "));
    }

    void failuresAreReportedInOrderAndTheProcedureGoesOn()
    {
        ScriptedDialogs dialogs;
        Guard guard(dialogs, locations::Form1_PushButton4_Click);
        QStringList ran;
        int target = 5;
        guard.step(100, [&] { ran << "100"; });
        guard.step(102, [&] {
            ran << "102";
            target = []() -> int { fail("Type mismatch"); }();
        });
        guard.step(104, [&] { ran << "104"; });
        guard.step(106, [&] { fail("Overflow"); });
        guard.step(108, [&] { ran << "108"; });
        QCOMPARE(ran, (QStringList{"100", "102", "104", "108"}));
        QCOMPARE(target, 5); // a failed assignment leaves its target unchanged
        QCOMPARE(dialogs.reportedLines(),
                 (QStringList{"Form1.PushButton4_Click:102", "Form1.PushButton4_Click:106"}));
        QVERIFY(dialogs.errorReports()[0].startsWith(QStringLiteral("Type mismatch\r\n")));
    }

    void everyStatementFailingGivesOneReportEach()
    {
        ScriptedDialogs dialogs;
        Guard guard(dialogs, locations::Form1_SaveDocAsJPG);
        for (int line = 116; line <= 126; line += 2)
            guard.step(line, [] { fail("The remote server machine does not exist"); });
        QCOMPARE(dialogs.errorReports().size(), 6);
        QCOMPARE(dialogs.reportedLines().last(), QStringLiteral("Form1.SaveDocAsJPG:126"));
    }

    void failedTestOpensItsBlock()
    {
        ScriptedDialogs dialogs;
        Guard guard(dialogs, locations::Form1_PushButton6_Click);
        bool blockRan = false;
        if (guard.test(108, []() -> bool { fail("Bad file name"); }))
            guard.step(110, [&] { blockRan = true; });
        QVERIFY(blockRan);
        QVERIFY(!guard.test(112, [] { return false; }));
        QCOMPARE(dialogs.reportedLines(), QStringList{"Form1.PushButton6_Click:108"});
    }

    void failedWalkStartRunsTheBodyOnce()
    {
        ScriptedDialogs dialogs;
        Guard guard(dialogs, locations::Form1_PushButton6_Click);
        int bodies = 0;
        guard.forEach<int>(
            166, 188, []() -> NextElement<int> { fail("Object required"); },
            [&](const int& element) {
                ++bodies;
                QCOMPARE(element, 0);
            });
        QCOMPARE(bodies, 1);
        QCOMPARE(dialogs.reportedLines(),
                 (QStringList{"Form1.PushButton6_Click:166", "Form1.PushButton6_Click:188"}));
    }

    void failedWalkStepLeavesTheWalk()
    {
        ScriptedDialogs dialogs;
        Guard guard(dialogs, locations::Form1_PushButton6_Click);
        QList<int> seen;
        int calls = 0;
        guard.forEach<int>(
            118, 162,
            [&] {
                return NextElement<int>([&]() -> std::optional<int> {
                    if (++calls == 3)
                        fail("Enumeration failed");
                    return calls;
                });
            },
            [&](const int& element) { seen << element; });
        bool after = false;
        guard.step(164, [&] { after = true; });
        QCOMPARE(seen, (QList<int>{1, 2}));
        QVERIFY(after);
        QCOMPARE(dialogs.reportedLines(), QStringList{"Form1.PushButton6_Click:162"});
    }

    void walkOverAVectorVisitsEachElement()
    {
        ScriptedDialogs dialogs;
        Guard guard(dialogs, locations::Form1_PushButton6_Click);
        QStringList seen;
        guard.forEach<QString>(
            118, 162,
            [] {
                return elementsOf<QString>({"body", "header", "frame"});
            },
            [&](const QString& element) { seen << element; });
        QCOMPARE(seen, (QStringList{"body", "header", "frame"}));
        QVERIFY(dialogs.shown.isEmpty());
    }

    void unguardedCalleeIsReportedAtTheCallersLine()
    {
        ScriptedDialogs dialogs;
        Guard guard(dialogs, locations::Form1_Form_Load);
        QStringList trace;
        guard.step(126, [&] {
            unguardedHelper(trace);
            trace << QStringLiteral("helper end"); // never reached
        });
        guard.step(128, [&] { trace << QStringLiteral("128"); });
        QCOMPARE(trace, (QStringList{"helper start", "128"}));
        QCOMPARE(dialogs.reportedLines(), QStringList{"Form1.Form_Load:126"});
    }

    void guardedCalleeReportsItself()
    {
        ScriptedDialogs dialogs;
        Guard caller(dialogs, locations::Form1_PushButton6_Click);
        caller.step(220, [&] {
            Guard callee(dialogs, locations::Form1_SaveDocAsJPG);
            callee.step(116, [] { fail("Cannot start"); });
            callee.step(126, [] { fail("Cannot quit"); });
        });
        QCOMPARE(dialogs.reportedLines(),
                 (QStringList{"Form1.SaveDocAsJPG:116", "Form1.SaveDocAsJPG:126"}));
        QCOMPARE(caller.failureCount(), 0);
    }

    void standardExceptionsAreReportedToo()
    {
        ScriptedDialogs dialogs;
        Guard guard(dialogs, locations::Form2_PushButton6_Click);
        guard.step(130, [] { throw std::runtime_error("disk full"); });
        QVERIFY(dialogs.errorReports().value(0).startsWith(QStringLiteral("disk full\r\n")));
    }
};

QTEST_GUILESS_MAIN(ErrorReportTest)
#include "test_error_report.moc"
