// The whole click, timed: from "Start Creating Template" to the preview shown,
// with the real main window over the real engine, offscreen. The engine's own
// road runs first in the same program, for comparison. Every click is timed
// twice, with the shipped template and with its text-only twin (the same page
// without its art, bench/invitation-text-only.dot), taking turns, so that the
// last line tells what the art costs the click.
#include "OfficeRoad.h"
#include "generation/OfficeModule.h"
#include "mainwindow/Form1.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "preview/Form2.h"
#include "tests/support/OfficeFixtures.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestPlatform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

using namespace velmora;
using namespace velmora::bench;

namespace {

// What a user leaves between two clicks: a quick one, and one who reads the
// preview first. "create A" and "create B" of the road are how long a click
// waited for its instances.
constexpr int kPausesMs[] = {3000, 10000};

const QString kShippedClick = QStringLiteral("click -> preview shown");
const QString kTwinClick = QStringLiteral("click -> preview shown, text-only twin");

QStringList leftBehind(const QString& folder)
{
    return testing::leftovers(folder)
           + QDir(folder).entryList({QStringLiteral("lu*"), QStringLiteral("tarvik*"),
                                     QStringLiteral("temp.bmp"), QStringLiteral("template.dot")},
                                    QDir::AllEntries | QDir::Hidden);
}

// The clicks in a folder of their own, which TEMP names while they run.
Samples clicks(int runs, int pauseMs)
{
    testing::TestPlatform test;
    test.now = QDateTime::currentDateTime();
    test.random = [] { return QRandomGenerator::global()->generateDouble(); };
    testing::ScriptedDialogs& dialogs = test.dialogs;
    std::unique_ptr<office::Engine> engine = makeLibreOfficeEngine();
    Samples samples;
    {
        Form1 form(test.platform(), *engine);
        if (!form.Form_Load())
            throw Failure(QStringLiteral("the start-up found no office"));
        form.show();
        form.PushButton4_Click();
        // Shipped and twin take turns, each first in every other pair.
        for (int click = 0; click < 2 * runs; ++click) {
            const bool twin = (click % 2 == 0) == (click / 2 % 2 == 1);
            // The run writes its template only where none is: the twin put
            // there is what it fills.
            if (twin
                && !QFile::copy(QStringLiteral(VELMORA_TEXT_ONLY_TEMPLATE),
                                test.path(QStringLiteral("template.dot"))))
                throw Failure(QStringLiteral("the text-only twin could not be put in place"));
            QTest::qWait(pauseMs);
            QElapsedTimer clock;
            clock.start();
            form.PushButton6_Click();
            while (!form.form2() || !form.form2()->isVisible()) {
                if (clock.elapsed() > 60000)
                    throw Failure(QStringLiteral("the preview did not show"));
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
            samples[twin ? kTwinClick : kShippedClick].push_back(clock.nsecsElapsed() / 1e6);
            if (click == 0)
                std::printf("\n  first click after start-up: %.0f ms\n",
                            samples[kShippedClick].front());
            if (!dialogs.shown.isEmpty())
                throw Failure(QStringLiteral("the run reported: ") + dialogs.shown.front().text);
            form.form2()->PushButton8_Click();
        }
    }
    engine.reset();
    const QStringList left = leftBehind(test.folder());
    if (!left.isEmpty())
        throw Failure(QStringLiteral("left behind: ") + left.join(u' '));
    return samples;
}

} // namespace

int main(int argc, char** argv)
{
    // Offscreen: the windows are real, the screen is not needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir folder;
    // The program's working folder, as TEMP names it.
    qputenv("TEMP", folder.path().toLocal8Bit());
    std::printf(
        "%d runs; before each, a pause without input (the user looks at the form), so that the\n"
        "prepared instances are as ready as they would be for a user.\n",
        runs);
    Samples allClicks;
    try {
        for (const int pauseMs : kPausesMs) {
            std::printf("\n=== %d s pause before each click ===\n", pauseMs / 1000);
            {
                std::unique_ptr<office::Engine> engine = makeLibreOfficeEngine();
                engine->checkAvailable(); // the start-up's check
                Samples road;
                for (int run = 0; run < runs; ++run) {
                    QTest::qWait(pauseMs);
                    velmora::bench::road(*engine, QStringLiteral(VELMORA_TEMPLATE), folder.path(),
                                         road);
                }
                print("The engine's own road (invitation template)", road);
                Samples twinRoad;
                for (int run = 0; run < runs; ++run) {
                    QTest::qWait(pauseMs);
                    velmora::bench::road(*engine, QStringLiteral(VELMORA_TEXT_ONLY_TEMPLATE),
                                         folder.path(), twinRoad);
                }
                print("The engine's own road (text-only twin)", twinRoad);
            }
            const Samples pauseClicks = clicks(runs, pauseMs);
            print("The whole click (Form1 -> Form2, real engine)", pauseClicks);
            for (const auto& [name, values] : pauseClicks)
                allClicks[name].insert(allClicks[name].end(), values.begin(), values.end());
            std::fflush(stdout);
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(failure.description()));
        return 1;
    }
    const QStringList left = leftBehind(folder.path());
    if (!left.isEmpty()) {
        std::fprintf(stderr, "left behind: %s\n", qPrintable(left.join(u' ')));
        return 1;
    }
    std::printf(
        "\nNothing left behind (no office process, instance folder, lu* or working file).\n");
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        const std::size_t middle = values.size() / 2;
        return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    };
    const double shipped = median(allClicks[kShippedClick]);
    const double twin = median(allClicks[kTwinClick]);
    std::printf("\nclick medians over every pause: %.0f ms shipped, %.0f ms text-only twin\n",
                shipped, twin);
    std::printf("art cost: %.2f x the text-only page\n", shipped / twin);
    return 0;
}
