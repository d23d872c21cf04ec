#include "generation/libreoffice/LibreOfficeApplication.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>

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
        Sequence<css::beans::PropertyValue> arguments(3);
        arguments.getArray()[0] = property("Hidden", Any(true));
        arguments.getArray()[1] = property("ReadOnly", Any(readOnly));
        // A template is edited as itself, like any document: the filled copy
        // is written elsewhere by saveAs.
        arguments.getArray()[2] = property("AsTemplate", Any(false));
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

void LibreOfficeApplication::quit()
{
    mInstance->quit();
}

} // namespace velmora::office::lo
