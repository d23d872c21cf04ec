#pragma once

#include "platform/PrintSpooler.h"

#include <QList>

namespace velmora::testing {

// A print service for tests: the printers a test lists, every job kept, a
// refusal on demand, and silence: a call that does not return until its
// caller gives up.
class RecordingSpooler final : public PrintSpooler {
public:
    struct Job {
        PrintSettings settings;
        QString title;
        QByteArray pdf;
    };

    QList<Printer> installed{
        {QStringLiteral("Office_Printer"), QStringLiteral("Office Printer"), true, {}, {}}};
    // When set, every job is refused with this message.
    QString refusal;
    std::atomic<bool> silent = false;
    QList<Job> jobs;

    QList<Printer> printers(PrintCancel& cancel) override;
    int submit(const PrintSettings& settings, const QString& title, const QByteArray& pdf,
               PrintCancel& cancel) override;
};

} // namespace velmora::testing
