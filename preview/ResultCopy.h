#pragma once

#include <QString>

namespace velmora {

// Copies the filled document to the chosen path. The copy is written to a
// temporary file in the destination's folder and renamed over the destination
// only once it is complete, so an existing file is never lost to a failed copy.
// Throws Failure with the system's description when the copy fails.
void copyResult(const QString& source, const QString& destination);

// True when both paths name one existing file.
bool sameFile(const QString& first, const QString& second);

} // namespace velmora
