#pragma once

#include <QCursor>
#include <QString>

namespace velmora {

// The hand cursor file beside the program.
inline const QString kHandCursorFile = QStringLiteral("HAND-M.CUR");

inline QString handCursorPath(const QString& programFolder)
{
    return programFolder + QLatin1Char('/') + kHandCursorFile;
}

// Reads a Windows cursor file, with the hotspot of its first image. Throws
// Failure when the file cannot be read as a cursor.
QCursor loadCursorFile(const QString& path);

} // namespace velmora
