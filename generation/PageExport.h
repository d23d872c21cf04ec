#pragma once

#include "generation/Office.h"

#include <QImage>
#include <QString>
#include <functional>

namespace velmora {

class Dialogs;

// A picture of the document's first page, its natural size (the page fitted
// to the view box at zoom 1.0) recorded in its dots-per-metre; throws Failure.
QImage fittedPagePicture(const office::Ref<office::Document>& document);

// Writes a page picture as a BMP file, natural size included, as a working
// file of the program's (see owned::writeWorkingFile: never through a link,
// and under a private name beside a name that another file has taken, which
// is then reported). `written` receives the path written; throws Failure.
void writePagePicture(const QImage& picture, const QString& path, QString* written = nullptr);

// SaveDocAsJPG: pictures page 1 of the document with an office instance of its
// own and writes it (with writePagePicture) to the path that picturePath
// gives. The path is formed at the step that writes the picture, so that a
// failure to form it (no temporary folder) is reported there. Every step is
// guarded; failures are reported and never reach the caller. Returns the path
// the picture was written to, empty when none was.
QString saveDocAsJpg(office::Engine& engine, Dialogs& dialogs, const QString& documentPath,
                     const std::function<QString()>& picturePath);

} // namespace velmora
