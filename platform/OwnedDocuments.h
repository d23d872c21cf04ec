#pragma once

#include <QByteArray>
#include <QString>

namespace velmora {

// Which working files in the temporary folder belong to which running
// program of ours. Each program keeps a private record file there
// ("velmora-documents-<pid>-<start time>-<six characters>.list", one name a
// line); the files of a program that was killed are removed by the next one
// to start.
//
// TEMP may be a folder that others write to, such as /tmp: nothing here
// follows a link, or reads, writes or removes a file that is not this user's
// own plain file. Unless said otherwise, none of these ever fails.
namespace owned {

// Records that this program is about to write the file (a filled document,
// the template, the picture).
void recordDocument(const QString& path);

// Claims a fresh name for a filled document: creates it, empty and private,
// and records it. False when the name exists already (whatever holds it);
// throws Failure when the file cannot be created.
bool reserveDocument(const QString& path);

// Writes a working file under the path, privately and never through a link,
// and records it. With keepOurs, a plain file of this user that is already
// there is kept as it is; otherwise it is replaced only by a complete one.
// When the name is taken by anything else, that is left alone: the bytes go
// under a private name beside it, and Failure is thrown so that the caller
// reports the taken name. `written` receives the path actually written, also
// when that Failure is thrown; it stays empty when nothing was written.
void writeWorkingFile(const QString& path, const QByteArray& bytes, bool keepOurs,
                      QString& written);

// Removes the files that this program recorded and that are still there,
// except those that another running program recorded too, and its record:
// at the program's end, its working files go with it.
void removeOwnDocuments();

// Removes the files recorded by programs of this user that no longer run
// (and their records), except those that a running program recorded too.
void removeOrphanedDocuments();

} // namespace owned

} // namespace velmora
