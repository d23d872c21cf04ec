#pragma once

// The one entry point of the print module. Plain C so that the loader can
// resolve it by name; the spooler it returns is owned by the caller.

namespace velmora {
class PrintSpooler;
}

extern "C" {
using VelmoraCreatePrintSpooler = velmora::PrintSpooler* (*)();
}

#define VELMORA_PRINT_ENTRY_NAME "velmoraCreatePrintSpooler"
