#pragma once

#include <QString>

namespace velmora {

class Dialogs;

inline const QString kSupportAddress = QStringLiteral("support@velmora.app");
inline const QString kErrorReportTitle = QStringLiteral("Application Error");

// The text of the Error report: description, CR LF, location text, "at line ",
// the number, two bare CRs and the support sentence.
QString errorReportText(const QString& description, const QString& location, int line);

// Shows the Error report (modal, warning icon, OK only) and returns when the
// user has dismissed it.
void showErrorReport(Dialogs& dialogs, const QString& description, const QString& location,
                     int line);

} // namespace velmora
