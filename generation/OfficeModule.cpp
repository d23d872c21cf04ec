#include "generation/OfficeModule.h"

#include "platform/Termination.h"

#include "generation/ModuleEntry.h"
#include "platform/Files.h"

#include <QLibrary>
#include <future>
#include <mutex>

namespace velmora {

namespace {

QString fromEnvironment(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

// Loads the office module and checks that the office starts on a thread of
// its own as soon as it is made, so that the answer is ready by the time the
// program asks for it, while its window is being built. The library is never
// unloaded: the UNO runtime it pulls in does not survive being unloaded.
class ModuleEngine final : public office::Engine {
public:
    explicit ModuleEngine(LibreOfficeSettings settings)
        : mSettings(std::move(settings)), mEarlyCheck(std::async(std::launch::async, [this] {
              load();
              mEngine->checkAvailable();
          }))
    {
    }

    // Offices are created from several threads at once (the gallery, the
    // guests): the first creation settles the early check and the loading.
    office::Ref<office::Application> createApplication() override
    {
        {
            const std::lock_guard lock(mLoading);
            settleEarlyCheck();
            if (!mEngine)
                load();
        }
        return mEngine->createApplication();
    }

    void checkAvailable() override
    {
        const std::lock_guard lock(mLoading);
        if (mEarlyCheck.valid()) {
            mEarlyCheck.get(); // the answer begun at construction, failure and all
            return;
        }
        if (!mEngine)
            load();
        mEngine->checkAvailable();
    }

private:
    // The early check's answer is for checkAvailable(); creation only needs
    // it finished, whatever it found.
    void settleEarlyCheck()
    {
        if (!mEarlyCheck.valid())
            return;
        try {
            mEarlyCheck.get();
        } catch (...) {
        }
    }

    void load()
    {
        QLibrary module(mSettings.modulePath);
        const auto create =
            reinterpret_cast<VelmoraCreateOfficeEngine>(module.resolve(VELMORA_OFFICE_ENTRY_NAME));
        if (!create)
            throw Failure(QStringLiteral("The LibreOffice module could not be loaded: %1")
                              .arg(module.errorString()));
        const QByteArray dir = mSettings.libreOfficeDir.toUtf8();
        const VelmoraOfficeOptions options{dir.constData(), mSettings.preparedInstances,
                                           mSettings.callTimeoutMs, mSettings.startTimeoutMs};
        mEngine.reset(create(&options));
        if (!mEngine)
            throw Failure(QStringLiteral("The LibreOffice module did not start"));
    }

    LibreOfficeSettings mSettings;
    std::unique_ptr<office::Engine> mEngine;
    // Last, so that it is waited for before anything it uses goes.
    std::mutex mLoading;
    std::future<void> mEarlyCheck;
};

} // namespace

std::unique_ptr<office::Engine> makeLibreOfficeEngine()
{
    return makeLibreOfficeEngine(LibreOfficeSettings{});
}

std::unique_ptr<office::Engine> makeLibreOfficeEngine(const LibreOfficeSettings& settings)
{
    // The engine writes to the pipes of offices that may end at any moment
    // (killed by the watchdog, given up): whoever uses it must not be ended
    // by the kernel's SIGPIPE for such a write.
    ignoreBrokenPipes();
    LibreOfficeSettings resolved = settings;
    if (resolved.modulePath.isEmpty())
        resolved.modulePath = fromEnvironment(
            "VELMORA_OFFICE_MODULE", besideProgram(QStringLiteral("velmora_libreoffice.so")));
    if (resolved.libreOfficeDir.isEmpty())
        resolved.libreOfficeDir =
            fromEnvironment("VELMORA_LIBREOFFICE_DIR", QStringLiteral("/usr/lib/libreoffice"));
    if (resolved.callTimeoutMs <= 0)
        resolved.callTimeoutMs = fromEnvironment("VELMORA_OFFICE_CALL_TIMEOUT_MS", {}).toInt();
    if (resolved.callTimeoutMs <= 0)
        resolved.callTimeoutMs = 30000;
    if (resolved.startTimeoutMs <= 0)
        resolved.startTimeoutMs = fromEnvironment("VELMORA_OFFICE_START_TIMEOUT_MS", {}).toInt();
    if (resolved.startTimeoutMs <= 0)
        resolved.startTimeoutMs = 120000;
    return std::make_unique<ModuleEngine>(std::move(resolved));
}

} // namespace velmora
