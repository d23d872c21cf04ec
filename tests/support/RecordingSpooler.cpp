#include "tests/support/RecordingSpooler.h"

#include "platform/Failure.h"

#include <thread>

namespace velmora::testing {

namespace {

// Reads nothing of the spooler, which may be gone by the time the caller gives up.
[[noreturn]] void keepSilent(const PrintCancel& cancel)
{
    while (!cancel.raised())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    throw PrintServiceSilent(QStringLiteral("The print service does not answer"));
}

} // namespace

QList<Printer> RecordingSpooler::printers(PrintCancel& cancel)
{
    if (silent)
        keepSilent(cancel);
    return installed;
}

int RecordingSpooler::submit(const PrintSettings& settings, const QString& title,
                             const QByteArray& pdf, PrintCancel& cancel)
{
    if (silent)
        keepSilent(cancel);
    if (!refusal.isEmpty())
        throw Failure(refusal);
    jobs.append({settings, title, pdf});
    return int(jobs.size());
}

} // namespace velmora::testing
