// The road of one invitation through LibreOffice, timed: instances started
// ahead of demand against instances started when asked for.
#include "../tests/integration/OfficeFixtures.h"
#include "generation/PageExport.h"
#include "tests/support/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <map>

using namespace velmora;

namespace {

using Samples = std::map<QString, std::vector<double>>;

void fill(office::Document& document)
{
    for (const auto& range : document.storyRanges()) {
        for (const QString& token : {QStringLiteral("[Celebrant] celebrate her"), QStringLiteral("[Location]"),
                                     QStringLiteral("[GivenBy]"), QStringLiteral("[RSVPNo]")}) {
            office::Find& find = range->find();
            find.text = token;
            find.replacementText = QStringLiteral("value");
            range->execute(office::kReplaceAll);
        }
    }
    for (const auto& shape : document.shapes())
        if (shape->hasText())
            for (const QString& token : {QStringLiteral("[Celebrant] celebrate her"), QStringLiteral("[Location]"),
                                         QStringLiteral("[GivenBy]"), QStringLiteral("[RSVPNo]"),
                                         QStringLiteral("[BirthDate]"), QStringLiteral("[BirthTime]")})
                shape->replaceText(token, QStringLiteral("value"), office::kReplaceAll);
}

void road(office::Engine& engine, const QString& source, const QString& folder, Samples& samples)
{
    QElapsedTimer clock;
    clock.start();
    double mark = 0;
    const auto lap = [&](const QString& name) {
        const double now = clock.nsecsElapsed() / 1e6;
        samples[name].push_back(now - mark);
        mark = now;
    };
    const QString result = folder + QStringLiteral("/tarvik00000000.doc");
    const QString picture = folder + QStringLiteral("/temp.bmp");

    auto word = engine.createApplication();
    lap(QStringLiteral("create A -> connected"));
    auto document = word->open(source, true);
    fill(*document.get());
    lap(QStringLiteral("open + fill"));
    document->saveAs(result);
    document->close();
    lap(QStringLiteral("save"));
    word->quit();
    lap(QStringLiteral("quit A"));

    auto second = engine.createApplication();
    lap(QStringLiteral("create B -> connected"));
    const QImage page = second->open(result, false)->pagePicture();
    if (page.isNull() || !page.save(picture, "PNG", 90))
        throw Failure(QStringLiteral("no picture"));
    lap(QStringLiteral("open + export"));
    samples[QStringLiteral("whole road to temp.bmp")].push_back(clock.nsecsElapsed() / 1e6);
    second->closeActiveDocument(false);
    second->quit();
    lap(QStringLiteral("quit B"));
}

void print(const char* title, const Samples& samples)
{
    std::printf("\n%s (ms: median [min - max], %zu runs)\n", title, samples.begin()->second.size());
    for (auto [name, values] : samples) {
        std::sort(values.begin(), values.end());
        std::printf("  %-24s %7.0f  [%5.0f - %5.0f]\n", qPrintable(name), values[values.size() / 2],
                    values.front(), values.back());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir folder;
    try {
        auto setup = testing::makeTestEngine();
        const QString source = testing::makeStoriesDocument(*setup, folder.path());
        setup.reset();

        for (const int prepared : {2, 0}) {
            auto engine = testing::makeTestEngine(prepared);
            engine->createApplication()->quit(); // the program's availability check
            Samples samples;
            for (int run = 0; run < runs; ++run) {
                // The user types between runs; prepared instances are up by then.
                if (prepared)
                    QThread::msleep(3000);
                road(*engine, source, folder.path(), samples);
            }
            print(prepared ? "Instances started ahead (2 waiting)" : "Instances started on demand", samples);
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
