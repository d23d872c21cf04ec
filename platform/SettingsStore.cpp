#include "platform/SettingsStore.h"

#include "platform/Failure.h"

#include <QSettings>

namespace velmora {

namespace {
const QString kSection = QStringLiteral("Velmora");
}

SettingsStore::SettingsStore()
    : mSettings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Quillory"), QStringLiteral("Velmora"))),
      mReadStatus(mSettings->status())
{
}

SettingsStore::SettingsStore(const QString& filePath)
    : mSettings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)),
      mReadStatus(mSettings->status())
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const
{
    return mSettings->fileName();
}

void SettingsStore::checkStatus(int status, const char* what) const
{
    switch (QSettings::Status(status)) {
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
    // Whether the file could be read is what its reading said. A write that
    // failed since (a read-only file) leaves QSettings's status at an access
    // error, but what the file held is still there to be read.
    checkStatus(mReadStatus, "read");
    const QString fullKey = kSection + QLatin1Char('/') + key;
    if (!mSettings->contains(fullKey))
        return std::nullopt;
    return mSettings->value(fullKey).toString();
}

void SettingsStore::setValue(const QString& key, const QString& value)
{
    // QSettings keeps the first error it met for good, so after a failed write
    // its status no longer tells whether this one worked. A fresh QSettings on
    // the same file starts clean; it shares the file's pending changes, so
    // the values that could not be written then go in with this one.
    if (mWriteFailed)
        reopen();
    mSettings->setValue(kSection + QLatin1Char('/') + key, value);
    mSettings->sync();
    // A format complaint about what the file held before does not stop the
    // write; only a file that could not be written is a failure here.
    mWriteFailed = mSettings->status() == QSettings::AccessError;
    if (mWriteFailed)
        checkStatus(QSettings::AccessError, "written");
}

void SettingsStore::reopen()
{
    // Made while the old one still holds the file, so that it takes over the
    // changes not yet written.
    auto fresh = std::make_unique<QSettings>(mSettings->fileName(), QSettings::IniFormat);
    mSettings = std::move(fresh);
}

} // namespace velmora
