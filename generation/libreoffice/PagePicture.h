#pragma once

#include "generation/libreoffice/UnoConnection.h"

#include <QSize>
#include <com/sun/star/lang/XComponent.hpp>

namespace velmora::office::lo {

// Writes the first page of a loaded document, drawn by the office at the
// given pixel size (it may add a pixel) on white paper, as an uncompressed
// Windows bitmap file. Runs inside the office: call it under the watchdog.
// The file, not the bridge, carries the page: a reply of megabytes would be
// read into the bridge thread's own memory pool, which keeps it.
bool renderPagePicture(const Reference<css::uno::XComponentContext>& office,
                       const Reference<css::lang::XComponent>& model, const QSize& pixels,
                       const OUString& fileUrl);

} // namespace velmora::office::lo
