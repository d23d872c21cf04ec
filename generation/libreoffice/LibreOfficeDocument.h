#pragma once

#include "generation/Office.h"
#include "generation/libreoffice/LibreOfficeEngine.h"

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XText.hpp>

namespace velmora::office::lo {

class LibreOfficeApplication;

class LibreOfficeDocument final : public Document {
public:
    LibreOfficeDocument(std::shared_ptr<Instance> instance, Reference<css::lang::XComponent> model);

    std::vector<Ref<Range>> storyRanges() override;
    std::vector<Ref<Shape>> shapes() override;
    void saveAs(const QString& path) override;
    void close() override;
    QImage pagePicture() override;

    bool isOpen() const { return mModel.is(); }
    // Writes the document back to where it came from.
    void save();

private:
    std::shared_ptr<Instance> mInstance;
    Reference<css::lang::XComponent> mModel;
};

class LibreOfficeApplication final : public Application {
public:
    explicit LibreOfficeApplication(std::shared_ptr<Instance> instance);
    ~LibreOfficeApplication() override;

    Ref<Document> open(const QString& path, bool readOnly) override;
    void setDisplayAlerts(bool on) override;
    void closeActiveDocument(bool saveChanges) override;
    void quit() override;

private:
    std::shared_ptr<Instance> mInstance;
    // The documents collection: open documents, the active one last.
    std::vector<std::shared_ptr<LibreOfficeDocument>> mOpened;
};

} // namespace velmora::office::lo
