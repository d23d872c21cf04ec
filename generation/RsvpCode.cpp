#include "generation/RsvpCode.h"

#include "generation/Invitation.h"
#include "generation/Office.h"

#include <QPainter>
#include <qrencode.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace velmora::rsvp {

QString telUri(const QString& rsvpText)
{
    QString digits;
    bool plus = false;
    for (const QChar c : rsvpText) {
        // Only ASCII digits dial; other scripts' digits are not for a phone.
        if (c >= u'0' && c <= u'9')
            digits += c;
        else if (c == u'+' && digits.isEmpty())
            plus = true;
    }
    if (digits.isEmpty())
        return {};
    return QStringLiteral("tel:") + (plus ? QStringLiteral("+") : QString()) + digits;
}

QImage codePicture(const QString& text, int pixelsPerModule)
{
    if (text.isEmpty() || pixelsPerModule < 1)
        return {};
    const QByteArray bytes = text.toUtf8();
    // Version 0: the smallest that holds the text; mixed modes keep digits dense.
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(bytes.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code)
        return {};
    const int modules = code->width + 2 * kQuietModules;
    const int side = modules * pixelsPerModule;
    QImage picture(side, side, QImage::Format_Grayscale8);
    picture.fill(Qt::white);
    for (int y = 0; y < code->width; ++y) {
        for (int row = 0; row < pixelsPerModule; ++row) {
            uchar* line = picture.scanLine((y + kQuietModules) * pixelsPerModule + row);
            for (int x = 0; x < code->width; ++x) {
                if (code->data[y * code->width + x] & 1)
                    std::memset(line + (x + kQuietModules) * pixelsPerModule, 0,
                                size_t(pixelsPerModule));
            }
        }
    }
    return picture;
}

QImage codeForSpot(const QString& text, QSizeF spotInches)
{
    if (spotInches.width() <= 0 || spotInches.height() <= 0)
        return {};
    // One pixel a module first, to learn how many modules the code has.
    const QImage probe = codePicture(text, 1);
    if (probe.isNull())
        return {};
    const double side = std::min(spotInches.width(), spotInches.height());
    const int pixelsPerModule = std::max(1, int(std::ceil(side * kCodePpi / probe.width() - 1e-9)));
    const QImage code = codePicture(text, pixelsPerModule);
    const double ppi = code.width() / side;
    const QSize pixels(std::max(code.width(), qRound(spotInches.width() * ppi)),
                       std::max(code.height(), qRound(spotInches.height() * ppi)));
    if (pixels == code.size())
        return code;
    QImage picture(pixels, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.drawImage((pixels.width() - code.width()) / 2, (pixels.height() - code.height()) / 2,
                      code);
    painter.end();
    return picture;
}

QString altText(const QString& rsvpText)
{
    return QStringLiteral("Code to call ") + rsvpText.simplified();
}

Placing placeCode(office::Document& document, const QString& rsvpText)
{
    const QSizeF spot = document.spotSize(invitation::kCodeTag);
    if (spot.isEmpty())
        return Placing::NoSpot;
    const QString uri = telUri(rsvpText);
    if (uri.isEmpty())
        return Placing::NoDigits;
    // Twips: 1440 an inch.
    document.placePicture(invitation::kCodeTag, codeForSpot(uri, spot / 1440.0), altText(rsvpText));
    return Placing::Placed;
}

} // namespace velmora::rsvp
