#include "generation/PrintAndExport.h"

#include "generation/CalendarEvent.h"
#include "generation/PngEncoding.h"
#include "platform/Files.h"
#include "platform/PrintService.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFileInfo>
#include <QImageWriter>
#include <cmath>

namespace velmora {

namespace {

// JPEG at this quality keeps the lettering clean; lower shows rings around it.
constexpr int kJpegQuality = 90;

OpenDocument openDocument(office::Engine& engine, const QString& documentPath)
{
    OpenDocument opened{engine.createApplication(), {}};
    try {
        opened.document = opened.word->open(documentPath, true);
    } catch (const Failure&) {
        office::quitQuietly(*opened.word.get());
        throw;
    }
    return opened;
}

// Runs make on the document opened ahead, or else on the document opened in
// an instance of its own; the instance is ended whatever happens.
template <class Make>
auto withDocument(office::Engine& engine, const QString& documentPath, OpeningAhead* ahead,
                  Make make)
{
    std::optional<OpenDocument> ready = ahead ? ahead->take() : std::nullopt;
    const OpenDocument opened = ready ? std::move(*ready) : openDocument(engine, documentPath);
    try {
        auto result = make(opened.document);
        opened.word->closeActiveDocument(false);
        opened.word->quit();
        return result;
    } catch (const Failure&) {
        office::quitQuietly(*opened.word.get());
        throw;
    }
}

QByteArray encoded(const QImage& picture, ExportFormat format)
{
    if (format == ExportFormat::Png) {
        QByteArray png = encodePng(picture);
        if (png.isEmpty())
            throw Failure(QStringLiteral("The picture could not be encoded"));
        return png;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJpegQuality);
    if (!writer.write(picture))
        throw Failure(writer.errorString());
    return buffer.data();
}

} // namespace

QImage pagePictureAt(const office::Ref<office::Document>& document, int dpi)
{
    const QSizeF twips = document->pageSize();
    const QSize pixels(int(std::lround(twips.width() * dpi / 1440.0)),
                       int(std::lround(twips.height() * dpi / 1440.0)));
    QImage picture = document->pagePicture(pixels);
    if (picture.isNull())
        throw Failure(QStringLiteral("Invalid picture"));
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    picture.setDotsPerMeterX(dotsPerMeter);
    picture.setDotsPerMeterY(dotsPerMeter);
    picture.setColorSpace(QColorSpace::SRgb);
    return picture;
}

OpeningAhead::OpeningAhead(office::Engine& engine, const QString& documentPath)
    : mOpening(std::async(std::launch::async,
                          [&engine, documentPath] { return openDocument(engine, documentPath); }))
{
}

OpeningAhead::~OpeningAhead()
{
    if (const std::optional<OpenDocument> unused = take()) {
        try {
            unused->word->closeActiveDocument(false);
        } catch (const Failure&) {
            // Ending the instance discards the document all the same.
        }
        office::quitQuietly(*unused->word.get());
    }
}

std::optional<OpenDocument> OpeningAhead::take()
{
    if (!mOpening.valid())
        return std::nullopt;
    try {
        return mOpening.get();
    } catch (...) {
        return std::nullopt;
    }
}

const QString kExportFilter =
    QStringLiteral("PDF Document (*.pdf)|*.pdf|PNG Picture (*.png)|*.png|JPEG Picture (*.jpg)|*.jpg"
                   "|Calendar event (*.ics)|*.ics");

ExportTarget exportTarget(const QString& path, int filterEntry)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return {path, ExportFormat::Pdf};
    if (suffix == QLatin1String("png"))
        return {path, ExportFormat::Png};
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return {path, ExportFormat::Jpeg};
    if (suffix == QLatin1String("ics"))
        return {path, ExportFormat::Calendar};
    switch (filterEntry) {
    case 1:
        return {path + QStringLiteral(".png"), ExportFormat::Png};
    case 2:
        return {path + QStringLiteral(".jpg"), ExportFormat::Jpeg};
    case 3:
        return {path + QStringLiteral(".ics"), ExportFormat::Calendar};
    default:
        return {path + QStringLiteral(".pdf"), ExportFormat::Pdf};
    }
}

QString invitationTitle(const QString& celebrant)
{
    const QString name = celebrant.simplified();
    return name.isEmpty() ? QStringLiteral("Birthday invitation")
                          : QStringLiteral("Birthday invitation for ") + name;
}

QImage sharedPagePicture(office::Engine& engine, const QString& documentPath)
{
    return withDocument(engine, documentPath, nullptr,
                        [](const office::Ref<office::Document>& document) {
                            return pagePictureAt(document, kSharedPictureDpi);
                        });
}

void exportDocument(office::Engine& engine, const QString& documentPath, const QString& title,
                    const QString& path, ExportFormat format, OpeningAhead* ahead)
{
    if (format == ExportFormat::Calendar)
        throw Failure(QStringLiteral("A calendar event is not the office's to make"));
    const QByteArray bytes = withDocument(
        engine, documentPath, ahead, [&](const office::Ref<office::Document>& document) {
            return format == ExportFormat::Pdf
                       ? document->pagePdf(title)
                       : encoded(pagePictureAt(document, kSharedPictureDpi), format);
        });
    replaceFileWhole(path, bytes);
}

void exportCalendarEvent(const InvitationValues& values, const QString& path)
{
    replaceFileWhole(path, calendar::calendarEvent(values, calendar::newEventUid(),
                                                   QDateTime::currentDateTimeUtc()));
}

int printDocument(office::Engine& engine, PrintService& service, const QString& documentPath,
                  const QString& title, const PrintSettings& settings, OpeningAhead* ahead)
{
    const QByteArray pdf = withDocument(
        engine, documentPath, ahead,
        [&](const office::Ref<office::Document>& document) { return document->pagePdf(title); });
    return service.submit(settings, title, pdf);
}

} // namespace velmora
