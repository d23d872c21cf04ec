#pragma once

#include "generation/Office.h"
#include "generation/libreoffice/Instance.h"

#include <QString>
#include <memory>

namespace velmora::office::lo {

class Preparer;
class Reaper;

// Hands out fresh private instances, each used by one owner only.
class LibreOfficeEngine final : public Engine {
public:
    LibreOfficeEngine(QString installDir, int preparedInstances, Limits limits);
    ~LibreOfficeEngine() override;

    Ref<Application> createApplication() override;
    void checkAvailable() override;

private:
    QString mInstallDir;
    Limits mLimits;
    std::shared_ptr<Watchdog> mWatchdog;
    std::shared_ptr<Reaper> mReaper;
    std::shared_ptr<Preparer> mPreparer;
};

} // namespace velmora::office::lo
