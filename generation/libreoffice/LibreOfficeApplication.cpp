#include "generation/libreoffice/LibreOfficeApplication.h"

#include "generation/libreoffice/ExternalReferences.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>

namespace velmora::office::lo {

LibreOfficeApplication::LibreOfficeApplication(std::shared_ptr<Instance> instance)
    : mInstance(std::move(instance))
{
}

LibreOfficeApplication::~LibreOfficeApplication()
{
    // An instance that was never told to quit still ends with its owner.
    mInstance->kill();
}

Ref<Document> LibreOfficeApplication::open(const QString& path, bool readOnly)
{
    return mInstance->call([&] {
        const Reference<css::frame::XComponentLoader> loader(mInstance->desktop(), UNO_QUERY_THROW);
        Sequence<css::beans::PropertyValue> arguments(5);
        arguments.getArray()[0] = property("Hidden", Any(true));
        arguments.getArray()[1] = property("ReadOnly", Any(readOnly));
        // A template is edited as itself, like any document: the filled copy
        // is written elsewhere by saveAs.
        arguments.getArray()[2] = property("AsTemplate", Any(false));
        // A design the user brought is filled like ours: no macro of its runs
        // (MacroExecMode NEVER_EXECUTE), no link is updated (NO_UPDATE).
        arguments.getArray()[3] = property("MacroExecutionMode", Any(sal_Int16(0)));
        arguments.getArray()[4] = property("UpdateDocMode", Any(sal_Int16(0)));
        const Reference<css::lang::XComponent> model =
            loader->loadComponentFromURL(fileUrl(path), OUString("_blank"), 0, arguments);
        if (!model.is())
            throw Failure(QStringLiteral("LibreOffice could not open %1").arg(path));
        auto document = std::make_shared<LibreOfficeDocument>(mInstance, model);
        mOpened.push_back(document);
        return Ref<Document>(document);
    });
}

void LibreOfficeApplication::setDisplayAlerts(bool)
{
    // A headless office never prompts.
}

void LibreOfficeApplication::closeActiveDocument(bool saveChanges)
{
    while (!mOpened.empty() && !mOpened.back()->isOpen())
        mOpened.pop_back();
    if (mOpened.empty())
        throw Failure(QStringLiteral("This command is not available because no document is open."));
    const std::shared_ptr<LibreOfficeDocument> active = mOpened.back();
    mOpened.pop_back();
    if (saveChanges)
        active->save();
    active->close();
}

namespace {

// The office reads any file it recognises nothing in as plain text.
bool isPlainText(const Reference<css::lang::XComponent>& model)
{
    const Reference<css::frame::XModel> document(model, UNO_QUERY);
    if (!document.is())
        return false;
    for (const css::beans::PropertyValue& argument : document->getArgs())
        if (argument.Name == "FilterName")
            return argument.Value.get<OUString>().startsWith("Text");
    return false;
}

} // namespace

TemplateFindings LibreOfficeApplication::checkTemplate(const QString& path, const QString& copyTo)
{
    return mInstance->call([&] {
        // Only a word-processor document is opened at all: a web page under
        // a document's name would be read by a filter that fetches what it
        // links to.
        const QString type = detectedType(mInstance->context(), fileUrl(path));
        if (!isWordProcessorType(type))
            throw Failure(type.isEmpty() ? QStringLiteral(
                              "the file is damaged, or not a document LibreOffice can read")
                                         : QStringLiteral("it is not a word-processor document"));
        const Reference<css::frame::XComponentLoader> loader(mInstance->desktop(), UNO_QUERY_THROW);
        // A file brought from anywhere: its macros never run (MacroExecMode
        // NEVER_EXECUTE), its links are not updated (UpdateDocMode
        // NO_UPDATE; the profile blocks linked pictures of documents from
        // untrusted places), and it is never written back.
        const css::beans::PropertyValue settings[] = {
            property("Hidden", Any(true)),
            property("ReadOnly", Any(true)),
            property("AsTemplate", Any(false)),
            property("MacroExecutionMode", Any(sal_Int16(0))),
            property("UpdateDocMode", Any(sal_Int16(0))),
            property("Password", Any(OUString()))};
        const Sequence<css::beans::PropertyValue> arguments(settings, std::size(settings));
        const Reference<css::lang::XComponent> model =
            loader->loadComponentFromURL(fileUrl(path), OUString("_blank"), 0, arguments);
        if (!model.is())
            throw Failure(
                QStringLiteral("the file is damaged, or not a document LibreOffice can read"));
        struct Closer {
            Reference<css::lang::XComponent> model;
            ~Closer()
            {
                try {
                    Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
                } catch (...) {
                }
            }
        } closer{model};
        const Reference<css::text::XTextDocument> text(model, UNO_QUERY);
        if (!text.is() || isPlainText(model))
            throw Failure(QStringLiteral("it is not a word-processor document"));
        TemplateFindings findings = inspectTemplate(model);
        // The kept copy points nowhere: every office that opens it later
        // (the gallery, each filling, print and export) would follow a link.
        findings.notKept = removeExternalReferences(model);
        if (!copyTo.isEmpty()) {
            const css::beans::PropertyValue settings[] = {
                property("FilterName", Any(OUString("MS Word 97 Vorlage"))),
                property("Overwrite", Any(true))};
            const Sequence<css::beans::PropertyValue> store(settings, std::size(settings));
            Reference<css::frame::XStorable>(model, UNO_QUERY_THROW)
                ->storeToURL(fileUrl(copyTo), store);
        }
        return findings;
    });
}

void LibreOfficeApplication::quit()
{
    mInstance->quit();
}

void LibreOfficeApplication::abandon()
{
    mInstance->abandon();
}

} // namespace velmora::office::lo
