#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The Invitation record's rules: which token each value replaces and the exact
// text it is replaced with. Pure; the values come from the entry form.
namespace velmora::invitation {

inline const QString kCelebrantTag = QStringLiteral("[Celebrant]");
inline const QString kLocationTag = QStringLiteral("[Location]");
inline const QString kGivenByTag = QStringLiteral("[GivenBy]");
inline const QString kRsvpTag = QStringLiteral("[RSVPNo]");
inline const QString kBirthDateTag = QStringLiteral("[BirthDate]");
inline const QString kBirthTimeTag = QStringLiteral("[BirthTime]");
// The spots a design may have for what the form does not type: the guest's
// name, the celebrant's photo and the code to RSVP. Each stands alone in a
// text box of its own.
inline const QString kGuestTag = QStringLiteral("[Guest]");
inline const QString kPhotoTag = QStringLiteral("[Photo]");
inline const QString kCodeTag = QStringLiteral("[RSVPCode]");

// The tags of the four text elements, in element order 0..3.
inline const QString kTextTags[4] = {kCelebrantTag, kLocationTag, kGivenByTag, kRsvpTag};

// The gender phrase after the celebrant's tag: the template's, and what it
// becomes for a male celebrant.
inline const QString kFemalePhrase = QStringLiteral(" celebrate her");
inline const QString kMalePhrase = QStringLiteral(" celebrate his");

struct Replacement {
    QString search;
    QString replacement;
};

// The gender phrase rule: for the celebrant's tag (compared exactly) and a male
// celebrant the phrase "celebrate her" becomes "celebrate his"; otherwise the
// tag alone is replaced by the text.
Replacement textReplacement(const QString& tag, const QString& text, bool male);

// What a text box's text loses for a spot's token. With a value the token
// becomes it. Without one, a box whose only token it is loses its whole text,
// so that none of a guest line's words ("Dear ,") is left; in a box that
// holds other tokens too, the token alone goes.
Replacement spotReplacement(const QString& boxText, const QString& tag, const QString& value);

// "MMMM d, yyyy" with the locale's month names: "August 31, 2021".
QString birthDateText(const QDate& date, const QLocale& locale = QLocale::system());

// "H:nn AMPM" (12-hour clock, no leading zero, two-digit minutes, the locale's
// designator), then "AM" -> "A.M." and "PM" -> "P.M.": "2:05 P.M.".
QString birthTimeText(const QTime& time, const QLocale& locale = QLocale::system());

} // namespace velmora::invitation
