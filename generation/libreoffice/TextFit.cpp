#include "generation/libreoffice/TextFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/XStyle.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/SizeType.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextFramesSupplier.hpp>
#include <map>

namespace velmora::office::lo {

namespace {

// Each step sets a box's text 5 % smaller than the step before.
constexpr double kStep = 0.95;

// A run's size for each script: Latin, Asian and complex text.
const Sequence<OUString>& sizeNames()
{
    static const OUString list[] = {OUString("CharHeight"), OUString("CharHeightAsian"),
                                    OUString("CharHeightComplex")};
    static const Sequence<OUString> names(list, 3);
    return names;
}

// The size of a run at a step: smaller by kStep a step, to half points, never
// below the floor; a size at or below the floor stays as it is.
float sizeAt(float original, int step, double floor)
{
    if (original <= floor)
        return original;
    const double scaled = std::round(original * std::pow(kStep, step) * 2) / 2;
    return float(std::max(scaled, floor));
}

// What a step sets smaller, with its sizes as they were: a run of a box's
// text, or a paragraph style of the box's own.
struct Sized {
    Reference<css::beans::XMultiPropertySet> object;
    std::array<float, 3> sizes;
};

Sized sized(const Reference<css::uno::XInterface>& object)
{
    Sized result{Reference<css::beans::XMultiPropertySet>(object, UNO_QUERY_THROW), {}};
    const Sequence<Any> sizes = result.object->getPropertyValues(sizeNames());
    for (std::size_t script = 0; script < result.sizes.size(); ++script)
        result.sizes[script] = sizes[sal_Int32(script)].get<float>();
    return result;
}

// A text box of fixed height; what it holds is looked at only when it overflows.
class Box {
public:
    Box(Reference<css::beans::XPropertySet> frame, sal_Int32 height)
        : mFrame(std::move(frame)), mHeight(height)
    {
    }

    // How far the text reaches below the box (1/100 mm; 0 or less when it
    // fits). The box must be growing with its text: then its laid-out
    // height is the text's, and asking for it lays out what changed.
    sal_Int32 excess() const
    {
        return mFrame->getPropertyValue(OUString("LayoutSize")).get<css::awt::Size>().Height
               - mHeight;
    }

    void setSizeType(sal_Int16 type) { mFrame->setPropertyValue(OUString("SizeType"), Any(type)); }

    // Sets the text smaller step by step until it fits or everything is at the
    // floor; returns how far it then still reaches below the box.
    sal_Int32 shrink(const Reference<css::lang::XComponent>& model, sal_Int32 excess, double floor)
    {
        collect(model);
        const int last = lastStep(floor);
        if (last == 0)
            return excess;
        // The text's height goes roughly with the square of its size (lower
        // lines, each holding more), so the first try is the step that
        // estimate points at; the walk from there is a step or two.
        const double estimate =
            mHeight > 0
                ? std::log(std::sqrt(double(mHeight) / double(mHeight + excess))) / std::log(kStep)
                : last;
        int step = std::clamp(int(std::lround(std::min(estimate, double(last)))), 1, last);
        sal_Int32 atStep = tryStep(step, floor);
        if (atStep <= 0) {
            // A larger size may fit as well.
            while (step > 1) {
                const sal_Int32 larger = tryStep(step - 1, floor);
                if (larger > 0) {
                    setStep(step, floor);
                    break;
                }
                atStep = larger;
                --step;
            }
            return atStep;
        }
        while (atStep > 0 && step < last)
            atStep = tryStep(++step, floor);
        return atStep;
    }

    QString text() const
    {
        return toQString(Reference<css::text::XText>(mFrame, UNO_QUERY_THROW)->getString());
    }

private:
    // The runs of the box's paragraphs, and a paragraph style of the box's
    // own for each style they have: a paragraph's mark takes the size of its
    // style (a Word file keeps no other size for it), and Word makes the
    // line that ends a paragraph as tall as its mark. The own style is a
    // child of the paragraph's, equal to it until a step sets its size.
    void collect(const Reference<css::lang::XComponent>& model)
    {
        const Reference<css::container::XNameContainer> styles(
            Reference<css::style::XStyleFamiliesSupplier>(model, UNO_QUERY_THROW)
                ->getStyleFamilies()
                ->getByName(OUString("ParagraphStyles")),
            UNO_QUERY_THROW);
        std::map<OUString, OUString> ownStyles;
        const Reference<css::container::XEnumeration> paragraphs =
            Reference<css::container::XEnumerationAccess>(mFrame, UNO_QUERY_THROW)
                ->createEnumeration();
        while (paragraphs->hasMoreElements()) {
            const Reference<css::lang::XServiceInfo> paragraph(paragraphs->nextElement(),
                                                               UNO_QUERY);
            // A table in a box keeps its size.
            if (!paragraph.is()
                || !paragraph->supportsService(OUString("com.sun.star.text.Paragraph")))
                continue;
            const Reference<css::beans::XPropertySet> properties(paragraph, UNO_QUERY_THROW);
            const OUString style =
                properties->getPropertyValue(OUString("ParaStyleName")).get<OUString>();
            auto own = ownStyles.find(style);
            if (own == ownStyles.end())
                own = ownStyles.emplace(style, ownStyle(model, styles, style)).first;
            properties->setPropertyValue(OUString("ParaStyleName"), Any(own->second));

            const Reference<css::container::XEnumeration> portions =
                Reference<css::container::XEnumerationAccess>(paragraph, UNO_QUERY_THROW)
                    ->createEnumeration();
            while (portions->hasMoreElements()) {
                const Reference<css::beans::XPropertySet> portion(portions->nextElement(),
                                                                  UNO_QUERY_THROW);
                if (portion->getPropertyValue(OUString("TextPortionType")).get<OUString>()
                    == "Text")
                    mSized.push_back(sized(portion));
            }
        }
    }

