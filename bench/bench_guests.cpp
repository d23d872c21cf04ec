// Invitations for every guest with the real engine, as the guests' window
// makes them: N guests as one PDF, then as a PDF each, each timed from the
// order to the last file written, with the offices prepared as they are once
// the program has been running. Then the memory of this program and its
// offices together (PSS, the shared libraries shared out).
// Usage: bench_guests [N]   (default 30)
#include "generation/Designs.h"
#include "generation/GuestInvitations.h"
#include "generation/OfficeModule.h"
#include "generation/PrintAndExport.h"
#include "platform/Failure.h"
#include "tests/support/TestPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>
#include <condition_variable>
#include <cstdio>
#include <mutex>

using namespace velmora;

namespace {

// Kilobytes of the key in a /proc file of the process.
long kib(const QString& file, const QByteArray& key)
{
    QFile status(file);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').first().toLong();
    return 0;
}

// This process and every process below it.
double megabytesWithOffices()
{
    long total = kib(QStringLiteral("/proc/self/smaps_rollup"), "Pss");
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.toLong() == 0 || pid == self)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // The parent is the fourth field, after the name in parentheses.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self.toLatin1())
            total += kib(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss");
    }
    return total / 1024.0;
}

double make(office::Engine& engine, GuestInvitations::Order order)
{
    std::mutex mutex;
    std::condition_variable ended;
    std::optional<GuestsOutcome> result;
    QElapsedTimer clock;
    clock.start();
    {
        GuestInvitations work(engine, std::move(order), {}, [&](const GuestsOutcome& outcome) {
            const std::lock_guard lock(mutex);
            result = outcome;
            ended.notify_all();
        });
        std::unique_lock lock(mutex);
        ended.wait(lock, [&] { return result.has_value(); });
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (!result->failure.isEmpty() || !result->missing.isEmpty())
        throw Failure(result->failure + result->missing.join(u'\n'));
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    testing::TestPlatform test;
    QTemporaryDir out;
    try {
        std::unique_ptr<office::Engine> engine = makeLibreOfficeEngine();
        // The program has been running a while when the list is made: its
        // offices are prepared.
        engine->createApplication()->quit();
        QThread::sleep(8);

        GuestInvitations::Order order;
        order.design = designs::find(designs::kDefaultId);
        order.values.texts = {QStringLiteral("Mia"), QStringLiteral("12 Garden Lane"),
                              QStringLiteral("the Ortegas"), QStringLiteral("555-0142")};
        order.values.birthDate = QDate(2027, 3, 14);
        order.values.birthTime = QTime(15, 0);
        order.title = invitationTitle(order.values.texts[0]);
        for (int guest = 1; guest <= count; ++guest)
            order.guests << QStringLiteral("Zoë Ångström %1").arg(guest);

        order.output = GuestOutput::OnePdf;
        order.files =
            guestsFiles({out.filePath(QStringLiteral("one.pdf")), order.output}, order.guests);
        const double onePdf = make(*engine, order);
        QThread::sleep(8);

        order.output = GuestOutput::PdfEach;
        QDir(out.path()).mkdir(QStringLiteral("each"));
        order.files = guestsFiles(
            {out.filePath(QStringLiteral("each/Invitation.pdf")), order.output}, order.guests);
        const double each = make(*engine, order);
        const double memory = megabytesWithOffices();

        std::printf("guests: %d invitations, one PDF in %.0f ms, a PDF each in %.0f ms\n", count,
                    onePdf, each);
        std::printf("memory after them: %.0f MB (PSS, this program and its offices)\n", memory);
        std::printf("one PDF: %lld bytes\n",
                    QFileInfo(out.filePath(QStringLiteral("one.pdf"))).size());
    } catch (const Failure& failure) {
        std::fprintf(stderr, "bench_guests: %s\n", qPrintable(failure.description()));
        return 1;
    }
    return 0;
}
