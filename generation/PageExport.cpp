#include "generation/PageExport.h"

#include "errors/Guard.h"
#include "errors/Locations.h"
#include "generation/Office.h"
#include "generation/PageFit.h"

#include <QImage>
#include <QSaveFile>

namespace velmora {

QImage fittedPagePicture(const office::Ref<office::Document>& document)
{
    const QSizeF pageTwips = document->pageSize();
    QImage picture = document->pagePicture(pagePicturePixels(pageTwips));
    const int dotsPerMeter = naturalDotsPerMeter(picture.width(), pageTwips);
    picture.setDotsPerMeterX(dotsPerMeter);
    picture.setDotsPerMeterY(dotsPerMeter);
    return picture;
}

// Written through a temporary file, so that a failed write leaves an older
// picture as it was. BMP: the picture is read back at once and deleted, and
// an uncompressed one is the quickest to write and to read (Qt keeps its
// dots-per-metre, which carry the natural size).
void writePagePicture(const QImage& picture, const QString& path)
{
    if (picture.isNull())
        throw Failure(QStringLiteral("Invalid picture"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "BMP") || !file.commit())
        throw Failure(file.errorString());
}

void saveDocAsJpg(office::Engine& engine, Dialogs& dialogs, const QString& documentPath,
                  const std::function<QString()>& picturePath)
{
    Guard guard(dialogs, locations::Form1_SaveDocAsJPG);
    office::Ref<office::Application> word;
    office::Ref<office::Document> document;
    // The engine hands the page picture over directly; it stands where the
    // clipboard's picture stood, so there is nothing to fetch or retry.
    QImage picture;
    guard.step(116, [&] { word = engine.createApplication(); });
    guard.step(118, [&] { document = word->open(documentPath, false); });
    guard.step(120, [&] { picture = fittedPagePicture(document); });
    guard.step(122, [&] { writePagePicture(picture, picturePath()); });
    guard.step(124, [&] { word->closeActiveDocument(false); });
    guard.step(126, [&] { word->quit(); });
}

} // namespace velmora
