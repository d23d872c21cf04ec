#pragma once

#include "platform/PrintSpooler.h"

#include <chrono>
#include <functional>
#include <memory>

namespace velmora {

// The user stopped waiting for the print service.
class PrintWaitCancelled : public Failure {
public:
    PrintWaitCancelled();
};

// The print spooler as the windows call it. Each call runs on a thread of its
// own while the caller waits in a local event loop: the windows repaint, and
// what the user types or clicks meanwhile waits in the queue. After a second
// a box says what is awaited; its Cancel ends the wait (PrintWaitCancelled),
// and so does the limit (PrintServiceSilent). A call given up on is told so
// and ends by itself; it holds what it uses, the spooler included.
class PrintService {
public:
    explicit PrintService(std::shared_ptr<PrintSpooler> spooler);

    QList<Printer> printers();
    int submit(const PrintSettings& settings, const QString& title, const QByteArray& pdf);

    // A little longer than the CUPS spooler's own limits (4 s for the
    // printers; 5 s to connect and 20 s for the answers to a job), which end
    // a call by themselves.
    static constexpr std::chrono::milliseconds kListLimit{6000};
    static constexpr std::chrono::milliseconds kSubmitLimit{26000};
    // How long the wait goes unannounced.
    static constexpr std::chrono::milliseconds kQuietWait{1000};

private:
    void await(std::function<void(PrintSpooler&, PrintCancel&)> call,
               std::chrono::milliseconds limit);

    std::shared_ptr<PrintSpooler> mSpooler;
};

} // namespace velmora
