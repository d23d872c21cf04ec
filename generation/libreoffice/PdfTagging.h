#pragma once

#include "generation/libreoffice/UnoConnection.h"

#include <QLocale>
#include <com/sun/star/lang/XComponent.hpp>

namespace velmora::office::lo {

// Readies an open Writer document for a tagged PDF, without changing how its
// page looks: the document's language becomes the locale's (the PDF's /Lang;
// text with a language of its own keeps it), and the art, the drawings that
// hold no text, is marked as decoration where the office knows the mark.
void prepareTaggedPdf(const Reference<css::lang::XComponent>& model, const QLocale& locale);

} // namespace velmora::office::lo
