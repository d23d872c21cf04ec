// How long the preview's outputs take once the user has asked: the PDF written
// (Ctrl+E and Return) and the print job in the queue (Ctrl+P and Return), each
// served by a prepared office, with a pause before each as a user makes. The
// pause stands for the dialog: the document opens during it, as the program
// opens it while its dialog is up. The PNG is timed a second time with the
// document opened only after the pause, as it was before that.
// The queue is a private cupsd's CUPS-PDF printer (root only); without it only
// the PDF is timed.
#include "OfficeRoad.h"
#include "generation/PrintAndExport.h"
#include "platform/PrintService.h"
#include "tests/support/OfficeFixtures.h"
#include "tests/support/PrintQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <memory>

using namespace velmora;
using namespace velmora::bench;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir folder;
    testing::PrintQueue queue;
    if (!queue.ready())
        std::printf("No print queue (%s): only the PDF is timed.\n", qPrintable(queue.whyNot()));
    std::printf("The filled invitation; %d runs, 3 s pause before each.\n", runs);
    try {
        const auto engine = testing::makeTestEngine(2);
        engine->checkAvailable();
        const QString document = testing::fillInvitation(
            *engine, QStringLiteral(VELMORA_TEMPLATE), folder.path(),
            QStringLiteral("Orla Penwick"), QStringLiteral("Candia Inflatable Play Facility"));
        const QString title = invitationTitle(QStringLiteral("Orla Penwick"));
        PrintService spooler(makeCupsSpooler());
        PrintSettings settings{queue.name(), 1, QStringLiteral("A4")};
        Samples samples;
        // The dialog's time, the document opening meanwhile.
        const auto dialog = [&] {
            auto ahead = std::make_unique<OpeningAhead>(*engine, document);
            QThread::msleep(3000);
            return ahead;
        };
        for (int run = 0; run < runs; ++run) {
            auto ahead = dialog();
            QElapsedTimer clock;
            clock.start();
            exportDocument(*engine, document, title, folder.filePath(QStringLiteral("out.pdf")),
                           ExportFormat::Pdf, ahead.get());
            samples[QStringLiteral("PDF written")].push_back(clock.nsecsElapsed() / 1e6);
            ahead = dialog();
            clock.restart();
            exportDocument(*engine, document, title, folder.filePath(QStringLiteral("out.png")),
                           ExportFormat::Png, ahead.get());
            samples[QStringLiteral("PNG written")].push_back(clock.nsecsElapsed() / 1e6);
            ahead.reset();
            QThread::msleep(3000);
            clock.restart();
            exportDocument(*engine, document, title, folder.filePath(QStringLiteral("out.png")),
                           ExportFormat::Png);
            samples[QStringLiteral("PNG opened after the dialog")].push_back(clock.nsecsElapsed()
                                                                             / 1e6);
            if (queue.ready()) {
                ahead = dialog();
                clock.restart();
                const int job =
                    printDocument(*engine, spooler, document, title, settings, ahead.get());
                samples[QStringLiteral("print job in queue")].push_back(clock.nsecsElapsed() / 1e6);
                queue.awaitPrinted(job, std::chrono::minutes(2));
            }
        }
        std::printf("PNG of the page: %lld bytes\n",
                    QFile(folder.filePath(QStringLiteral("out.png"))).size());
        print("Outputs, each from a prepared office", samples);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(failure.description()));
        return 1;
    }
    return 0;
}
