#include "mainwindow/StoredValues.h"

#include "platform/Failure.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace velmora::stored {

namespace {

const QDate kZeroDate(1899, 12, 30);

QString dateFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // Two-digit years cannot be read back unambiguously.
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(shortYear, QStringLiteral("yyyy"));
    return format;
}

QString timeFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("ss"))) {
        const qsizetype minutes = format.indexOf(QStringLiteral("mm"));
        if (minutes >= 0)
            format.insert(minutes + 2, QStringLiteral(":ss"));
        else
            format += QStringLiteral(":ss");
    }
    return format;
}

[[noreturn]] void typeMismatch()
{
    throw Failure(QStringLiteral("Type mismatch"));
}

} // namespace

QString generalDateText(const QDateTime& value, const QLocale& locale)
{
    const QTime time = value.time();
    const bool midnight = time.hour() == 0 && time.minute() == 0 && time.second() == 0;
    const QString timeText = locale.toString(time, timeFormat(locale));
    if (value.date() == kZeroDate)
        return timeText;
    const QString dateText = locale.toString(value.date(), dateFormat(locale));
    return midnight ? dateText : dateText + QLatin1Char(' ') + timeText;
}

QDateTime parseGeneralDate(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        typeMismatch();
    QDateTime both =
        locale.toDateTime(trimmed, dateFormat(locale) + QLatin1Char(' ') + timeFormat(locale));
    if (both.isValid())
        return both;
    const QDate date = locale.toDate(trimmed, dateFormat(locale));
    if (date.isValid())
        return QDateTime(date, QTime(0, 0));
    const QTime time = locale.toTime(trimmed, timeFormat(locale));
    if (time.isValid())
        return QDateTime(kZeroDate, time);
    typeMismatch();
}

QDateTime readStoredDate(const QString& text, const QLocale& locale)
{
    try {
        return parseGeneralDate(text, locale);
    } catch (const Failure&) {
    }
    static const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    for (const QLocale& other : locales) {
        try {
            const QDateTime value = parseGeneralDate(text, other);
            if (generalDateText(value, other) == text.trimmed())
                return value;
        } catch (const Failure&) {
        }
    }
    typeMismatch();
}

int wholeNumber(const QString& text)
{
    bool ok = false;
    double value = text.trimmed().toDouble(&ok);
    if (!ok)
        value = QLocale::system().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        typeMismatch();
    const double rounded = std::nearbyint(value); // the default rounding: ties to even
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max())
        throw Failure(QStringLiteral("Overflow"));
    return static_cast<int>(rounded);
}

} // namespace velmora::stored
