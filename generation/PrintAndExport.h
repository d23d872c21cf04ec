#pragma once

#include "generation/DesignPictures.h"
#include "generation/Office.h"

#include <QImage>
#include <QString>
#include <future>
#include <optional>

namespace velmora {

class PrintService;
struct PrintSettings;

enum class ExportFormat { Pdf, Png, Jpeg, Calendar };

// The save dialog's filter for an export; its entries in ExportFormat's order.
extern const QString kExportFilter;

// Where an export goes and in what format: a known suffix decides (pdf, png,
// jpg, jpeg, ics, any case); any other name gets the suffix of the chosen entry of
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

// The filled document and the office instance it is open in.
struct OpenDocument {
    office::Ref<office::Application> word;
    office::Ref<office::Document> document;
};

// The filled document opened read-only in an instance of its own on a thread
// of its own, begun while the user still chooses in a dialog: the output then
// starts from an open document. One that is not used is closed and its
// instance ended when this goes (which waits for the opening to finish).
class OpeningAhead {
public:
    OpeningAhead(office::Engine& engine, const QString& documentPath);
    ~OpeningAhead();
    OpeningAhead(const OpeningAhead&) = delete;
    OpeningAhead& operator=(const OpeningAhead&) = delete;

    // The opened document, once; nothing when the opening failed (the output
    // then opens the document itself, and reports what fails then).
    std::optional<OpenDocument> take();

private:
    std::future<OpenDocument> mOpening;
};

// Each of the following makes its output from the document opened ahead when
// one is given, else opens the filled document read-only in an office
// instance of its own (a prepared one); either way it ends the instance. They
// throw Failure with the office's or the system's message.

// A picture of the opened document's first page at the resolution, in sRGB.
QImage pagePictureAt(const office::Ref<office::Document>& document, int dpi);

// A picture of the first page at kSharedPictureDpi, in sRGB.
QImage sharedPagePicture(office::Engine& engine, const QString& documentPath);

// Writes the first page to the path as a PDF (fonts embedded, the title in
// its properties) or a picture. The file is written beside the path under a
// temporary name and renamed over it once complete, so a failure leaves no
// partial file and an existing file as it was.
void exportDocument(office::Engine& engine, const QString& documentPath, const QString& title,
                    const QString& path, ExportFormat format, OpeningAhead* ahead = nullptr);

// Writes the party's calendar event (generation/CalendarEvent) to the path,
// whole or not at all like the other exports; no office takes part.
void exportCalendarEvent(const InvitationValues& values, const QString& path);

// Prints the first page: the office lays it out as a PDF, which the queue
// gets with the dialog's settings, fitted to the paper. Returns the job's
// number; throws PrintServiceSilent when the print service does not answer in
// time, PrintWaitCancelled when the user stopped waiting for it.
int printDocument(office::Engine& engine, PrintService& service, const QString& documentPath,
                  const QString& title, const PrintSettings& settings,
                  OpeningAhead* ahead = nullptr);

} // namespace velmora
