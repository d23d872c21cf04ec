#include "generation/PhotoSpot.h"

#include "generation/Invitation.h"
#include "generation/PhotoFile.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace velmora::photo {

namespace {

// A print laid on the card at a slant, as one would by hand.
constexpr double kTiltDegrees = -3.5;
// The print's white border, of its shorter side.
constexpr double kBorder = 0.06;
// The tilted print keeps clear of the box's edges, its shadow too.
constexpr double kPrintMargin = 0.94;

// The untilted print's size: the box's proportions, scaled so that the
// tilted print stays inside the box.
QSizeF printSize(QSizeF box)
{
    const double angle = qDegreesToRadians(std::abs(kTiltDegrees));
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double scale = kPrintMargin
                         * std::min(box.width() / (box.width() * c + box.height() * s),
                                    box.height() / (box.width() * s + box.height() * c));
    return box * scale;
}

// The middle of the photo in the proportions width : height.
QImage cutTo(const QImage& photo, double aspect)
{
    int width = photo.width();
    int height = photo.height();
    if (width > height * aspect)
        width = std::max(1, qRound(height * aspect));
    else
        height = std::max(1, qRound(width / aspect));
    return photo.copy((photo.width() - width) / 2, (photo.height() - height) / 2, width, height);
}

QPainterPath outline(QSizeF box, Frame frame)
{
    QPainterPath path;
    if (frame == Frame::Round) {
        path.addEllipse(photoArea(box, frame));
    } else {
        // A semicircle over the box's width, or a flatter arc in a low box.
        const double rise = std::min(box.width() / 2, box.height());
        path.moveTo(0, box.height());
        path.lineTo(0, rise);
        path.arcTo(QRectF(0, 0, box.width(), 2 * rise), 180, -180);
        path.lineTo(box.width(), box.height());
        path.closeSubpath();
    }
    return path;
}

void drawPrint(QPainter& painter, QSizeF box, const QImage& picture)
{
    const QSizeF print = printSize(box);
    const QRectF sheet(QPointF(-print.width() / 2, -print.height() / 2), print);
    const QRectF area = photoArea(box, Frame::Print);
    const double unit = std::min(print.width(), print.height());
    painter.translate(box.width() / 2, box.height() / 2);
    painter.rotate(kTiltDegrees);
    // A soft shadow below and to the right: a few widening veils.
    painter.setPen(Qt::NoPen);
    const QPointF drop(unit * 0.01, unit * 0.015);
    for (int veil = 4; veil >= 1; --veil) {
        const double spread = unit * 0.006 * veil;
        painter.setBrush(QColor(0, 0, 0, 14));
        painter.drawRoundedRect(sheet.translated(drop).adjusted(-spread, -spread, spread, spread),
                                spread, spread);
    }
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 40), std::max(1.0, unit * 0.002)));
    painter.drawRect(sheet);
    painter.drawImage(QRectF(QPointF(-area.width() / 2, -area.height() / 2), area.size()), picture);
}

} // namespace

Frame frameNamed(const QString& name)
{
    if (name.compare(QStringLiteral("round"), Qt::CaseInsensitive) == 0)
        return Frame::Round;
    if (name.compare(QStringLiteral("arch"), Qt::CaseInsensitive) == 0)
        return Frame::Arch;
    if (name.compare(QStringLiteral("print"), Qt::CaseInsensitive) == 0)
        return Frame::Print;
    return Frame::Plain;
}

QRectF photoArea(QSizeF box, Frame frame)
{
    if (frame == Frame::Round) {
        const double side = std::min(box.width(), box.height());
        return {(box.width() - side) / 2, (box.height() - side) / 2, side, side};
    }
    if (frame == Frame::Print) {
        const QSizeF print = printSize(box);
        const double border = kBorder * std::min(print.width(), print.height());
        const QSizeF inner = print - QSizeF(2 * border, 2 * border);
        return {QPointF((box.width() - inner.width()) / 2, (box.height() - inner.height()) / 2),
                inner};
    }
    return {QPointF(0, 0), box};
}

double ppiInSpot(const QImage& photo, QSizeF spotInches, Frame frame)
{
    return ppiAt(photo, photoArea(spotInches, frame).size());
}

QImage framed(const QImage& photo, QSizeF spotInches, Frame frame)
{
    if (photo.isNull() || spotInches.width() <= 0 || spotInches.height() <= 0)
        return {};
    const double ppi = std::min(kPrintPpi, ppiInSpot(photo, spotInches, frame));
    const QSize pixels(std::max(1, qRound(spotInches.width() * ppi)),
                       std::max(1, qRound(spotInches.height() * ppi)));
    const QRectF area = photoArea(QSizeF(pixels), frame);
    const QImage picture =
        cutTo(photo, area.width() / area.height())
            .scaled(std::max(1, qRound(area.width())), std::max(1, qRound(area.height())),
                    Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (frame == Frame::Plain)
        return picture.convertToFormat(QImage::Format_RGB32);

    QImage result(pixels, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    if (frame == Frame::Print) {
        drawPrint(painter, QSizeF(pixels), picture);
    } else {
        // The shape first, then the photo only where the shape is: a smooth edge.
        painter.fillPath(outline(QSizeF(pixels), frame), Qt::white);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.drawImage(area, picture);
    }
    painter.end();
    return result.convertToFormat(QImage::Format_ARGB32);
}

QImage forKeeping(const QImage& photo)
{
    return fitForPrint(photo, kLargestSpotInches);
}

QString altText(const QString& celebrant)
{
    const QString name = celebrant.simplified();
    return name.isEmpty() ? QStringLiteral("Photo of the celebrant")
                          : QStringLiteral("Photo of ") + name;
}

double placePhoto(office::Document& document, const QImage& photo, const QString& frameName,
                  const QString& celebrant)
{
    if (photo.isNull())
        return 0;
    const QSizeF spot = document.spotSize(invitation::kPhotoTag);
    if (spot.isEmpty())
        return 0;
    // Twips: 1440 an inch.
    const QSizeF inches = spot / 1440.0;
    const Frame frame = frameNamed(frameName);
    document.placePicture(invitation::kPhotoTag, framed(photo, inches, frame), altText(celebrant));
    return ppiInSpot(photo, inches, frame);
}

} // namespace velmora::photo
