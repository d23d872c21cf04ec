// What fitting the text to its boxes costs a click: every design, filled in a
// fresh prepared instance as a click fills it, with the sample values and with
// 150, 200 and 400 characters in every text field; the fit alone is timed.
#include "OfficeRoad.h"
#include "generation/FillingRun.h"
#include "tests/support/OfficeFixtures.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

using namespace velmora;
using namespace velmora::bench;

namespace {

const std::array<QString, 4> kSample = {QStringLiteral("Orla Penwick"),
                                        QStringLiteral("Candia Inflatable Play Facility"),
                                        QStringLiteral("Bozo"), QStringLiteral("555-010-2468")};

const std::array<QString, 4> kWords = {
    QStringLiteral("Maximiliana Theodora Wilhelmina Penwick-Abernathy of Upper Candlewick Hollow, "
                   "beloved granddaughter of Rosalind and Bartholomew, eldest sister of Jeremiah, "
                   "Philippa and little Augustin Mossetti-Farrow"),
    QStringLiteral("The Grand Candia Inflatable Play Facility, Hall B2, 1234 Long Meadow Street "
                   "West, behind the old railway station, past the bakery with the green awning, "
                   "second door on the left after the big fountain."),
    QStringLiteral("Grandma Rosalind, Grandpa Bartholomew, Auntie Philippa and Uncle Desmond, "
                   "Cousin Jeremiah Mossetti, and all the neighbours from Juniper Lane who helped "
                   "with the cake, balloons, music and paper crowns!"),
    QStringLiteral("555-010-2468 weekday evenings after six, or else 555-010-9753 on Saturday "
                   "mornings; please leave a message with your name, how many are coming, and "
                   "any allergies we should know about before the party.")};

std::array<QString, 4> ofLength(int length)
{
    std::array<QString, 4> values;
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = QString(kWords[i] + u' ' + kWords[i]).left(length);
    return values;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QStringList designs;
    QDirIterator found(QStringLiteral(VELMORA_TEMPLATES), {QStringLiteral("invitation.dot")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (found.hasNext())
        designs << found.next();
    designs.sort();
    const std::pair<const char*, std::array<QString, 4>> valueSets[] = {
        {"sample values", kSample},
        {"150 characters", ofLength(150)},
        {"200 characters", ofLength(200)},
        {"400 characters", ofLength(400)}};
    std::printf("Fitting the text to the boxes, in a fresh prepared instance per fill; %d runs, "
                "1 s pause before each.\n",
                runs);
    try {
        auto engine = testing::makeTestEngine(2);
        engine->checkAvailable();
        for (const auto& [title, values] : valueSets) {
            Samples samples;
            for (const QString& design : designs) {
                const QString name = QFileInfo(design).dir().dirName();
                for (int run = 0; run < runs; ++run) {
                    QThread::msleep(1000);
                    auto word = engine->createApplication();
                    auto document = word->open(design, true);
                    testing::fillDocument(*document.get(), values, true);
                    QElapsedTimer clock;
                    clock.start();
                    const auto overflows = document->fitTextToBoxes(kSmallestTypePoints);
                    samples[name].push_back(clock.nsecsElapsed() / 1e6);
                    if (run == 0)
                        for (const auto& overflow : overflows)
                            std::printf("  %s, %s: a box is %.1f pt over at %.0f pt\n",
                                        qPrintable(name), title, overflow.points,
                                        kSmallestTypePoints);
                    document->close();
                    word->quit();
                }
            }
            print(title, samples);
            std::fflush(stdout);
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(failure.description()));
        return 1;
    }
    return 0;
}
