#pragma once

#include "generation/libreoffice/UnoConnection.h"

#include <QString>
#include <QStringList>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

namespace velmora::office::lo {

// The office's name for the kind of file at the URL, found from its content
// without opening it as a document; empty when the office knows none.
QString detectedType(const Reference<css::uno::XComponentContext>& context, const OUString& url);

// Whether files of that kind are word-processor documents a template may be
// made from: Word (97 to 2007 and later), OpenDocument and RTF. A web page or
// plain text is not, even under a document's name.
bool isWordProcessorType(const QString& type);

// Takes out of a loaded document everything that makes an office read or
// fetch something elsewhere when the document is opened, drawn or printed:
// linked pictures (in the text, headers and footers, frames and drawings)
// go, sections linked to other files and DDE fields keep their text and
// lose the link. Says in plain words, one line each, what was taken out.
QStringList removeExternalReferences(const Reference<css::lang::XComponent>& model);

} // namespace velmora::office::lo
