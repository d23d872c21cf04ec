#include "platform/PrintSpooler.h"

#include "platform/Failure.h"

#include <cups/cups.h>
#include <memory>

namespace velmora {

namespace {

// A print service that stops answering must not hold the window for long.
constexpr int kConnectTimeoutMs = 5000;
constexpr double kAnswerTimeoutS = 20.0;

Failure refused(const char* what)
{
    return Failure(QString::fromUtf8(what) + QStringLiteral(": ")
                   + QString::fromUtf8(cupsLastErrorString()));
}

struct Options {
    int count = 0;
    cups_option_t* list = nullptr;
    ~Options() { cupsFreeOptions(count, list); }
    void add(const char* name, const QByteArray& value)
    {
        count = cupsAddOption(name, value.constData(), count, &list);
    }
};

} // namespace

QStringList CupsSpooler::queues()
{
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        // An instance is a set of saved options on a queue, not a printer.
        if (!dests[i].instance)
            names << QString::fromUtf8(dests[i].name);
    }
    cupsFreeDests(count, dests);
    return names;
}

int CupsSpooler::submit(const PrintSettings& settings, const QString& title, const QByteArray& pdf)
{
    const std::unique_ptr<http_t, void (*)(http_t*)> http(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                     kConnectTimeoutMs, nullptr),
        httpClose);
    if (!http)
        throw refused("The print service does not answer");
    // Without a callback, an answer that does not come in time fails the call.
    httpSetTimeout(http.get(), kAnswerTimeoutS, nullptr, nullptr);

    Options options;
    options.add("copies", QByteArray::number(std::max(1, settings.copies)));
    if (!settings.paper.isEmpty())
        options.add("media", settings.paper.toUtf8());
    // Fitted whole to what the printer can reach, centred, proportions kept:
    // the legacy option for older filters, the IPP one for the rest.
    options.add("fit-to-page", "true");
    options.add("print-scaling", "fit");

    const QByteArray queue = settings.queue.toUtf8();
    const int job = cupsCreateJob(http.get(), queue.constData(), title.toUtf8().constData(),
                                  options.count, options.list);
    if (job == 0)
        throw refused("The printer refused the job");
    const bool sent =
        cupsStartDocument(http.get(), queue.constData(), job, "invitation.pdf", CUPS_FORMAT_PDF, 1)
            == HTTP_STATUS_CONTINUE
        && cupsWriteRequestData(http.get(), pdf.constData(), size_t(pdf.size()))
               == HTTP_STATUS_CONTINUE
        && cupsFinishDocument(http.get(), queue.constData()) == IPP_STATUS_OK;
    if (!sent) {
        const Failure failure = refused("The printer did not take the page");
        cupsCancelJob2(http.get(), queue.constData(), job, 0);
        throw failure;
    }
    return job;
}

} // namespace velmora
