#include "generation/libreoffice/ExternalReferences.h"

#include "generation/libreoffice/LibreOfficeDocument.h"

#include <QSet>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XTypeDetection.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/SectionFileLink.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextField.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextSectionsSupplier.hpp>
#include <vector>

namespace velmora::office::lo {

namespace {

Reference<css::beans::XPropertySet> propertiesOf(const Reference<css::uno::XInterface>& object)
{
    return Reference<css::beans::XPropertySet>(object, UNO_QUERY);
}

bool hasProperty(const Reference<css::beans::XPropertySet>& properties, const char* name)
{
    return properties.is()
           && properties->getPropertySetInfo()->hasPropertyByName(OUString::createFromAscii(name));
}

// The address a picture is linked to; empty for an embedded one.
QString linkOf(const Reference<css::beans::XPropertySet>& object)
{
    if (!hasProperty(object, "Graphic"))
        return {};
    const Reference<css::beans::XPropertySet> graphic(object->getPropertyValue(OUString("Graphic")),
                                                      UNO_QUERY);
    if (!hasProperty(graphic, "Linked")
        || !graphic->getPropertyValue(OUString("Linked")).get<bool>())
        return {};
    const QString origin =
        hasProperty(graphic, "OriginURL")
            ? toQString(graphic->getPropertyValue(OUString("OriginURL")).get<OUString>())
            : QString();
    return origin.isEmpty() ? QStringLiteral("another file") : origin;
}

QString pictureLine(const QString& link)
{
    return QStringLiteral("A picture linked to %1 is not kept.").arg(link);
}

void removePictures(const Reference<css::lang::XComponent>& model, QStringList& removed)
{
    std::vector<Reference<css::lang::XComponent>> doomed;
    QSet<css::uno::XInterface*> seen;
    const auto consider = [&](const Reference<css::uno::XInterface>& object) {
        const Reference<css::uno::XInterface> identity(object, UNO_QUERY);
        if (!identity.is() || seen.contains(identity.get()))
            return;
        seen.insert(identity.get());
        const QString link = linkOf(propertiesOf(object));
        if (link.isEmpty())
            return;
        removed << pictureLine(link);
        doomed.emplace_back(object, UNO_QUERY);
    };
    // Writer's pictures, wherever they stand (headers and footers too).
    const Reference<css::text::XTextGraphicObjectsSupplier> pictures(model, UNO_QUERY);
    if (pictures.is()) {
        const Reference<css::container::XNameAccess> all = pictures->getGraphicObjects();
        for (const OUString& name : all->getElementNames())
            consider(Reference<css::uno::XInterface>(all->getByName(name), UNO_QUERY));
    }
    // The drawing layer's pictures.
    const Reference<css::drawing::XDrawPage> page = drawPageOf(model);
    for (sal_Int32 i = 0; page.is() && i < page->getCount(); ++i)
        consider(Reference<css::uno::XInterface>(page->getByIndex(i), UNO_QUERY));
    for (const Reference<css::lang::XComponent>& picture : doomed)
        if (picture.is())
            picture->dispose();
}

void unlinkSections(const Reference<css::lang::XComponent>& model, QStringList& removed)
{
    const Reference<css::text::XTextSectionsSupplier> supplier(model, UNO_QUERY);
    if (!supplier.is())
        return;
    const Reference<css::container::XNameAccess> sections = supplier->getTextSections();
    for (const OUString& name : sections->getElementNames()) {
        const Reference<css::beans::XPropertySet> section(sections->getByName(name), UNO_QUERY);
        if (hasProperty(section, "FileLink")) {
            const auto link =
                section->getPropertyValue(OUString("FileLink")).get<css::text::SectionFileLink>();
            if (!link.FileURL.isEmpty()) {
                removed << QStringLiteral("A section linked to %1 is kept as plain text.")
                               .arg(toQString(link.FileURL));
                section->setPropertyValue(OUString("FileLink"), Any(css::text::SectionFileLink()));
            }
        }
        if (hasProperty(section, "DDECommandFile")) {
            const OUString file =
                section->getPropertyValue(OUString("DDECommandFile")).get<OUString>();
            if (!file.isEmpty()) {
                removed << QStringLiteral("A section linked to %1 is kept as plain text.")
                               .arg(toQString(file));
                for (const char* part : {"DDECommandFile", "DDECommandType", "DDECommandElement"})
                    section->setPropertyValue(OUString::createFromAscii(part), Any(OUString()));
            }
        }
    }
}

void flattenLinkedFields(const Reference<css::lang::XComponent>& model, QStringList& removed)
{
    const Reference<css::text::XTextFieldsSupplier> supplier(model, UNO_QUERY);
    if (!supplier.is())
        return;
    const Reference<css::container::XEnumeration> fields =
        supplier->getTextFields()->createEnumeration();
    std::vector<Reference<css::text::XTextField>> linked;
    while (fields->hasMoreElements()) {
        const Reference<css::text::XTextField> field(fields->nextElement(), UNO_QUERY);
        const Reference<css::lang::XServiceInfo> kind(field, UNO_QUERY);
        if (field.is() && kind.is()
            && kind->supportsService(OUString("com.sun.star.text.TextField.DDE")))
            linked.push_back(field);
    }
    for (const Reference<css::text::XTextField>& field : linked) {
        const OUString shown = field->getPresentation(false);
        removed << QStringLiteral(
                       "A field linked to another program (\"%1\") is kept as plain text.")
                       .arg(toQString(shown));
        const Reference<css::text::XTextRange> anchor = field->getAnchor();
        anchor->getText()->insertString(anchor, shown, true);
    }
}

} // namespace

QString detectedType(const Reference<css::uno::XComponentContext>& context, const OUString& url)
{
    const Reference<css::document::XTypeDetection> detection(
        context->getServiceManager()->createInstanceWithContext(
            OUString("com.sun.star.document.TypeDetection"), context),
        UNO_QUERY_THROW);
    css::beans::PropertyValue settings[] = {property("URL", Any(url))};
    css::uno::Sequence<css::beans::PropertyValue> descriptor(settings, std::size(settings));
    return toQString(detection->queryTypeByDescriptor(descriptor, true));
}

bool isWordProcessorType(const QString& type)
{
    static const QSet<QString> wordProcessor = {
        QStringLiteral("writer_MS_Word_97"),
        QStringLiteral("writer_MS_Word_97_Vorlage"),
        QStringLiteral("writer_MS_Word_95"),
        QStringLiteral("writer_MS_Word_95_Vorlage"),
        QStringLiteral("writer_MS_WinWord_60"),
        QStringLiteral("writer_MS_Word_2003_XML"),
        QStringLiteral("writer_MS_Word_2007"),
        QStringLiteral("writer_MS_Word_2007_Template"),
        QStringLiteral("writer_OOXML"),
        QStringLiteral("writer_OOXML_Template"),
        QStringLiteral("writer8"),
        QStringLiteral("writer8_template"),
        QStringLiteral("writer_ODT_FlatXML"),
        QStringLiteral("writer_Rich_Text_Format"),
        QStringLiteral("writer_StarOffice_XML_Writer"),
        QStringLiteral("writer_StarOffice_XML_Writer_Template")};
    return wordProcessor.contains(type);
}

QStringList removeExternalReferences(const Reference<css::lang::XComponent>& model)
{
    QStringList removed;
    removePictures(model, removed);
    unlinkSections(model, removed);
    flattenLinkedFields(model, removed);
    return removed;
}

} // namespace velmora::office::lo
