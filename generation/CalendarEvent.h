#pragma once

#include "generation/DesignPictures.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

// The party as a calendar event (RFC 5545) that a guest adds to a calendar in
// one step. Pure: the caller gives the identifier and the time of writing.
namespace velmora::calendar {

// The invitation names no end; a calendar needs one. See docs/calendar-event.md.
constexpr int kPartyHours = 2;

// "Birthday party for " + the celebrant: the event's summary and the mail's subject.
QString partyName(const QString& celebrant);

// A fresh identifier that no other event shares: random, at our own domain,
// never the machine's name.
QString newEventUid();

// The event's file: the typed date and time taken in the zone (the system's
// unless told) and written in UTC, kPartyHours long; the celebrant's party as
// summary, the location, and who gives it with the RSVP number as description.
// Lines end in CRLF and are folded at 75 octets. Throws Failure when the date
// or the time is not valid.
QByteArray calendarEvent(const InvitationValues& values, const QString& uid, const QDateTime& stamp,
                         const QTimeZone& zone = QTimeZone::systemTimeZone());

} // namespace velmora::calendar
