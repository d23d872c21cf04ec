#pragma once

#include <QSize>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Sequence.hxx>

namespace velmora::office::lo {

// Stores a Word 97-2003 document (.doc), over a file already there.
css::uno::Sequence<css::beans::PropertyValue> wordDocumentArguments();

// Stores the first page as a PNG picture of the given pixels.
css::uno::Sequence<css::beans::PropertyValue> pagePictureArguments(const QSize& pixels);

} // namespace velmora::office::lo
