#pragma once

#include "generation/Office.h"
#include "generation/libreoffice/Instance.h"

#include <com/sun/star/lang/XComponent.hpp>

namespace velmora::office::lo {

// What a loaded document holds, for the check of a template.
TemplateFindings inspectTemplate(const Reference<css::lang::XComponent>& model);

class LibreOfficeDocument final : public Document {
public:
    LibreOfficeDocument(std::shared_ptr<Instance> instance, Reference<css::lang::XComponent> model);

    std::vector<Ref<Range>> storyRanges() override;
    std::vector<Ref<Shape>> shapes() override;
    std::vector<Overflow> fitTextToBoxes(double floorPoints) override;
    void saveAs(const QString& path) override;
    void close() override;
    QSizeF pageSize() override;
    QImage pagePicture(const QSize& pixels) override;
    QByteArray pagePdf(const QString& title) override;

    bool isOpen() const { return mModel.is(); }
    // Writes the document back to where it came from.
    void save();

private:
    std::shared_ptr<Instance> mInstance;
    Reference<css::lang::XComponent> mModel;
};

} // namespace velmora::office::lo
