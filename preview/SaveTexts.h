#pragma once

#include <QString>

namespace velmora {

// What a save of the preview asks before it replaces a file (the path and " ?"
// follow) and says once the file is there: the Word save's texts, which the
// export shares.
inline const QString kOverwriteQuestion = QStringLiteral("Are you sure you wish to overwrite ");
inline const QString kDone = QStringLiteral("Done.");

// Why nothing is printed.
inline const QString kNoPrinter =
    QStringLiteral("No printer is installed. Add one in the system's printer settings, "
                   "then print again.");
inline const QString kNoAnswer =
    QStringLiteral("The print service does not answer. Check that printing is set up and "
                   "running, then print again.");

} // namespace velmora
