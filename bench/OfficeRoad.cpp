#include "OfficeRoad.h"

#include "generation/FillingRun.h"
#include "generation/PageExport.h"
#include "tests/support/OfficeFixtures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <cstdio>

namespace velmora::bench {

void road(office::Engine& engine, const QString& source, const QString& folder, Samples& samples)
{
    QElapsedTimer clock;
    clock.start();
    double mark = 0;
    const auto lap = [&](const char* name) {
        const double now = clock.nsecsElapsed() / 1e6;
        samples[QString::fromLatin1(name)].push_back(now - mark);
        mark = now;
    };
    const QString result = folder + QStringLiteral("/tarvik11111111.doc");
    const QString picture = folder + QStringLiteral("/temp.bmp");

    auto word = engine.createApplication();
    lap("1 create A");
    auto document = word->open(source, true);
    lap("2 open template");
    testing::fillDocument(*document.get(),
                          {QStringLiteral("Orla Penwick"),
                           QStringLiteral("Candia Inflatable Play Facility"),
                           QStringLiteral("Bozo"), QStringLiteral("555-010-2468")},
                          true);
    lap("3 fill");
    document->fitTextToBoxes(kSmallestTypePoints);
    lap("4 fit text to boxes");
    document->saveAs(result);
    document->close();
    lap("5 save + close");
    word->quit();
    lap("6 quit A");

    auto second = engine.createApplication();
    lap("7 create B");
    auto filled = second->open(result, false);
    lap("8 open result");
    const QImage page = fittedPagePicture(filled);

    lap("9 page picture");
    writePagePicture(page, picture);
    lap("10 write temp.bmp");
    samples[QStringLiteral("road to temp.bmp")].push_back(clock.nsecsElapsed() / 1e6);
    second->closeActiveDocument(false);
    second->quit();
    lap("11 close + quit B");
    samples[QStringLiteral("road incl. quit B")].push_back(clock.nsecsElapsed() / 1e6);
    QFile::remove(result);
    QFile::remove(picture);
}

void print(const char* title, const Samples& samples)
{
    std::printf("\n%s (ms: median [min - max], %zu runs)\n", title, samples.begin()->second.size());
    std::vector<std::pair<QString, std::vector<double>>> rows(samples.begin(), samples.end());
    // Phases in road order, totals last.
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        const bool aPhase = a.first.front().isDigit(), bPhase = b.first.front().isDigit();
        if (aPhase != bPhase)
            return aPhase;
        return aPhase ? a.first.section(u' ', 0, 0).toInt() < b.first.section(u' ', 0, 0).toInt()
                      : a.first < b.first;
    });
    for (auto& [name, values] : rows) {
        std::sort(values.begin(), values.end());
        std::printf("  %-22s %7.0f  [%5.0f - %5.0f]\n", qPrintable(name), values[values.size() / 2],
                    values.front(), values.back());
    }
}

} // namespace velmora::bench
