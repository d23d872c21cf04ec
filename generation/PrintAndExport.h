#pragma once

#include "generation/Office.h"

#include <QImage>
#include <QString>

namespace velmora {

class PrintService;
struct PrintSettings;

enum class ExportFormat { Pdf, Png, Jpeg };

// The save dialog's filter for an export; its entries in ExportFormat's order.
extern const QString kExportFilter;

// Where an export goes and in what format: a known suffix decides (pdf, png,
// jpg, jpeg, any case); any other name gets the suffix of the chosen entry of
// kExportFilter added ("pic.gif" becomes "pic.gif.pdf"), so that a file never
// holds one format under another's name.
struct ExportTarget {
    QString path;
    ExportFormat format;
};
ExportTarget exportTarget(const QString& path, int filterEntry);

// The title a printed or exported invitation carries: the PDF's title, the
// print job's name.
QString invitationTitle(const QString& celebrant);

// Shared pictures: sharp on a phone's screen and in a print of the picture,
// and still small enough for a messenger.
constexpr int kSharedPictureDpi = 200;

// Each of the following opens the filled document read-only in an office
// instance of its own (a prepared one), makes its output there and ends the
// instance. They throw Failure with the office's or the system's message.

// A picture of the first page at kSharedPictureDpi, in sRGB.
QImage sharedPagePicture(office::Engine& engine, const QString& documentPath);

// Writes the first page to the path as a PDF (fonts embedded, the title in
// its properties) or a picture. The file is written beside the path under a
// temporary name and renamed over it once complete, so a failure leaves no
// partial file and an existing file as it was.
void exportDocument(office::Engine& engine, const QString& documentPath, const QString& title,
                    const QString& path, ExportFormat format);

// Prints the first page: the office lays it out as a PDF, which the queue
// gets with the dialog's settings, fitted to the paper. Returns the job's
// number; throws PrintServiceSilent when the print service does not answer in
// time, PrintWaitCancelled when the user stopped waiting for it.
int printDocument(office::Engine& engine, PrintService& service, const QString& documentPath,
                  const QString& title, const PrintSettings& settings);

} // namespace velmora
