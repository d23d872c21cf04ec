#include "platform/SettingsStore.h"

#include "errors/Failure.h"

#include <QSettings>

namespace velmora {

namespace {
const QString kSection = QStringLiteral("Velmora");
}

SettingsStore::SettingsStore()
    : mSettings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Quillory"), QStringLiteral("Velmora")))
{
}

SettingsStore::SettingsStore(const QString& filePath)
    : mSettings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const
{
    return mSettings->fileName();
}

void SettingsStore::checkStatus(const char* what) const
{
    switch (mSettings->status()) {
    case QSettings::NoError:
        return;
    case QSettings::AccessError:
        throw Failure(QStringLiteral("Permission denied: the settings file %1 cannot be %2")
                          .arg(fileName(), QLatin1String(what)));
    case QSettings::FormatError:
        throw Failure(QStringLiteral("The settings file %1 is damaged and cannot be %2")
                          .arg(fileName(), QLatin1String(what)));
    }
}

std::optional<QString> SettingsStore::value(const QString& key) const
{
    checkStatus("read");
    const QString fullKey = kSection + QLatin1Char('/') + key;
    if (!mSettings->contains(fullKey))
        return std::nullopt;
    return mSettings->value(fullKey).toString();
}

void SettingsStore::setValue(const QString& key, const QString& value)
{
    mSettings->setValue(kSection + QLatin1Char('/') + key, value);
    mSettings->sync();
    // A format complaint about what the file held before does not stop the
    // write; only a file that could not be written is a failure here.
    if (mSettings->status() == QSettings::AccessError)
        checkStatus("written");
}

} // namespace velmora
