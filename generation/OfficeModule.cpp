#include "generation/OfficeModule.h"

#include "generation/libreoffice/ModuleEntry.h"
#include "platform/Files.h"

#include <QLibrary>

namespace velmora {

namespace {

QString fromEnvironment(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

// Loads the office module on first use. The library is never unloaded: the
// UNO runtime it pulls in does not survive being unloaded.
class ModuleEngine final : public office::Engine {
public:
    explicit ModuleEngine(LibreOfficeSettings settings) : mSettings(std::move(settings)) {}

    office::Ref<office::Application> createApplication() override
    {
        if (!mEngine)
            load();
        return mEngine->createApplication();
    }

private:
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
                                           mSettings.callTimeoutMs};
        mEngine.reset(create(&options));
        if (!mEngine)
            throw Failure(QStringLiteral("The LibreOffice module did not start"));
    }

    LibreOfficeSettings mSettings;
    std::unique_ptr<office::Engine> mEngine;
};

} // namespace

std::unique_ptr<office::Engine> makeLibreOfficeEngine()
{
    return makeLibreOfficeEngine(LibreOfficeSettings{});
}

std::unique_ptr<office::Engine> makeLibreOfficeEngine(const LibreOfficeSettings& settings)
{
    LibreOfficeSettings resolved = settings;
    if (resolved.modulePath.isEmpty())
        resolved.modulePath = fromEnvironment("VELMORA_OFFICE_MODULE",
                                              besideProgram(QStringLiteral("velmora_libreoffice.so")));
    if (resolved.libreOfficeDir.isEmpty())
        resolved.libreOfficeDir =
            fromEnvironment("VELMORA_LIBREOFFICE_DIR", QStringLiteral("/usr/lib/libreoffice"));
    if (resolved.callTimeoutMs <= 0)
        resolved.callTimeoutMs = fromEnvironment("VELMORA_OFFICE_CALL_TIMEOUT_MS", {}).toInt();
    if (resolved.callTimeoutMs <= 0)
        resolved.callTimeoutMs = 30000;
    return std::make_unique<ModuleEngine>(std::move(resolved));
}

} // namespace velmora
