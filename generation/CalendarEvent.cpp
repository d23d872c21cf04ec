#include "generation/CalendarEvent.h"

#include "platform/Failure.h"

#include <QUuid>

namespace velmora::calendar {

namespace {

constexpr int kLineOctets = 75;

QByteArray utcText(const QDateTime& moment)
{
    return moment.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
}

// A TEXT value: the four characters RFC 5545 reserves escaped, any line end
// one "\n", other control characters (which a TEXT may not hold) as spaces.
QByteArray escaped(const QString& text)
{
    QString value = text;
    value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    value.replace(u'\r', u'\n');
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u';':
            out += QStringLiteral("\\;");
            break;
        case u',':
            out += QStringLiteral("\\,");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        default:
            out += (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f ? QChar(u' ') : c;
        }
    }
    return out.toUtf8();
}

// One content line, folded: no physical line longer than 75 octets (the
// leading space of a continuation counts), never inside a UTF-8 character.
QByteArray folded(const QByteArray& line)
{
    QByteArray out;
    qsizetype start = 0;
    int room = kLineOctets;
    while (line.size() - start > room) {
        qsizetype end = start + room;
        while (end > start && (uchar(line.at(end)) & 0xC0) == 0x80)
            --end;
        out += line.mid(start, end - start) + "\r\n ";
        start = end;
        room = kLineOctets - 1;
    }
    return out + line.mid(start) + "\r\n";
}

} // namespace

QString partyName(const QString& celebrant)
{
    const QString name = celebrant.simplified();
    return name.isEmpty() ? QStringLiteral("Birthday party")
                          : QStringLiteral("Birthday party for ") + name;
}

QString newEventUid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("@velmora.app");
}

QByteArray calendarEvent(const InvitationValues& values, const QString& uid, const QDateTime& stamp,
                         const QTimeZone& zone)
{
    if (!values.birthDate.isValid() || !values.birthTime.isValid())
        throw Failure(QStringLiteral("The party's date or time is not valid"));
    // The minute the invitation shows: the time field also holds seconds.
    const QDateTime start(values.birthDate,
                          QTime(values.birthTime.hour(), values.birthTime.minute()), zone);
    const QString& location = values.texts[1];
    const QString& givenBy = values.texts[2];
    const QString& rsvp = values.texts[3];
    QStringList description;
    if (!givenBy.trimmed().isEmpty())
        description << QStringLiteral("Given by ") + givenBy.trimmed();
    if (!rsvp.trimmed().isEmpty())
        description << QStringLiteral("Please RSVP ") + rsvp.trimmed();

    QByteArray text;
    const auto line = [&text](const QByteArray& content) { text += folded(content); };
    line("BEGIN:VCALENDAR");
    line("VERSION:2.0");
    line("PRODID:-//Quillory//Velmora//EN");
    line("CALSCALE:GREGORIAN");
    // An event to add, not a meeting request to answer.
    line("METHOD:PUBLISH");
    line("BEGIN:VEVENT");
    line("UID:" + escaped(uid));
    line("DTSTAMP:" + utcText(stamp));
    line("DTSTART:" + utcText(start));
    line("DTEND:" + utcText(start.addSecs(kPartyHours * 3600)));
    line("SUMMARY:" + escaped(partyName(values.texts[0])));
    if (!location.trimmed().isEmpty())
        line("LOCATION:" + escaped(location.trimmed()));
    if (!description.isEmpty())
        line("DESCRIPTION:" + escaped(description.join(u'\n')));
    line("END:VEVENT");
    line("END:VCALENDAR");
    return text;
}

} // namespace velmora::calendar
