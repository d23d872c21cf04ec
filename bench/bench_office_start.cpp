// One private office started and connected, then ended: what a creation costs
// when no prepared instance is waiting, the yardstick for the program's start-up.
#include "tests/support/OfficeFixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace velmora;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    std::vector<double> times;
    try {
        auto engine = testing::makeTestEngine(0);
        engine->checkAvailable(); // the profile is made once, outside the figures
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer clock;
            clock.start();
            auto application = engine->createApplication();
            times.push_back(clock.nsecsElapsed() / 1e9);
            application->quit();
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(failure.description()));
        return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "one private office start-and-connect: median %.3f s, range %.3f-%.3f s over %d starts\n",
        times[times.size() / 2], times.front(), times.back(), runs);
    return 0;
}
