#pragma once

#include "generation/libreoffice/UnoConnection.h"

#include <QByteArray>
#include <QSize>
#include <com/sun/star/lang/XComponent.hpp>

namespace velmora::office::lo {

// The first page of a loaded document drawn by the office at the given pixel
// size (it may add a pixel) on white paper, as the bytes of an uncompressed
// Windows bitmap. Runs inside the office: call it under the watchdog.
QByteArray renderPagePicture(const Reference<css::uno::XComponentContext>& office,
                             const Reference<css::lang::XComponent>& model, const QSize& pixels);

} // namespace velmora::office::lo
