#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

// Joins PDF files into one, their pages in the files' order, and writes it
// whole to the path (see replaceFileWhole: a failure leaves no partial file).
// The joined document carries the title. Each page keeps its own fonts: the
// office embeds a subset for each. Throws Failure naming the file that could
// not be read.
void joinPdfFiles(const QStringList& files, const QString& title, const QString& path);

} // namespace velmora
