// The print service through the CUPS library: the print module, loaded at
// run time (see makeCupsSpooler), so that the program itself never maps
// libcups and what it brings (GnuTLS, Kerberos, Avahi).
//
// Every call makes a connection of its own to the scheduler, with a limit to
// connect and a deadline for the answers that the library checks on while it
// waits (httpSetTimeout's callback); the same callback ends the call once the
// caller has given up. The connection is handed to every call, never
// CUPS_HTTP_DEFAULT: the library's own connection waits without a limit.
#include "platform/PrintModuleEntry.h"
#include "platform/PrintSpooler.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cups/cups.h>

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kConnectLimit(5000);
// The printers and their papers, from the first try to connect. The library
// may take a second more to notice: it retries once on a fresh connection and
// waits up to a second for a "100 Continue" there.
constexpr std::chrono::milliseconds kListLimit(4000);
// Answers to a job, from the connection on.
constexpr std::chrono::milliseconds kJobAnswerLimit(20000);
// How often the library asks, while it waits, whether to go on waiting.
constexpr double kCheckSeconds = 0.25;

const QString kSilent = QStringLiteral("The print service does not answer");

QString lastError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

bool failed(ipp_status_t status)
{
    return status > IPP_STATUS_OK_EVENTS_COMPLETE;
}

class Connection {
public:
    Connection(PrintCancel& cancel, Clock::time_point deadline)
        : mCancel(cancel), mDeadline(deadline)
    {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const int connectMs =
            int(std::clamp<std::chrono::milliseconds::rep>(left.count(), 1, kConnectLimit.count()));
        mHttp = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                             connectMs, cancel.flag());
        if (!mHttp)
            throw PrintServiceSilent(kSilent + QStringLiteral(": ") + lastError());
        httpSetTimeout(mHttp, kCheckSeconds, &Connection::goOn, this);
    }
    ~Connection() { httpClose(mHttp); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    http_t* http() const { return mHttp; }
    void answerWithin(std::chrono::milliseconds limit) { mDeadline = Clock::now() + limit; }

    // After a call that failed: whether the service did not answer (or the
    // caller gave up), rather than say no.
    bool silent() const { return mGaveUp || httpGetStatus(mHttp) == HTTP_STATUS_ERROR; }
    [[noreturn]] void fail(const QString& what) const
    {
        if (silent())
            throw PrintServiceSilent(kSilent);
        throw Failure(what + QStringLiteral(": ") + lastError());
    }

private:
    static int goOn(http_t*, void* self)
    {
        auto& connection = *static_cast<Connection*>(self);
        connection.mGaveUp = connection.mCancel.raised() || Clock::now() >= connection.mDeadline;
        return connection.mGaveUp ? 0 : 1;
    }

    PrintCancel& mCancel;
    Clock::time_point mDeadline;
    http_t* mHttp = nullptr;
    bool mGaveUp = false;
};

// The destinations the scheduler lists (lpoptions' defaults applied); none
// when it answers that it has none.
class Destinations {
public:
    explicit Destinations(const Connection& server)
    {
        mCount = cupsGetDests2(server.http(), &mList);
        if (mCount == 0 && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND && failed(cupsLastError()))
            server.fail(QStringLiteral("The printers cannot be listed"));
    }
    ~Destinations() { cupsFreeDests(mCount, mList); }
    Destinations(const Destinations&) = delete;
    Destinations& operator=(const Destinations&) = delete;

    cups_dest_t* begin() const { return mList; }
    cups_dest_t* end() const { return mList + mCount; }

private:
    int mCount = 0;
    cups_dest_t* mList = nullptr;
};

struct DestinationInfo {
    cups_dinfo_t* info = nullptr;
    ~DestinationInfo() { cupsFreeDestInfo(info); }
};

struct Options {
    int count = 0;
    cups_option_t* list = nullptr;
    ~Options() { cupsFreeOptions(count, list); }
    void add(const char* name, const QByteArray& value)
    {
        count = cupsAddOption(name, value.constData(), count, &list);
    }
};

QString paperLabel(const char* name)
{
    if (const pwg_media_t* media = pwgMediaForPWG(name)) {
        if (media->ppd && *media->ppd)
            return QString::fromUtf8(media->ppd);
    }
    return QString::fromUtf8(name);
}

