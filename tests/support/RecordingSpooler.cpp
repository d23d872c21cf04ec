#include "tests/support/RecordingSpooler.h"

#include "platform/Failure.h"

namespace velmora::testing {

int RecordingSpooler::submit(const PrintSettings& settings, const QString& title,
                             const QByteArray& pdf)
{
    if (!refusal.isEmpty())
        throw Failure(refusal);
    jobs.append({settings, title, pdf});
    return int(jobs.size());
}

} // namespace velmora::testing
