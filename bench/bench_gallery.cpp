// The gallery, timed with the real main window and preview over the real
// engine, offscreen: from Ctrl+D in the preview to the first design's picture
// and to all of them, and from choosing a design to its preview shown, beside
// a plain click on "Start Creating Template". Each round follows a pause, as a
// user reads the preview first.
#include "OfficeRoad.h"
#include "generation/Designs.h"
#include "generation/OfficeModule.h"
#include "mainwindow/Form1.h"
#include "platform/SettingsStore.h"
#include "preview/Form2.h"
#include "preview/Gallery.h"
#include "tests/support/TestPlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTest>
#include <cstdio>

using namespace velmora;
using namespace velmora::bench;

namespace {

constexpr int kPauseMs = 3000;

void waitFor(const std::function<bool()>& done, const char* what)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 60000)
            throw Failure(QStringLiteral("timed out waiting for ") + QString::fromUtf8(what));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    testing::TestPlatform test;
    test.now = QDateTime::currentDateTime();
    test.random = [] { return QRandomGenerator::global()->generateDouble(); };
    std::unique_ptr<office::Engine> engine = makeLibreOfficeEngine();
    Samples samples;
    try {
        Form1 form(test.platform(), *engine);
        if (!form.Form_Load())
            throw Failure(QStringLiteral("the start-up found no office"));
        form.show();
        form.PushButton4_Click();
        form.PushButton6_Click();
        const int designs = int(designs::all().size());
        for (int run = 0; run < runs; ++run) {
            Form2& preview = *form.form2();
            QTest::qWait(kPauseMs);
            QElapsedTimer clock;
            clock.start();
            preview.showGallery();
            Gallery* gallery = preview.gallery();
            int shown = 0;
            double first = 0;
            QObject::connect(gallery, &Gallery::pictureShown, [&] {
                if (++shown == 1)
                    first = double(clock.nsecsElapsed()) / 1e6;
            });
            waitFor([&] { return shown == designs; }, "the pictures");
            samples[QStringLiteral("Ctrl+D -> first picture")].push_back(first);
            samples[QStringLiteral("Ctrl+D -> all pictures")].push_back(double(clock.nsecsElapsed())
                                                                        / 1e6);

            // Another design each round, chosen as a user does.
            QTest::qWait(kPauseMs);
            auto* list = gallery->findChild<QListWidget*>(QStringLiteral("DesignList"));
            const QString before = preview.mWordFile;
            list->setCurrentRow((list->currentRow() + 1) % designs);
            clock.restart();
            QTest::keyClick(list, Qt::Key_Return);
            waitFor(
                [&] {
                    return preview.mWordFile != before && preview.isVisible()
                           && !form.runInProgress();
                },
                "the chosen design's preview");
            samples[QStringLiteral("choose -> preview shown")].push_back(
                double(clock.nsecsElapsed()) / 1e6);

            QTest::qWait(kPauseMs);
            clock.restart();
            form.PushButton6_Click();
            samples[QStringLiteral("click -> preview shown")].push_back(double(clock.nsecsElapsed())
                                                                        / 1e6);
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "bench_gallery: %s\n", qPrintable(failure.description()));
        return 1;
    }
    print("The gallery (real engine, offscreen)", samples);
    const auto median = [&](const QString& name) {
        std::vector<double> values = samples[name];
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::printf("gallery: first thumbnail %.0f ms, all %d thumbnails %.0f ms\n",
                median(QStringLiteral("Ctrl+D -> first picture")), int(designs::all().size()),
                median(QStringLiteral("Ctrl+D -> all pictures")));
    return 0;
}
