#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

namespace velmora {

// The folder where the program's working files live: TEMP when set, otherwise
// a private folder of this user (mode 0700) below the system's temporary
// location, created on demand. Throws Failure when no safe folder can be had.
QString temporaryFolder();
// A file in the temporary folder.
QString temporaryFile(const QString& name);

// Makes the folder, and each missing folder on its way, private to this user
// (mode 0700). The folder must then be a folder of this user, not a link, and
// is made private if it is not. Throws Failure with the system's description.
void makePrivateFolder(const QString& path);
// Makes a new folder private to this user in the parent, named after the
// stem with six random characters; returns its path. Throws Failure.
QString createPrivateFolderIn(const QString& parent, const QString& stem);

// The folder that holds the program's executable, and a file beside it
// ("x/o.cjs", "HAND-M.CUR").
QString programFolder();
QString besideProgram(const QString& relativePath);

// True when the file's time stamp can be read; never fails.
bool fileExists(const QString& path);
// Deletes a file and ignores every failure. Only a plain file of this user
// is deleted: a link, or anything another user put there, is left alone.
void quietDelete(const QString& path);

// What a name in a folder that others may write to (TEMP may be /tmp) holds
// for this program: nothing, a plain file of this user, or anything else (a
// link, a folder, another user's file), which is never used.
enum class NameState { Free, Ours, Taken };
NameState nameState(const QString& path);

// Creates the file, private to this user (mode 0600) and never through a
// link, and writes the bytes. False when the name exists already; any other
// failure throws Failure with the system's description.
bool createPrivateFile(const QString& path, const QByteArray& bytes = {});
// Like createPrivateFile, under a fresh name made from the path's stem, a
// dash and six random characters, with the path's suffix; returns the path.
QString createPrivateFileBeside(const QString& path, const QByteArray& bytes);

// Writes the bytes as the whole new content of the file at the path. They go
// to a temporary file beside it, which is renamed over the path only once
// every byte has met the disk, so a failure (a full disk, a folder that takes
// no file) leaves no partial file and an existing one as it was; the folder
// is synced after the rename. Another user's link in a sticky folder (/tmp)
// is refused, not followed. Throws Failure with the system's description and
// the path.
void replaceFileWhole(const QString& path, const QByteArray& bytes);
// The same for a content too large to hold at once: write() is handed the
// new file and writes it; a Failure it throws leaves the old file as it was.
void replaceFileWhole(const QString& path, const std::function<void(QIODevice& file)>& write);

// The system's description of the last failed call (errno).
QString systemError();

// Gives the heap's free pages back to the system; never fails.
void releaseFreeMemory();

} // namespace velmora
