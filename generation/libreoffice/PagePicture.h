#pragma once

#include "generation/libreoffice/UnoConnection.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <com/sun/star/lang/XComponent.hpp>

namespace velmora::office::lo {

// The first page of a loaded document drawn by the office at the given pixel
// size (it may add a pixel) on white paper, as the bytes of an uncompressed
// Windows bitmap. Runs inside the office: call it under the watchdog.
QByteArray renderPagePicture(const Reference<css::uno::XComponentContext>& office,
                             const Reference<css::lang::XComponent>& model, const QSize& pixels);

// The picture of an uncompressed 24-bit Windows bitmap, read row by row;
// any other bitmap goes through Qt's reader. Null when it is not one.
QImage decodeBitmap(const QByteArray& bytes);

} // namespace velmora::office::lo
