#pragma once

#include <QString>

namespace velmora {

// What a save of the preview asks before it replaces a file (the path and " ?"
// follow) and says once the file is there: the Word save's texts, which the
// export shares.
inline const QString kOverwriteQuestion = QStringLiteral("Are you sure you wish to overwrite ");
inline const QString kDone = QStringLiteral("Done.");

} // namespace velmora
