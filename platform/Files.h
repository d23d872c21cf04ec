#pragma once

#include <QByteArray>
#include <QString>

namespace velmora {

// The folder where the program's working files live: TEMP when set, otherwise
// a private folder of this user (mode 0700) below the system's temporary
// location, created on demand. Throws Failure when no safe folder can be had.
QString temporaryFolder();
// A file in the temporary folder.
QString temporaryFile(const QString& name);

// The folder that holds the program's executable, and a file beside it
// ("x/o.cjs", "HAND-M.CUR").
QString programFolder();
QString besideProgram(const QString& relativePath);

// True when the file's time stamp can be read; never fails.
bool fileExists(const QString& path);
// Deletes a file and ignores every failure.
void quietDelete(const QString& path);

// Gives the heap's free pages back to the system; never fails.
void releaseFreeMemory();

// Writes the bytes to a new file; throws Failure with the system's description.
void writeNewFile(const QString& path, const QByteArray& bytes);

} // namespace velmora
