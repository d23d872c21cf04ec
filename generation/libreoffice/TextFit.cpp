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
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/SizeType.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextFramesSupplier.hpp>

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

// One run of a box's text with its sizes as the template set them.
struct Run {
    Reference<css::beans::XMultiPropertySet> portion;
    std::array<float, 3> sizes;
};

// A text box of fixed height and its runs, once they are needed.
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

    void setSizeType(sal_Int16 type)
    {
        mFrame->setPropertyValue(OUString("SizeType"), Any(type));
    }

    // Sets the text smaller step by step until it fits or everything is at the
    // floor; returns how far it then still reaches below the box.
    sal_Int32 shrink(sal_Int32 excess, double floor)
    {
        collectRuns();
        const int last = lastStep(floor);
        if (last == 0)
            return excess;
        // The text's height goes roughly with the square of its size (lower
        // lines, each holding more), so the first try is the step that
        // estimate points at; the walk from there is a step or two.
        const double estimate =
            std::log(std::sqrt(double(mHeight) / double(mHeight + excess))) / std::log(kStep);
        int step = std::clamp(int(std::lround(estimate)), 1, last);
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

    QString text() const { return toQString(Reference<css::text::XText>(mFrame, UNO_QUERY_THROW)->getString()); }

private:
    void collectRuns()
    {
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
            const Reference<css::container::XEnumeration> portions =
                Reference<css::container::XEnumerationAccess>(paragraph, UNO_QUERY_THROW)
                    ->createEnumeration();
            while (portions->hasMoreElements()) {
                const Reference<css::beans::XPropertySet> portion(portions->nextElement(),
                                                                  UNO_QUERY_THROW);
                if (portion->getPropertyValue(OUString("TextPortionType")).get<OUString>()
                    != "Text")
                    continue;
                Run run{Reference<css::beans::XMultiPropertySet>(portion, UNO_QUERY_THROW), {}};
                const Sequence<Any> sizes = run.portion->getPropertyValues(sizeNames());
                for (std::size_t script = 0; script < run.sizes.size(); ++script)
                    run.sizes[script] = sizes[sal_Int32(script)].get<float>();
                mRuns.push_back(std::move(run));
            }
        }
    }

    // The first step at which every size is at the floor (0 when none is above it).
    int lastStep(double floor) const
    {
        float largest = 0;
        for (const Run& run : mRuns)
            largest = std::max(largest, *std::max_element(run.sizes.begin(), run.sizes.end()));
        if (largest <= floor)
            return 0;
        return int(std::ceil(std::log(floor / largest) / std::log(kStep)));
    }

    void setStep(int step, double floor)
    {
        for (const Run& run : mRuns) {
            Sequence<Any> sizes(sal_Int32(run.sizes.size()));
            for (std::size_t script = 0; script < run.sizes.size(); ++script)
                sizes.getArray()[script] <<= sizeAt(run.sizes[script], step, floor);
            run.portion->setPropertyValues(sizeNames(), sizes);
        }
    }

    sal_Int32 tryStep(int step, double floor)
    {
        setStep(step, floor);
        return excess();
    }

    Reference<css::beans::XPropertySet> mFrame;
    sal_Int32 mHeight;
    std::vector<Run> mRuns;
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
            const sal_Int32 left = boxes[i].shrink(excesses[i], floorPoints);
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
