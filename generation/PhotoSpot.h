#pragma once

#include "generation/Office.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

// The celebrant's photo in a design's photo spot: cut to the spot, given the
// design's frame, and placed by the office.
namespace velmora::photo {

// The settings store's key for the kept copy's path (in the program's section).
inline const QString kSettingsKey = QStringLiteral("Photo");

// The shapes a design can give its photo (its design.json's "photoFrame").
enum class Frame {
    Plain, // the whole box
    Round, // a circle inscribed in the box
    Arch, // the box with a semicircular top
    Print, // a print with a white border, slightly tilted, inside the box
};
// The frame a design's "photoFrame" names; Plain for anything else.
Frame frameNamed(const QString& name);

// Where the photo itself shows in a box of that size, in the box's own
// units: the whole box, the circle's square, the tilted print's picture area
// (before the tilt).
QRectF photoArea(QSizeF box, Frame frame);

// The photo for a spot of that size: cut centred to the shape's proportions
// (never stretched), at kPrintPpi or the photo's own resolution if that is
// less, with the frame drawn and transparency outside its shape. A plain
// frame gives an opaque picture. Null for a null photo or an empty spot.
QImage framed(const QImage& photo, QSizeF spotInches, Frame frame);

// The pixels per inch the photo shows at in that spot with that frame.
double ppiInSpot(const QImage& photo, QSizeF spotInches, Frame frame);

// Any spot fits on the page, whose paper is at most this large (US Letter's
// width, A4's height): the kept copy covers it at kPrintPpi.
inline constexpr QSizeF kLargestSpotInches{8.5, 11.7};
// The copy the program keeps of a photo: scaled down to what print needs.
QImage forKeeping(const QImage& photo);

// The alternative text of the photo of this celebrant.
QString altText(const QString& celebrant);

// Places the photo in the document's "[Photo]" spot, framed. Returns the
// pixels per inch it shows at, or 0 when there was no photo or no spot.
// Throws Failure with the office's message.
double placePhoto(office::Document& document, const QImage& photo, const QString& frameName,
                  const QString& celebrant);

} // namespace velmora::photo
