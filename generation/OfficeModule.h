#pragma once

#include "generation/Office.h"

#include <QString>
#include <memory>

namespace velmora {

struct LibreOfficeSettings {
    // The office module; empty = velmora_libreoffice.so in the program folder,
    // or VELMORA_OFFICE_MODULE when set.
    QString modulePath;
    // LibreOffice's installation; empty = VELMORA_LIBREOFFICE_DIR when set,
    // otherwise /usr/lib/libreoffice.
    QString libreOfficeDir;
    // Fresh instances kept started ahead of demand.
    int preparedInstances = 2;
    // The longest a single call into the office may take before the office is
    // ended and the call fails; 0 = VELMORA_OFFICE_CALL_TIMEOUT_MS or 30 s.
    int callTimeoutMs = 0;
    // The longest an office may take to start and accept its connection: a
    // slow start is not a hang. 0 = VELMORA_OFFICE_START_TIMEOUT_MS or 120 s.
    int startTimeoutMs = 0;
};

// The engine that drives LibreOffice. It begins loading its module and
// checking that the office starts at once, in the background; when the module
// or LibreOffice is missing, checkAvailable() and every createApplication()
// throw Failure.
std::unique_ptr<office::Engine> makeLibreOfficeEngine();
std::unique_ptr<office::Engine> makeLibreOfficeEngine(const LibreOfficeSettings& settings);

} // namespace velmora
