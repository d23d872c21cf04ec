#include "generation/InvitationMail.h"

#include "generation/CalendarEvent.h"
#include "generation/Invitation.h"

namespace velmora::mail {

QString subject(const InvitationValues& values)
{
    return calendar::partyName(values.texts[0]);
}

QString body(const InvitationValues& values, const QLocale& locale)
{
    const QString celebrant = values.texts[0].trimmed();
    const QString location = values.texts[1].trimmed();
    const QString givenBy = values.texts[2].trimmed();
    const QString rsvp = values.texts[3].trimmed();
    QStringList lines{QStringLiteral("Hello,"), QString()};
    if (!celebrant.isEmpty())
        lines << QStringLiteral("Please come and help ") + celebrant
                     + (values.male ? invitation::kMalePhrase : invitation::kFemalePhrase)
                     + QStringLiteral(" birthday!")
              << QString();
    if (values.birthDate.isValid())
        lines << QStringLiteral("Date: ") + invitation::birthDateText(values.birthDate, locale);
    if (values.birthTime.isValid())
        lines << QStringLiteral("Time: ") + invitation::birthTimeText(values.birthTime, locale);
    if (!location.isEmpty())
        lines << QStringLiteral("Location: ") + location;
    if (!givenBy.isEmpty())
        lines << QStringLiteral("Given by: ") + givenBy;
    if (!rsvp.isEmpty())
        lines << QString() << QStringLiteral("Please RSVP ") + rsvp;
    lines << QString()
          << QStringLiteral("The invitation is attached, with a calendar event that adds the "
                            "party to your calendar.");
    return lines.join(u'\n');
}

} // namespace velmora::mail
