#pragma once

#include "generation/Office.h"
#include "generation/libreoffice/Instance.h"
#include "generation/libreoffice/LibreOfficeDocument.h"

#include <memory>
#include <vector>

namespace velmora::office::lo {

class LibreOfficeApplication final : public Application {
public:
    explicit LibreOfficeApplication(std::shared_ptr<Instance> instance);
    ~LibreOfficeApplication() override;

    Ref<Document> open(const QString& path, bool readOnly) override;
    void setDisplayAlerts(bool on) override;
    void closeActiveDocument(bool saveChanges) override;
    void quit() override;
    void abandon() override;
    TemplateFindings checkTemplate(const QString& path, const QString& copyTo) override;

private:
    std::shared_ptr<Instance> mInstance;
    // The documents collection: open documents, the active one last.
    std::vector<std::shared_ptr<LibreOfficeDocument>> mOpened;
};

} // namespace velmora::office::lo
