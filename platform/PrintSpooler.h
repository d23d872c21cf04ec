#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velmora {

// What the print dialog chose: the queue, and how the job is printed there.
struct PrintSettings {
    QString queue;
    int copies = 1;
    // The paper as the queue names it ("A4", "Letter"); empty: the queue's own.
    QString paper;
};

// The print service: the queues there are and jobs handed to them.
class PrintSpooler {
public:
    virtual ~PrintSpooler() = default;
    // The queues that can take a job; empty when no printer is installed or
    // no print service answers.
    virtual QStringList queues() = 0;
    // Hands a PDF document to the queue, its pages fitted to the printable
    // area of the paper. Returns the job's number; throws Failure with the
    // service's message when the job is refused.
    virtual int submit(const PrintSettings& settings, const QString& title,
                       const QByteArray& pdf) = 0;
};

// CUPS, wherever its client library finds it (CUPS_SERVER, client.conf, the
// local scheduler).
class CupsSpooler final : public PrintSpooler {
public:
    QStringList queues() override;
    int submit(const PrintSettings& settings, const QString& title, const QByteArray& pdf) override;
};

} // namespace velmora
