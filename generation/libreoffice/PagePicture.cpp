#include "generation/libreoffice/PagePicture.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/XExporter.hpp>
#include <com/sun/star/document/XFilter.hpp>
#include <com/sun/star/io/SequenceOutputStream.hpp>
#include <com/sun/star/io/XSequenceOutputStream.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>

namespace velmora::office::lo {

namespace {

// The filter behind the office's "save as picture" exports, called directly:
// the document is drawn once into a recording and that is painted at the
// pixel size. Through storeToURL it is only offered as PNG, whose encoding
// took about as long as the drawing; an uncompressed bitmap needs none, and
// the bytes come back over the bridge without a file in between.
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

QByteArray renderPagePicture(const Reference<css::uno::XComponentContext>& office,
                             const Reference<css::lang::XComponent>& model, const QSize& pixels)
{
    const Reference<css::document::XFilter> filter(
        office->getServiceManager()->createInstanceWithContext(
            OUString("com.sun.star.comp.GraphicExportFilter"), office),
        css::uno::UNO_QUERY_THROW);
    Reference<css::document::XExporter>(filter, css::uno::UNO_QUERY_THROW)
        ->setSourceDocument(model);
    const Reference<css::io::XSequenceOutputStream> stream =
        css::io::SequenceOutputStream::create(office);
    if (!filter->filter(bitmapFilterArguments(
            pixels, Reference<css::io::XOutputStream>(stream, css::uno::UNO_QUERY_THROW))))
        return {};
    const Sequence<sal_Int8> bytes = stream->getWrittenBytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.getConstArray()), bytes.getLength());
}

QImage decodeBitmap(const QByteArray& bytes)
{
    // Qt's reader takes twice as long for the one kind the office writes.
    const auto at = [&](int offset, int size) {
        quint32 value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | quint8(bytes[offset + i]);
        return value;
    };
    constexpr int kHeaderBytes = 54;
    if (bytes.size() < kHeaderBytes || !bytes.startsWith("BM") || at(14, 4) < 40 || at(26, 2) != 1
        || at(28, 2) != 24 || at(30, 4) != 0)
        return QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32);
    const qint64 width = qint32(at(18, 4));
    const qint64 rows = qint32(at(22, 4));
    const qint64 height = rows < 0 ? -rows : rows;
    const qint64 stride = (width * 3 + 3) / 4 * 4;
    const qint64 offset = at(10, 4);
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767
        || offset + stride * height > bytes.size())
        return {};
    QImage picture(int(width), int(height), QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    for (qint64 y = 0; y < height; ++y) {
        // Bottom-up unless the height is negative.
        const uchar* source = reinterpret_cast<const uchar*>(bytes.constData()) + offset
                              + stride * (rows < 0 ? y : height - 1 - y);
        QRgb* target = reinterpret_cast<QRgb*>(picture.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x, source += 3)
            target[x] = qRgb(source[2], source[1], source[0]);
    }
    return picture;
}

} // namespace velmora::office::lo
