#pragma once

#include <QImage>
#include <QString>

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

} // namespace velmora::rsvp
