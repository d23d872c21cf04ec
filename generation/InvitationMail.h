#pragma once

#include "generation/DesignPictures.h"

#include <QLocale>
#include <QString>

// The words of a mail that carries the invitation. Pure.
namespace velmora::mail {

// The attachments' names, as the guests see them.
inline const QString kInvitationFile = QStringLiteral("invitation.pdf");
inline const QString kEventFile = QStringLiteral("party.ics");

// The celebrant's birthday party: "Birthday party for " + the celebrant.
QString subject(const InvitationValues& values);

// The invitation's words as the page has them (the celebrant's line with the
// gender phrase, date and time as on the page, location, who gives it, the
// RSVP), then a line about the two attachments. Lines of empty values are
// left out.
QString body(const InvitationValues& values, const QLocale& locale = QLocale::system());

} // namespace velmora::mail
