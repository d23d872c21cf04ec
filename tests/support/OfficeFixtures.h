#pragma once

#include "generation/DesignPictures.h"
#include "generation/Office.h"

#include <QProcessEnvironment>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTest>
#include <array>
#include <memory>
#include <vector>

// A test function written as
//     void someTest()
//     GUARDED_TEST { ... }
//     FAIL_ON_UNEXPECTED_FAILURE
// fails with the message of a Failure it did not expect instead of ending the
// whole test program. (moc cannot read a function-try-block, so it is hidden
// from moc.)
#ifdef Q_MOC_RUN
#define GUARDED_TEST
#define FAIL_ON_UNEXPECTED_FAILURE
#else
#define GUARDED_TEST try
#define FAIL_ON_UNEXPECTED_FAILURE                                                                 \
    catch (const velmora::Failure& unexpected)                                                     \
    {                                                                                              \
        QTest::qFail(                                                                              \
            qPrintable(QStringLiteral("unexpected failure: ") + unexpected.description()),         \
            __FILE__, __LINE__);                                                                   \
    }
#endif

namespace velmora::testing {

// An engine over the real LibreOffice, loading the module built beside the test.
std::unique_ptr<office::Engine> makeTestEngine(int preparedInstances = 0, int callTimeoutMs = 0);

// A one-page document with a token in every kind of story: body, header, a
// Writer text frame, a drawing shape with text; a token split across runs;
// a red token in the body and a teal italic one in the drawing shape for
// telling whether replaced text keeps its formatting.
// Written as flat ODF text and converted through the engine to a .doc.
QString makeStoriesDocument(office::Engine& engine, const QString& folder);

// The invitation template with the celebrant and the location filled in,
// saved as the filling run leaves it: tarvik12345678.doc in the folder.
QString fillInvitation(office::Engine& engine, const QString& templatePath, const QString& folder,
                       const QString& celebrant, const QString& location);

// The replacements of a filling run over both passes, with the sample date and time.
inline void fillDocument(office::Document& document, const std::array<QString, 4>& texts, bool male)
{
    velmora::fillDocument(document, texts, male, QStringLiteral("August 31, 2021"),
                          QStringLiteral("2:05 P.M."));
}

// A sample invitation's values, born August 31, 2021 at 2:05 P.M.; the texts
// are the celebrant, the location, the giver and the RSVP number.
InvitationValues sampleValues(const QStringList& texts = {"Orla Penwick", "Candia Hall", "Bozo",
                                                          "555-010-2468"});

// The template filled with the values as the filling run fills it, fitted and
// saved. With a spot's token: the spot's size in twips as the office tells it
// before the filling, and nothing filled or saved when there is no such spot.
QSizeF fillTemplate(office::Engine& engine, const QString& templatePath,
                    const InvitationValues& values, const QString& saved,
                    const QString& spotToken = {});
// Page 1 of a PDF drawn by pdftoppm at the resolution, as a PNG beside it: its path.
QString drawFirstPage(const QString& pdf, int dpi);

// The text of a .doc as far as a test needs it: every UTF-16 and 8-bit run of
// printable characters in the file.
QString documentText(const QString& path);

// What the engine of this test process may leave behind: soffice.bin
// processes and profile folders of ours, and office lock files in a folder.
QStringList ourOfficeProcesses();
QStringList ourProfileFolders();
QStringList lockFiles(const QString& folder);
// Waits for processes being ended to disappear (up to 30 s), then lists what is left.
QStringList leftovers(const QString& documentFolder);

// Kills every office process of ours (as a crash would) or, with SIGSTOP, hangs
// it; gives how many it reached (for SIGSTOP, how many have stopped on return).
int killOurOffices(int signal);

// Converts a document to another format ("pdf", "fodt") with a LibreOffice of its
// own (private profile, waited for); with a font configuration file, that office
// sees only the fonts it lists. Returns the converted file's path.
QString convertDocument(const QString& path, const QString& format, const QString& folder,
                        const QString& fontconfigFile = {});
// The same for several documents with one office: the converted files' paths, in order.
QStringList convertDocuments(const QStringList& paths, const QString& format, const QString& folder,
                             const QString& fontconfigFile = {});

// A font configuration of the system's in which fonts whose file names match the
// glob do not exist.
QString fontconfigWithout(const QString& folder, const QString& fileGlob);

// Words of a PDF's first page as poppler's pdftotext finds them, in points from
// the page's top left corner.
struct PdfWord {
    QString text;
    QRectF box;
};
struct PdfPage {
    QSizeF size;
    std::vector<PdfWord> words;
};
PdfPage pdfFirstPage(const QString& pdf);
QStringList pdfFontNames(const QString& pdf);

// The character look of a run as LibreOffice writes it in flat ODF: the named
// character style and the effective size, colour, case map, weight and posture.
struct CharLook {
    QString style;
    QString size;
    QString color;
    QString caseMap;
    QString weight;
    QString posture;
    bool operator==(const CharLook&) const = default;
};
QString describe(const CharLook& look);

struct TextRun {
    QString text;
    CharLook look;
};
struct Paragraph {
    std::vector<TextRun> runs;
    QString text() const;
    // The looks of the runs that cover [from, from + length).
    std::vector<CharLook> looksOf(qsizetype from, qsizetype length) const;
};
// A Writer text frame, in points from the page's top left corner; the height is
// the least one when the frame grows with its text.
struct TextBox {
    QRectF box;
    bool growsWithText = false;
    std::vector<Paragraph> paragraphs;
    QString text() const;
};
struct FlatDocument {
    std::vector<Paragraph> paragraphs; // every paragraph, those of frames too
    std::vector<TextBox> boxes;
    QString created;
    QString modified;
};
FlatDocument readFlatDocument(const QString& fodt);

// Counts pixels that are clearly red.
int redPixels(const class QImage& image);

// Runs a tool and gives its standard output; throws Failure when it fails.
QString run(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& environment = {});

} // namespace velmora::testing
