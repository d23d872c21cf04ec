#pragma once

// The one entry point of the office module. Plain C so that the loader can
// resolve it by name; the engine it returns is owned by the caller.

namespace velmora::office {
class Engine;
}

extern "C" {

struct VelmoraOfficeOptions {
    // LibreOffice's installation folder (holding program/soffice.bin), UTF-8.
    const char* libreOfficeDir;
    // How many fresh instances to keep started ahead of demand (0 = start on demand).
    int preparedInstances;
    // Longest time one call into the office may take before the office is ended.
    int callTimeoutMs;
    // Longest time an office may take to start and accept its connection.
    int startTimeoutMs;
};

using VelmoraCreateOfficeEngine = velmora::office::Engine* (*)(const VelmoraOfficeOptions*);
}

#define VELMORA_OFFICE_ENTRY_NAME "velmoraCreateOfficeEngine"
