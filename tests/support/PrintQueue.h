#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <chrono>

namespace velmora::testing {

// A print service of the test's own: a private cupsd (its own folders and
// socket, nothing of the machine's CUPS touched), with one CUPS-PDF queue
// that writes what it prints into a folder of its own. CUPS_SERVER points at
// it while it lives, so every CUPS client in the process prints there.
// The CUPS-PDF backend runs only as root; elsewhere ready() is false and
// whyNot() says why.
class PrintQueue {
public:
    PrintQueue();
    ~PrintQueue();
    PrintQueue(const PrintQueue&) = delete;
    PrintQueue& operator=(const PrintQueue&) = delete;

    bool ready() const { return mWhyNot.isEmpty(); }
    const QString& whyNot() const { return mWhyNot; }
    const QString& name() const { return mName; }
    // CUPS_SERVER's value for another process.
    QString server() const;

    // An attribute of a job as the scheduler keeps it ("copies", "media").
    QString jobAttribute(int job, const char* name) const;

    // Waits until the job has been printed; the PDF that CUPS-PDF wrote, or an
    // empty path when it did not within the limit.
    QString awaitPrinted(int job, std::chrono::milliseconds limit) const;

private:
    bool start();

    QTemporaryDir mFolder;
    QString mName;
    QString mBackendConfig;
    QProcess mDaemon;
    QString mWhyNot;
    QByteArray mFormerServer;
    bool mHadServer = false;
};

} // namespace velmora::testing
