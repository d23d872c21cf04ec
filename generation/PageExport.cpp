#include "generation/PageExport.h"

#include "errors/Guard.h"
#include "errors/Locations.h"
#include "generation/Office.h"
#include "generation/PageFit.h"
#include "platform/BitmapFile.h"
#include "platform/OwnedDocuments.h"

#include <QImage>

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

// BMP: the picture is read back at once and deleted, and an uncompressed one
// is the quickest to write and to read (it keeps the dots-per-metre, which
// carry the natural size). A failed write leaves an older picture as it was.
void writePagePicture(const QImage& picture, const QString& path, QString* written)
{
    if (picture.isNull())
        throw Failure(QStringLiteral("Invalid picture"));
    const QByteArray bytes = bitmap::bitmapBytes(picture);
    QString unused;
    owned::writeWorkingFile(path, bytes, false, written ? *written : unused);
}

QString saveDocAsJpg(office::Engine& engine, Dialogs& dialogs, const QString& documentPath,
                     const std::function<QString()>& picturePath)
{
    Guard guard(dialogs, locations::Form1_SaveDocAsJPG);
    office::Ref<office::Application> word;
    office::Ref<office::Document> document;
    // The engine hands the page picture over directly; it stands where the
    // clipboard's picture stood, so there is nothing to fetch or retry.
    QImage picture;
    QString written;
    guard.step(116, [&] { word = engine.createApplication(); });
    guard.step(118, [&] { document = word->open(documentPath, false); });
    guard.step(120, [&] { picture = fittedPagePicture(document); });
    guard.step(122, [&] { writePagePicture(picture, picturePath(), &written); });
    guard.step(124, [&] { word->closeActiveDocument(false); });
    guard.step(126, [&] { word->quit(); });
    return written;
}

} // namespace velmora
