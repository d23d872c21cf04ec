#include "generation/libreoffice/StoreArguments.h"

namespace velmora::office::lo {

Sequence<css::beans::PropertyValue> wordDocumentArguments()
{
    Sequence<css::beans::PropertyValue> arguments(2);
    arguments.getArray()[0] = property("FilterName", Any(OUString("MS Word 97")));
    arguments.getArray()[1] = property("Overwrite", Any(true));
    return arguments;
}

Sequence<css::beans::PropertyValue> pagePdfArguments()
{
    // The invitation is one page; a template grown by long texts may spill
    // onto a second, which is not part of what was previewed.
    Sequence<css::beans::PropertyValue> filterData(3);
    filterData.getArray()[0] = property("PageRange", Any(OUString("1")));
    // What a recipient's reader cannot substitute must travel with the file.
    filterData.getArray()[1] = property("EmbedStandardFonts", Any(true));
    // A screen reader, a reflowing reader and a copy of the text follow the
    // tags: the words in order, their language, the art apart.
    filterData.getArray()[2] = property("UseTaggedPDF", Any(true));
    Sequence<css::beans::PropertyValue> arguments(2);
    arguments.getArray()[0] = property("FilterName", Any(OUString("writer_pdf_Export")));
    arguments.getArray()[1] = property("FilterData", Any(filterData));
    return arguments;
}

} // namespace velmora::office::lo
