#pragma once

#include "generation/Office.h"

#include <QString>
#include <QStringList>
#include <QTest>
#include <memory>

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
#define FAIL_ON_UNEXPECTED_FAILURE                                                                   \
    catch (const velmora::Failure& unexpected)                                                       \
    {                                                                                                \
        QTest::qFail(qPrintable(QStringLiteral("unexpected failure: ") + unexpected.description()), \
                     __FILE__, __LINE__);                                                            \
    }
#endif

namespace velmora::testing {

// An engine over the real LibreOffice, loading the module built beside the test.
std::unique_ptr<office::Engine> makeTestEngine(int preparedInstances = 0, int callTimeoutMs = 0);

// A one-page document with a token in every kind of story: body, header, a
// Writer text frame, a drawing shape with text; a token split across runs;
// a red token for telling whether replaced text keeps its formatting.
// Written as flat ODF text and converted through the engine to a .doc.
QString makeStoriesDocument(office::Engine& engine, const QString& folder);

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

// Kills every office process of ours (as a crash would).
int killOurOffices(int signal);

// Counts pixels that are clearly red.
int redPixels(const class QImage& image);

} // namespace velmora::testing
