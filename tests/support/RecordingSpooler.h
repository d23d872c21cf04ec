#pragma once

#include "platform/PrintSpooler.h"

#include <QList>

namespace velmora::testing {

// A print service for tests: the queues a test lists, every job kept, and a
// refusal on demand.
class RecordingSpooler final : public PrintSpooler {
public:
    struct Job {
        PrintSettings settings;
        QString title;
        QByteArray pdf;
    };

    QStringList installed{QStringLiteral("Office_Printer")};
    // When set, every job is refused with this message.
    QString refusal;
    QList<Job> jobs;

    QStringList queues() override { return installed; }
    int submit(const PrintSettings& settings, const QString& title, const QByteArray& pdf) override;
};

} // namespace velmora::testing
