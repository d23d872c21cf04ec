#include "tests/support/ScriptedDialogs.h"

#include "errors/ErrorReport.h"

#include <QRegularExpression>

namespace velmora::testing {

int ScriptedDialogs::message(const QString& text, const QString& title, Buttons buttons, Icon icon)
{
    shown.append({text, resolvedTitle(title), buttons, icon});
    if (whileShown)
        whileShown();
    if (!nextAnswers.isEmpty())
        return nextAnswers.takeFirst();
    return buttons == Buttons::YesNo ? No : Ok;
}

QString ScriptedDialogs::saveFileName(const QString& title, const QString& filter,
                                      const QString& fileName)
{
    saveDialogs.append({title, filter, fileName});
    return nextFileNames.isEmpty() ? QString() : nextFileNames.takeFirst();
}

Dialogs::SaveChoice ScriptedDialogs::saveFileChoice(const QString& title, const QString& filter,
                                                    const QString& fileName)
{
    if (whileChoosing)
        whileChoosing();
    SaveChoice choice;
    choice.filter = nextFilters.isEmpty() ? 0 : nextFilters.takeFirst();
    choice.path = saveFileName(title, filter, fileName);
    return choice;
}

QString ScriptedDialogs::openFileName(const QString& title, const QString& filter)
{
    openDialogs << title + u'|' + filter;
    return nextOpenFileNames.isEmpty() ? QString() : nextOpenFileNames.takeFirst();
}

std::optional<PrintSettings> ScriptedDialogs::printSettings(const QString& title,
                                                            const QList<Printer>& printers)
{
    Q_UNUSED(printers);
    printDialogs << title;
    if (whileChoosing)
        whileChoosing();
    if (nextPrintSettings.isEmpty())
        return std::nullopt;
    return nextPrintSettings.takeFirst();
}

QStringList ScriptedDialogs::errorReports() const
{
    QStringList reports;
    for (const Shown& box : shown) {
        if (box.title == kErrorReportTitle)
            reports << box.text;
    }
    return reports;
}

QStringList ScriptedDialogs::reportedLines() const
{
    static const QRegularExpression where(
        QStringLiteral("\\r\\nin Harvelin2021/08/31\\.(\\S+) at line (\\d+)\\r\\r"));
    QStringList lines;
    for (const QString& report : errorReports()) {
        const QRegularExpressionMatch match = where.match(report);
        lines << (match.hasMatch() ? match.captured(1) + QLatin1Char(':') + match.captured(2)
                                   : QStringLiteral("?"));
    }
    return lines;
}

} // namespace velmora::testing
