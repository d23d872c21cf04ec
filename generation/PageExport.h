#pragma once

#include <QString>

namespace velmora {

class Dialogs;
namespace office {
class Engine;
}

// SaveDocAsJPG: pictures page 1 of the document with an office instance of its
// own and writes it to picturePath (PNG data, whatever the name says). Every
// step is guarded; failures are reported and never reach the caller.
void saveDocAsJpg(office::Engine& engine, Dialogs& dialogs, const QString& documentPath,
                  const QString& picturePath);

} // namespace velmora
