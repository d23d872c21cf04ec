#pragma once

#include <QString>
#include <memory>
#include <optional>

class QSettings;

namespace velmora {

// The per-user Settings store: string values in application "Quillory",
// section "Velmora". Every write reaches the disk before it returns, written
// whole to a temporary file and renamed over the old one, so a crash never
// leaves a half-written store.
class SettingsStore {
public:
    // The real user's store.
    SettingsStore();
    // A store in the given file (tests, never the user's own).
    explicit SettingsStore(const QString& filePath);
    ~SettingsStore();

    // The stored value, or nothing when the key is absent.
    // Throws Failure when the store cannot be read.
    std::optional<QString> value(const QString& key) const;
    // Throws Failure when the store cannot be written.
    void setValue(const QString& key, const QString& value);

    QString fileName() const;

private:
    void checkStatus(int status, const char* what) const;
    void reopen();
    std::unique_ptr<QSettings> mSettings;
    // QSettings::Status after the file was first read.
    int mReadStatus;
    bool mWriteFailed = false;
};

} // namespace velmora
