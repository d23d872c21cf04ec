#include "errors/ErrorReport.h"

#include "platform/Dialogs.h"

namespace velmora {

QString errorReportText(const QString& description, const QString& location, int line)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ")
           + QString::number(line) + QStringLiteral("\r\r")
           + QStringLiteral("Please email screenshot of this message to ") + kSupportAddress;
}

void showErrorReport(Dialogs& dialogs, const QString& description, const QString& location,
                     int line)
{
    dialogs.message(errorReportText(description, location, line), kErrorReportTitle,
                    Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

} // namespace velmora
