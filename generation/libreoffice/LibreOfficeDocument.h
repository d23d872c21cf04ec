#pragma once

#include "generation/Office.h"
#include "generation/libreoffice/Instance.h"

#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XText.hpp>
#include <optional>

namespace velmora::office::lo {

// The document's one draw page: its drawings and frames.
Reference<css::drawing::XDrawPage> drawPageOf(const Reference<css::lang::XComponent>& model);

// What a loaded document holds, for the check of a template.
TemplateFindings inspectTemplate(const Reference<css::lang::XComponent>& model);

struct Story;
class SearchMemory;

// A shape of the document's drawing layer, and its text if it can hold one.
struct DrawingShape {
    Reference<css::uno::XInterface> shape;
    Reference<css::text::XText> text;
    // Whether it held text when the shapes were listed.
    bool hadText = false;
};

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
    QSizeF spotSize(const QString& token) override;
    void placePicture(const QString& token, const QImage& picture, const QString& altText) override;

    bool isOpen() const { return mModel.is(); }
    // Writes the document back to where it came from.
    void save();

private:
    std::vector<std::shared_ptr<const Story>>
    listStories(const Reference<css::lang::XComponent>& model);
    const std::vector<DrawingShape>& drawingShapes(const Reference<css::lang::XComponent>& model);
    // The text box whose only text is the token; nothing when there is none.
    std::optional<DrawingShape> spotOf(const QString& token);

    std::shared_ptr<Instance> mInstance;
    Reference<css::lang::XComponent> mModel;
    std::vector<std::shared_ptr<const Story>> mStories;
    std::optional<std::vector<DrawingShape>> mDrawingShapes;
    std::shared_ptr<SearchMemory> mSearches;
};

} // namespace velmora::office::lo
