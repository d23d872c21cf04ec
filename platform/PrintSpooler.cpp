#include "platform/PrintSpooler.h"

#include "platform/Files.h"
#include "platform/PrintModuleEntry.h"

#include <QLibrary>
#include <mutex>

namespace velmora {

namespace {

// Loads the print module at its first call, on whichever thread makes it.
// The library is never unloaded: a call given up on may still be running in it.
class ModuleSpooler final : public PrintSpooler {
public:
    explicit ModuleSpooler(QString path) : mPath(std::move(path)) {}

    QList<Printer> printers(PrintCancel& cancel) override { return loaded().printers(cancel); }

    int submit(const PrintSettings& settings, const QString& title, const QByteArray& pdf,
               PrintCancel& cancel) override
    {
        return loaded().submit(settings, title, pdf, cancel);
    }

private:
    PrintSpooler& loaded()
    {
        const std::lock_guard lock(mLoading);
        if (!mSpooler) {
            QLibrary module(mPath);
            const auto create = reinterpret_cast<VelmoraCreatePrintSpooler>(
                module.resolve(VELMORA_PRINT_ENTRY_NAME));
            if (!create)
                throw Failure(QStringLiteral("The print module could not be loaded: %1")
                                  .arg(module.errorString()));
            mSpooler.reset(create());
        }
        return *mSpooler;
    }

    const QString mPath;
    std::mutex mLoading;
    std::unique_ptr<PrintSpooler> mSpooler;
};

} // namespace

std::shared_ptr<PrintSpooler> makeCupsSpooler()
{
    const QString configured = qEnvironmentVariable("VELMORA_PRINT_MODULE");
    return std::make_shared<ModuleSpooler>(
        configured.isEmpty() ? besideProgram(QStringLiteral("velmora_print.so")) : configured);
}

} // namespace velmora
