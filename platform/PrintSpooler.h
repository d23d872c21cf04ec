#pragma once

#include "platform/Failure.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <memory>

namespace velmora {

// A paper a printer takes: its name as the print service knows it
// ("iso_a4_210x297mm"), and what the print dialog shows ("A4").
struct Paper {
    QString name;
    QString label;
};

// A queue that can take a job, as the print dialog offers it.
struct Printer {
    QString queue;
    // The printer's description, or its queue's name when it has none.
    QString label;
    bool isDefault = false;
    // Empty when the printer lists none.
    QList<Paper> papers;
    QString defaultPaper;
};

// What the print dialog chose: the queue, and how the job is printed there.
struct PrintSettings {
    QString queue;
    int copies = 1;
    // The paper as the queue names it ("iso_a4_210x297mm", "A4"); empty: the
    // queue's own.
    QString paper;
};

// Raised by a caller that no longer waits for the print service; a call that
// sees it ends as soon as it can. A plain int, since CUPS reads it itself
// while it connects.
class PrintCancel {
public:
    void raise() { std::atomic_ref<int>(mFlag).store(1); }
    bool raised() const { return std::atomic_ref<int>(mFlag).load() != 0; }
    int* flag() { return &mFlag; }

private:
    alignas(std::atomic_ref<int>::required_alignment) mutable int mFlag = 0;
};

// No print service answered within its limits (none running, or one that
// does not answer), or the call was cancelled.
class PrintServiceSilent : public Failure {
public:
    using Failure::Failure;
};

// The print service: the queues there are and jobs handed to them. Its calls
// may run on any thread, several at once.
class PrintSpooler {
public:
    virtual ~PrintSpooler() = default;
    // The queues that can take a job, with their papers; empty when no
    // printer is installed.
    virtual QList<Printer> printers(PrintCancel& cancel) = 0;
    // Hands a PDF document to the queue, its pages fitted to the printable
    // area of the paper. Returns the job's number; throws Failure with the
    // service's message when the job is refused.
    virtual int submit(const PrintSettings& settings, const QString& title, const QByteArray& pdf,
                       PrintCancel& cancel) = 0;
};

// CUPS, wherever its client library finds it (CUPS_SERVER, client.conf, the
// local scheduler). The library is loaded with the print module
// (velmora_print.so beside the program, or VELMORA_PRINT_MODULE) at the first
// call, so that a program that never prints never maps it; a module that
// cannot be loaded fails each call with Failure.
std::shared_ptr<PrintSpooler> makeCupsSpooler();

} // namespace velmora
