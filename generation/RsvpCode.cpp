#include "generation/RsvpCode.h"

#include <qrencode.h>

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

} // namespace velmora::rsvp