void addPapers(const Connection& server, cups_dest_t& dest, Printer& printer)
{
    DestinationInfo details{cupsCopyDestInfo(server.http(), &dest)};
    if (!details.info) {
        server.fail(QStringLiteral("The printer ") + printer.queue
                    + QStringLiteral(" does not describe itself"));
    }
    ipp_attribute_t* supported = cupsFindDestSupported(server.http(), &dest, details.info, "media");
    for (int i = 0; i < ippGetCount(supported); ++i) {
        const char* name = ippGetString(supported, i, nullptr);
        // The limits of a custom size, not a paper.
        if (name && strncmp(name, "custom_", 7) != 0)
            printer.papers << Paper{QString::fromUtf8(name), paperLabel(name)};
    }
    if (ipp_attribute_t* fallback =
            cupsFindDestDefault(server.http(), &dest, details.info, "media"))
        printer.defaultPaper = QString::fromUtf8(ippGetString(fallback, 0, nullptr));
}

class CupsSpooler final : public PrintSpooler {
public:
    QList<Printer> printers(PrintCancel& cancel) override
    {
        Connection server(cancel, Clock::now() + kListLimit);
        const Destinations dests(server);
        QList<Printer> printers;
        QString defaultQueue;
        for (cups_dest_t& dest : dests) {
            // An instance is a set of saved options on a queue, not a printer.
            if (dest.instance) {
                if (dest.is_default)
                    defaultQueue = QString::fromUtf8(dest.name);
                continue;
            }
            Printer printer;
            printer.queue = QString::fromUtf8(dest.name);
            const char* info = cupsGetOption("printer-info", dest.num_options, dest.options);
            printer.label = info && *info ? QString::fromUtf8(info) : printer.queue;
            printer.isDefault = dest.is_default;
            addPapers(server, dest, printer);
            printers << printer;
        }
        for (Printer& printer : printers)
            printer.isDefault = printer.isDefault || printer.queue == defaultQueue;
        return printers;
    }

    int submit(const PrintSettings& settings, const QString& title, const QByteArray& pdf,
               PrintCancel& cancel) override
    {
        Connection server(cancel, Clock::now() + kConnectLimit);
        server.answerWithin(kJobAnswerLimit);
        const Destinations dests(server);
        const QByteArray queue = settings.queue.toUtf8();
        cups_dest_t* dest = nullptr;
        for (cups_dest_t& each : dests)
            dest = !dest && !each.instance && queue == each.name ? &each : dest;
        if (!dest)
            throw Failure(QStringLiteral("The printer or class does not exist: ") + settings.queue);
        const DestinationInfo details{cupsCopyDestInfo(server.http(), dest)};
        if (!details.info)
            server.fail(QStringLiteral("The printer refused the job"));

        Options options;
        options.add("copies", QByteArray::number(std::max(1, settings.copies)));
        if (!settings.paper.isEmpty())
            options.add("media", settings.paper.toUtf8());
        // Fitted whole to what the printer can reach, centred, proportions
        // kept: the legacy option for older filters, the IPP one for the rest.
        options.add("fit-to-page", "true");
        options.add("print-scaling", "fit");

        int job = 0;
        if (failed(cupsCreateDestJob(server.http(), dest, details.info, &job,
                                     title.toUtf8().constData(), options.count, options.list))
            || job == 0)
            server.fail(QStringLiteral("The printer refused the job"));
        const bool sent =
            cupsStartDestDocument(server.http(), dest, details.info, job, "invitation.pdf",
                                  CUPS_FORMAT_PDF, 0, nullptr, 1)
                == HTTP_STATUS_CONTINUE
            && cupsWriteRequestData(server.http(), pdf.constData(), size_t(pdf.size()))
                   == HTTP_STATUS_CONTINUE
            && !failed(cupsFinishDestDocument(server.http(), dest, details.info));
        // A job whose connection ends before its document is dropped by the
        // scheduler; one it refused is cancelled here.
        if (!sent && server.silent())
            throw PrintServiceSilent(kSilent);
        if (!sent) {
            const Failure failure(QStringLiteral("The printer did not take the page: ")
                                  + lastError());
            cupsCancelDestJob(server.http(), dest, job);
            throw failure;
        }
        return job;
    }
};

} // namespace

} // namespace velmora

extern "C" __attribute__((visibility("default"))) velmora::PrintSpooler* velmoraCreatePrintSpooler()
{
    return new velmora::CupsSpooler;
}
