#pragma once

#include "generation/Office.h"

#include <QString>
#include <QStringList>
#include <memory>

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
// Waits briefly for processes being ended to disappear, then lists what is left.
QStringList leftovers(const QString& documentFolder);

// Kills every office process of ours (as a crash would).
int killOurOffices(int signal);

// Counts pixels that are clearly red.
int redPixels(const class QImage& image);

} // namespace velmora::testing
