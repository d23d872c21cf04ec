// The road of one invitation through LibreOffice, timed phase by phase:
// instances prepared ahead of demand against instances started when asked for.
#include "OfficeRoad.h"
#include "tests/support/OfficeFixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

using namespace velmora;
using namespace velmora::bench;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const bool withOnDemand = !(argc > 2 && QByteArray(argv[2]) == "ahead-only");
    const QString source = QStringLiteral(VELMORA_TEMPLATE);
    if (!QFile::exists(source)) {
        std::fprintf(stderr, "the invitation template %s has not been built\n", qPrintable(source));
        return 1;
    }
    QTemporaryDir folder;
    std::printf(
        "The invitation template, filled, saved and pictured; %d runs, 3 s pause before each run "
        "with prepared instances (the user types meanwhile).\n",
        runs);
    try {
        for (const int prepared : {2, 0}) {
            if (!prepared && !withOnDemand)
                continue;
            auto engine = testing::makeTestEngine(prepared);
            engine->checkAvailable(); // the program's availability check
            Samples samples;
            for (int run = 0; run < runs; ++run) {
                if (prepared)
                    QThread::msleep(3000);
                road(*engine, source, folder.path(), samples);
            }
            print(prepared ? "Instances prepared ahead (2 waiting)" : "Instances started on demand",
                  samples);
            std::fflush(stdout);
            engine.reset();
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(failure.description()));
        return 1;
    }
    const QStringList left = testing::leftovers(folder.path());
    if (!left.isEmpty()) {
        std::fprintf(stderr, "left behind: %s\n", qPrintable(left.join(u' ')));
        return 1;
    }
    return 0;
}
