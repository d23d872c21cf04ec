#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

namespace velmora::office {
class Document;
}

// The RSVP number as a code a guest's phone camera reads and dials. Pure.
namespace velmora::rsvp {

// White modules around the code, as the standard asks for readers to find it.
constexpr int kQuietModules = 4;

// "tel:" and the digits of the typed text, with "+" when one was typed before
// the first digit: "+1 (555) 010-2030" gives "tel:+15550102030". Empty when
// the text has no digit.
QString telUri(const QString& rsvpText);

// The code of the text (error correction M): black modules on white, each
// pixelsPerModule pixels wide, in a white quiet zone of kQuietModules. A null
// picture for an empty text, or one no code can hold.
QImage codePicture(const QString& text, int pixelsPerModule);

// The settings store's key for whether the code is on the page ("1" or "0",
// in the program's section).
inline const QString kSettingsKey = QStringLiteral("RSVPCode");

// The code's pixels per inch at its place, at least: print stays sharp.
constexpr double kCodePpi = 300;

// The code of the text for a spot of that size: the code as large as the
// spot's shorter side, at least kCodePpi, centred in a transparent picture of
// the spot's proportions (the office stretches a picture to its spot). Null
// for an empty text or spot.
QImage codeForSpot(const QString& text, QSizeF spotInches);

// The alternative text of the code of the typed number.
QString altText(const QString& rsvpText);

// What became of the code in a document.
enum class Placing {
    NoSpot, // the design has no "[RSVPCode]" spot: nothing to do
    NoDigits, // the RSVP field has no digit: no number to dial
    Placed,
};

// Places the code of the typed RSVP number in the document's "[RSVPCode]"
// spot. Throws Failure with the office's message.
Placing placeCode(office::Document& document, const QString& rsvpText);

} // namespace velmora::rsvp
