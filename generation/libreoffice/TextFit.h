#pragma once

#include "generation/Office.h"
#include "generation/libreoffice/UnoConnection.h"

#include <com/sun/star/lang/XComponent.hpp>

namespace velmora::office::lo {

// Document::fitTextToBoxes for a Writer document, whose text boxes are its
// text frames of fixed height. Runs inside one call of the instance.
std::vector<Overflow> fitTextToBoxes(const Reference<css::lang::XComponent>& model,
                                     double floorPoints);

} // namespace velmora::office::lo