    // A new child of the style, named after it, sized as it is.
    OUString ownStyle(const Reference<css::lang::XComponent>& model,
                      const Reference<css::container::XNameContainer>& styles,
                      const OUString& parent)
    {
        OUString name = parent + " (fitted)";
        for (int n = 2; styles->hasByName(name); ++n)
            name = parent + " (fitted " + OUString::number(n) + ")";
        const Reference<css::style::XStyle> style(
            Reference<css::lang::XMultiServiceFactory>(model, UNO_QUERY_THROW)
                ->createInstance(OUString("com.sun.star.style.ParagraphStyle")),
            UNO_QUERY_THROW);
        styles->insertByName(name, Any(style));
        style->setParentStyle(parent);
        Sized own = sized(style);
        own.sizes = sized(styles->getByName(parent).get<Reference<css::uno::XInterface>>()).sizes;
        mSized.push_back(std::move(own));
        return name;
    }

    // The first step at which every size is at the floor (0 when none is above it).
    int lastStep(double floor) const
    {
        float largest = 0;
        for (const Sized& item : mSized)
            largest = std::max(largest, *std::max_element(item.sizes.begin(), item.sizes.end()));
        if (largest <= floor)
            return 0;
        return int(std::ceil(std::log(floor / largest) / std::log(kStep)));
    }

    void setStep(int step, double floor)
    {
        for (const Sized& item : mSized) {
            Sequence<Any> sizes(sal_Int32(item.sizes.size()));
            for (std::size_t script = 0; script < item.sizes.size(); ++script)
                sizes.getArray()[script] <<= sizeAt(item.sizes[script], step, floor);
            item.object->setPropertyValues(sizeNames(), sizes);
        }
    }

    sal_Int32 tryStep(int step, double floor)
    {
        setStep(step, floor);
        return excess();
    }

    Reference<css::beans::XPropertySet> mFrame;
    sal_Int32 mHeight;
    std::vector<Sized> mSized;
};

double mm100ToPoints(sal_Int32 value)
{
    return value * 72.0 / 2540.0;
}

} // namespace

std::vector<Overflow> fitTextToBoxes(const Reference<css::lang::XComponent>& model,
                                     double floorPoints)
{
    const Reference<css::container::XIndexAccess> frames(
        Reference<css::text::XTextFramesSupplier>(model, UNO_QUERY_THROW)->getTextFrames(),
        UNO_QUERY_THROW);
    std::vector<Box> boxes;
    for (sal_Int32 i = 0; i < frames->getCount(); ++i) {
        const Reference<css::beans::XPropertySet> frame(frames->getByIndex(i), UNO_QUERY_THROW);
        // A frame that grows with its text always holds it.
        if (frame->getPropertyValue(OUString("SizeType")).get<sal_Int16>()
            != css::text::SizeType::FIX)
            continue;
        boxes.emplace_back(frame, frame->getPropertyValue(OUString("Height")).get<sal_Int32>());
    }

    // While they are measured, the boxes grow with their text; one layout
    // then gives every box's height. Back at their fixed heights they show
    // the page as it was.
    const auto fixAll = [&] {
        for (Box& box : boxes)
            box.setSizeType(css::text::SizeType::FIX);
    };
    std::vector<Overflow> overflows;
    try {
        for (Box& box : boxes)
            box.setSizeType(css::text::SizeType::MIN);
        std::vector<sal_Int32> excesses;
        for (const Box& box : boxes)
            excesses.push_back(box.excess());
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (excesses[i] <= 0)
                continue;
            const sal_Int32 left = boxes[i].shrink(model, excesses[i], floorPoints);
            if (left > 0)
                overflows.push_back({boxes[i].text(), mm100ToPoints(left)});
        }
    } catch (...) {
        try {
            fixAll();
        } catch (...) {
            // The first failure is the one to tell.
        }
        throw;
    }
    fixAll();
    return overflows;
}

} // namespace velmora::office::lo
