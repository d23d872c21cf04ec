#include "generation/Invitation.h"

#include <QRegularExpression>

namespace velmora::invitation {

Replacement textReplacement(const QString& tag, const QString& text, bool male)
{
    if (tag == kCelebrantTag && male)
        return {tag + kFemalePhrase, text + kMalePhrase};
    return {tag, text};
}

Replacement spotReplacement(const QString& boxText, const QString& tag, const QString& value)
{
    if (!value.isEmpty() || !boxText.contains(tag, Qt::CaseInsensitive))
        return {tag, value};
    static const QRegularExpression token(QStringLiteral("\\[[A-Za-z]+\\]"));
    for (const QRegularExpressionMatch& match : token.globalMatch(boxText))
        if (match.captured().compare(tag, Qt::CaseInsensitive) != 0)
            return {tag, QString()};
    return {boxText, QString()};
}

QString birthDateText(const QDate& date, const QLocale& locale)
{
    // Four-digit years always, whatever the locale's own short forms do.
    return locale.monthName(date.month(), QLocale::LongFormat) + QLatin1Char(' ')
           + QString::number(date.day()) + QStringLiteral(", ")
           + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString birthTimeText(const QTime& time, const QLocale& locale)
{
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    QString designator = time.hour() < 12 ? locale.amText() : locale.pmText();
    if (designator.isEmpty())
        designator = time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    QString text = QString::number(hour12) + QLatin1Char(':')
                   + QStringLiteral("%1").arg(time.minute(), 2, 10, QLatin1Char('0'))
                   + QLatin1Char(' ') + designator;
    text.replace(QStringLiteral("AM"), QStringLiteral("A.M."), Qt::CaseSensitive);
    text.replace(QStringLiteral("PM"), QStringLiteral("P.M."), Qt::CaseSensitive);
    return text;
}

} // namespace velmora::invitation
