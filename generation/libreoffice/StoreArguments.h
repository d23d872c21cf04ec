#pragma once

#include "generation/libreoffice/UnoConnection.h"

namespace velmora::office::lo {

// Stores a Word 97-2003 document (.doc), over a file already there.
Sequence<css::beans::PropertyValue> wordDocumentArguments();

// Stores the first page as a tagged PDF document with its fonts embedded.
Sequence<css::beans::PropertyValue> pagePdfArguments();

} // namespace velmora::office::lo
