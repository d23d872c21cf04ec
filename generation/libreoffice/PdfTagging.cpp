#include "generation/libreoffice/PdfTagging.h"

#include "generation/libreoffice/LibreOfficeDocument.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XText.hpp>

namespace velmora::office::lo {

namespace {

const OUString kDecorative = OUString("Decorative");

bool holdsText(const Reference<css::uno::XInterface>& shape)
{
    const Reference<css::text::XText> text(shape, UNO_QUERY);
    if (text.is() && !text->getString().trim().isEmpty())
        return true;
    const Reference<css::container::XIndexAccess> group(shape, UNO_QUERY);
    if (group.is())
        for (sal_Int32 i = 0; i < group->getCount(); ++i)
            if (holdsText(Reference<css::uno::XInterface>(group->getByIndex(i), UNO_QUERY)))
                return true;
    return false;
}

// Text frames, pictures and objects are content (a photo, a code); the
// drawings without text are the design's art.
bool isArt(const Reference<css::uno::XInterface>& shape)
{
    const Reference<css::lang::XServiceInfo> services(shape, UNO_QUERY);
    if (!services.is() || !services->supportsService("com.sun.star.drawing.Shape"))
        return false;
    for (const char* content :
         {"com.sun.star.text.TextFrame", "com.sun.star.text.TextGraphicObject",
          "com.sun.star.text.TextEmbeddedObject"})
        if (services->supportsService(OUString::createFromAscii(content)))
            return false;
    return !holdsText(shape);
}

} // namespace

void prepareTaggedPdf(const Reference<css::lang::XComponent>& model, const QLocale& locale)
{
    // The C locale names no language: the document keeps its own.
    if (locale.language() != QLocale::C && locale.language() != QLocale::AnyLanguage) {
        css::lang::Locale language;
        language.Language = toOUString(QLocale::languageToCode(locale.language()));
        if (locale.territory() != QLocale::AnyTerritory)
            language.Country = toOUString(QLocale::territoryToCode(locale.territory()));
        const Reference<css::beans::XPropertySet> defaults(
            Reference<css::lang::XMultiServiceFactory>(model, UNO_QUERY_THROW)
                ->createInstance("com.sun.star.text.Defaults"),
            UNO_QUERY_THROW);
        defaults->setPropertyValue("CharLocale", Any(language));
    }

    // LibreOffice 7.4 has no such mark for drawings (the property is unknown
    // there), so its PDF keeps the art as figures; an office that has it
    // writes the art as artifacts.
    const Reference<css::drawing::XDrawPage> page = drawPageOf(model);
    for (sal_Int32 i = 0; i < page->getCount(); ++i) {
        const Reference<css::beans::XPropertySet> shape(page->getByIndex(i), UNO_QUERY);
        if (shape.is() && isArt(shape)
            && shape->getPropertySetInfo()->hasPropertyByName(kDecorative))
            shape->setPropertyValue(kDecorative, Any(true));
    }
}

} // namespace velmora::office::lo
