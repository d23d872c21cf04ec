#pragma once

#include <QImage>
#include <QString>
#include <functional>

namespace velmora {

class Dialogs;
namespace office {
class Engine;
}

// Writes a page picture as a BMP file, natural size included; throws Failure.
void writePagePicture(const QImage& picture, const QString& path);

// SaveDocAsJPG: pictures page 1 of the document with an office instance of its
// own and writes it to picturePath (with writePagePicture). Every
// step is guarded; failures are reported and never reach the caller.
void saveDocAsJpg(office::Engine& engine, Dialogs& dialogs, const QString& documentPath,
                  const QString& picturePath);
// The same, with the picture's path formed at the step that writes it, so
// that a failure to form it (no temporary folder) is reported there.
void saveDocAsJpg(office::Engine& engine, Dialogs& dialogs, const QString& documentPath,
                  const std::function<QString()>& picturePath);

} // namespace velmora
