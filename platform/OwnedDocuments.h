#pragma once

#include <QString>

namespace velmora {

// Which filled documents in the temporary folder belong to which running
// program of ours. Each program keeps a record file there
// ("velmora-documents-<pid>-<start time>.list", one document name a line);
// the documents of a program that was killed are removed by the next one to
// start. None of these ever fails.
namespace owned {

// Records that this program is about to write the document.
void recordDocument(const QString& path);

// Removes the documents that this program recorded and that are still there,
// and its record: at the program's end, its working documents go with it.
void removeOwnDocuments();

// Removes the documents recorded by programs that no longer run (and their
// records), except those that a running program recorded too.
void removeOrphanedDocuments();

} // namespace owned

} // namespace velmora
