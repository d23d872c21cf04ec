#include "generation/libreoffice/PagePicture.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/XExporter.hpp>
#include <com/sun/star/document/XFilter.hpp>
#include <com/sun/star/io/XOutputStream.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/ucb/SimpleFileAccess.hpp>

namespace velmora::office::lo {

namespace {

// The filter behind the office's "save as picture" exports, called directly:
// the document is drawn once into a recording and that is painted at the
// pixel size. Through storeToURL it is only offered as PNG, whose encoding
// took about as long as the drawing; an uncompressed bitmap needs none.
Sequence<css::beans::PropertyValue>
bitmapFilterArguments(const QSize& pixels, const Reference<css::io::XOutputStream>& stream)
{
    Sequence<css::beans::PropertyValue> filterData(3);
    filterData.getArray()[0] = property("PixelWidth", Any(sal_Int32(pixels.width())));
    filterData.getArray()[1] = property("PixelHeight", Any(sal_Int32(pixels.height())));
    filterData.getArray()[2] = property("RLE_Coding", Any(false));
    Sequence<css::beans::PropertyValue> arguments(3);
    arguments.getArray()[0] = property("FilterName", Any(OUString("bmp_Export")));
    arguments.getArray()[1] = property("FilterData", Any(filterData));
    arguments.getArray()[2] = property("OutputStream", Any(stream));
    return arguments;
}

} // namespace

bool renderPagePicture(const Reference<css::uno::XComponentContext>& office,
                       const Reference<css::lang::XComponent>& model, const QSize& pixels,
                       const OUString& fileUrl)
{
    const Reference<css::document::XFilter> filter(
        office->getServiceManager()->createInstanceWithContext(
            OUString("com.sun.star.comp.GraphicExportFilter"), office),
        css::uno::UNO_QUERY_THROW);
    Reference<css::document::XExporter>(filter, css::uno::UNO_QUERY_THROW)
        ->setSourceDocument(model);
    const Reference<css::io::XOutputStream> file =
        css::ucb::SimpleFileAccess::create(office)->openFileWrite(fileUrl);
    const bool written = filter->filter(bitmapFilterArguments(pixels, file));
    file->closeOutput();
    return written;
}

} // namespace velmora::office::lo
