#include "generation/libreoffice/LibreOfficeDocument.h"
#include "generation/libreoffice/PagePicture.h"
#include "generation/libreoffice/PdfTagging.h"

#include "generation/libreoffice/StoreArguments.h"
#include "generation/libreoffice/TextFit.h"
#include "platform/BitmapFile.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QImageWriter>
#include <QRegularExpression>
#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphicProvider.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/XEndnotesSupplier.hpp>
#include <com/sun/star/text/XFootnotesSupplier.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextFramesSupplier.hpp>
#include <com/sun/star/text/XTextRangeCompare.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XSearchDescriptor.hpp>
#include <com/sun/star/util/XSearchable.hpp>
#include <map>
#include <set>

namespace velmora::office::lo {

namespace {

const Reference<css::lang::XComponent>& openModel(const Reference<css::lang::XComponent>& model)
{
    if (!model.is())
        throw Failure(QStringLiteral("The document is closed"));
    return model;
}

// Moves a cursor by any number of characters (goRight takes a 16-bit count).
void moveRight(const Reference<css::text::XTextCursor>& cursor, qsizetype count, bool expand)
{
    while (count > 0) {
        const auto step = std::min<qsizetype>(count, 0x7fff);
        cursor->goRight(sal_Int16(step), expand);
        count -= step;
    }
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Start positions of the non-overlapping literal occurrences, left to right.
std::vector<qsizetype> occurrences(const QString& text, const Find& find)
{
    std::vector<qsizetype> found;
    if (find.text.isEmpty())
        return found;
    const Qt::CaseSensitivity sensitivity =
        find.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(find.text, from, sensitivity);
        if (at < 0)
            return found;
        const qsizetype end = at + find.text.size();
        const bool wholeWord = (at == 0 || !isWordCharacter(text[at - 1]))
                               && (end == text.size() || !isWordCharacter(text[end]));
        if (!find.matchWholeWord || wholeWord) {
            found.push_back(at);
            from = end;
        } else {
            from = at + 1;
        }
    }
}

// Replaces the text of a range so that the new text takes the formatting of the
// first character it replaces, as a word processor's replace does: setString
// would give it the formatting of the text before the range, and a token's
// label is often formatted otherwise. The token is cut down to its first
// character, the replacement goes in after that character (inserted text takes
// the attributes of the character before it), then the character goes.
void replaceKeepingFormatting(const Reference<css::text::XText>& text,
                              const Reference<css::text::XTextRange>& hit,
                              const OUString& replacement)
{
    if (replacement.isEmpty()) {
        hit->setString(OUString());
        return;
    }
    const Reference<css::text::XTextRange> start = hit->getStart();
    const Reference<css::text::XTextCursor> rest = text->createTextCursorByRange(start);
    rest->goRight(1, false);
    rest->gotoRange(hit->getEnd(), true);
    rest->setString(OUString());

    const Reference<css::text::XTextCursor> after = text->createTextCursorByRange(start);
    after->goRight(1, false);
    text->insertString(Reference<css::text::XTextRange>(after.get()), replacement, false);

    const Reference<css::text::XTextCursor> first = text->createTextCursorByRange(start);
    first->goRight(1, true);
    first->setString(OUString());
}

// Text without a search interface of its own (the text of drawing shapes):
// occurrences are located on its string and replaced right to left, so that
// earlier positions stay valid.
void replaceThroughCursor(const Reference<css::text::XText>& text, const Find& find, int replace)
{
    std::vector<qsizetype> found = occurrences(toQString(text->getString()), find);
    if (found.empty() || replace == 0)
        return;
    if (replace != kReplaceAll)
        found.resize(1);
    const OUString replacement = toOUString(find.replacementText);
    const Reference<css::text::XTextCursor> cursor = text->createTextCursor();
    for (auto at = found.rbegin(); at != found.rend(); ++at) {
        cursor->gotoStart(false);
        moveRight(cursor, *at, false);
        moveRight(cursor, find.text.size(), true);
        replaceKeepingFormatting(text, Reference<css::text::XTextRange>(cursor.get()), replacement);
    }
}

// What a text is, from one question to the office: the services it offers.
struct TextServices {
    explicit TextServices(const Reference<css::text::XText>& text)
    {
        const Reference<css::lang::XServiceInfo> info(text, UNO_QUERY);
        if (info.is())
            names = info->getSupportedServiceNames();
    }
    bool has(const char* name) const
    {
        const OUString wanted = OUString::createFromAscii(name);
        return std::find(names.begin(), names.end(), wanted) != names.end();
    }
    Sequence<OUString> names;
};

// Writer's own texts (body, headers, frames) are searched by the document;
// the texts of drawing shapes are edit-engine texts it cannot search.
bool isWriterText(const TextServices& services)
{
    return (services.has("com.sun.star.text.Text") || services.has("com.sun.star.text.TextFrame"))
           && !services.has("com.sun.star.drawing.Text");
}

bool isWriterText(const Reference<css::text::XText>& text)
{
    return isWriterText(TextServices(text));
}

enum class StoryKind { Text, Footnotes, Endnotes };

StoryKind kindOf(const TextServices& services)
{
    // An endnote offers the footnote service as well.
    if (services.has("com.sun.star.text.Endnote"))
        return StoryKind::Endnotes;
    if (services.has("com.sun.star.text.Footnote"))
        return StoryKind::Footnotes;
    return StoryKind::Text;
}

StoryKind kindOf(const Reference<css::text::XText>& text)
{
    return kindOf(TextServices(text));
}

} // namespace

// One story as the search sees it, worked out once: the searches of a filling
// ask for the same stories for every element, and each question is a round
// trip to the office.
struct Story {
    explicit Story(std::vector<Reference<css::text::XText>> storyTexts)
        : texts(std::move(storyTexts))
    {
        const TextServices services(texts.front());
        kind = kindOf(services);
        writer = isWriterText(services);
        for (const auto& text : texts)
            identities.emplace_back(text, UNO_QUERY);
    }

    // Whether the range lies in one of the story's texts or in a table of it
    // (nested tables too): a text compares only ranges of its own, tables
    // included, and refuses others.
    bool holds(const Reference<css::text::XTextRange>& range) const
    {
        for (const auto& text : texts) {
            const Reference<css::text::XTextRangeCompare> compare(text, UNO_QUERY);
            if (!compare.is())
                continue;
            try {
                compare->compareRegionStarts(range, range);
                return true;
            } catch (const css::lang::IllegalArgumentException&) {
            }
        }
        return false;
    }

    std::vector<Reference<css::text::XText>> texts;
    StoryKind kind = StoryKind::Text;
    // Searched by the document (else through a cursor on its string).
    bool writer = false;
    // The story's own texts, as objects to compare with.
    std::vector<Reference<css::uno::XInterface>> identities;
};

// What the document's search last found, story by story. A filling searches
// every story for one text in turn; the document's search covers them all at
// once, so one search serves every story until something else changes the
// document. Replacing in one story leaves the others' hits as they were.
class SearchMemory {
public:
    // The document changed other than by replacing what was found.
    void changed() { mKnown = false; }

    void setStories(std::vector<std::shared_ptr<const Story>> stories)
    {
        mStories = std::move(stories);
        mKnown = false;
    }

    std::vector<Reference<css::text::XTextRange>>
    hitsIn(const Story& story, const Reference<css::lang::XComponent>& model, const Find& find)
    {
        const Key key{find.text, find.matchCase, find.matchWholeWord};
        if (!mKnown || !(key == mKey) || mReplacedIn.count(&story))
            search(model, key);
        const auto hits = mHits.find(&story);
        return hits == mHits.end() ? std::vector<Reference<css::text::XTextRange>>{} : hits->second;
    }

    // The story's hits were replaced: a new search of it finds what is there now.
    void replacedIn(const Story& story) { mReplacedIn.insert(&story); }

private:
    struct Key {
        QString text;
        bool matchCase = false;
        bool matchWholeWord = false;
        bool operator==(const Key&) const = default;
    };

    void search(const Reference<css::lang::XComponent>& model, const Key& key)
    {
        const Reference<css::util::XSearchable> searchable(model, UNO_QUERY_THROW);
        const Reference<css::util::XSearchDescriptor> descriptor =
            searchable->createSearchDescriptor();
        descriptor->setSearchString(toOUString(key.text));
        const Reference<css::beans::XPropertySet> options(descriptor, UNO_QUERY_THROW);
        // A new descriptor searches literally, in any case, not for whole
        // words only, without similarity or styles: only what differs is set.
        if (key.matchCase)
            options->setPropertyValue(OUString("SearchCaseSensitive"), Any(true));
        if (key.matchWholeWord)
            options->setPropertyValue(OUString("SearchWords"), Any(true));
        mHits.clear();
        mReplacedIn.clear();
        mKnown = false;
        const Reference<css::container::XIndexAccess> hits = searchable->findAll(descriptor);
        const sal_Int32 count = hits.is() ? hits->getCount() : 0;
        for (sal_Int32 i = 0; i < count; ++i) {
            const Reference<css::text::XTextRange> hit(hits->getByIndex(i), UNO_QUERY);
            if (!hit.is())
                continue;
            if (const Story* story = storyOf(hit))
                mHits[story].push_back(hit);
        }
        mKey = key;
        mKnown = true;
    }

    const Story* storyOf(const Reference<css::text::XTextRange>& hit) const
    {
        const Reference<css::text::XText> where = hit->getText();
        const Reference<css::uno::XInterface> identity(where, UNO_QUERY);
        for (const auto& story : mStories)
            if (story->writer && story->kind == StoryKind::Text
                && std::find(story->identities.begin(), story->identities.end(), identity)
                       != story->identities.end())
                return story.get();
        // A note is not the same object each time it is looked up: notes are
        // told by their kind.
        const StoryKind kind = kindOf(where);
        for (const auto& story : mStories)
            if (story->writer && kind != StoryKind::Text && story->kind == kind)
                return story.get();
        // A table's cell: the story whose text holds the table.
        for (const auto& story : mStories)
            if (story->writer && story->holds(hit))
                return story.get();
        return nullptr;
    }

    std::vector<std::shared_ptr<const Story>> mStories;
    bool mKnown = false;
    Key mKey;
    std::map<const Story*, std::vector<Reference<css::text::XTextRange>>> mHits;
    std::set<const Story*> mReplacedIn;
};

namespace {

class LibreOfficeRange final : public Range {
public:
    LibreOfficeRange(std::shared_ptr<Instance> instance, Reference<css::lang::XComponent> model,
                     std::shared_ptr<const Story> story, std::shared_ptr<SearchMemory> searches)
        : mInstance(std::move(instance)), mModel(std::move(model)), mStory(std::move(story)),
          mSearches(std::move(searches))
    {
    }

    // Formatting is never part of a search or a replacement here.
    void clearFindFormatting() override { mFind.format = false; }
    void clearReplacementFormatting() override {}
    Find& find() override { return mFind; }

    void execute(int replace) override
    {
        mInstance->call([&] {
            if (mStory->writer) {
                replaceInWriterStory(replace);
            } else {
                mSearches->changed();
                replaceThroughCursor(mStory->texts.front(), mFind, replace);
            }
        });
    }

private:
    // The document's search covers every Writer story at once; only the hits
    // in this story are replaced, so that a range replaces inside itself alone.
    void replaceInWriterStory(int replace)
    {
        if (mFind.text.isEmpty() || replace == 0)
            return;
        std::vector<Reference<css::text::XTextRange>> mine =
            mSearches->hitsIn(*mStory, mModel, mFind);
        if (mine.empty())
            return;
        if (replace != kReplaceAll)
            mine.resize(1);
        mSearches->replacedIn(*mStory);
        const OUString replacement = toOUString(mFind.replacementText);
        for (auto hit = mine.rbegin(); hit != mine.rend(); ++hit)
            replaceKeepingFormatting((*hit)->getText(), *hit, replacement);
    }

    std::shared_ptr<Instance> mInstance;
    Reference<css::lang::XComponent> mModel;
    std::shared_ptr<const Story> mStory;
    std::shared_ptr<SearchMemory> mSearches;
    Find mFind;
};

class LibreOfficeShape final : public Shape {
public:
    LibreOfficeShape(std::shared_ptr<Instance> instance, DrawingShape shape,
                     std::shared_ptr<SearchMemory> searches)
        : mInstance(std::move(instance)), mShape(std::move(shape)), mSearches(std::move(searches))
    {
    }

    bool hasText() override
    {
        // Replacing never puts text into a shape that had none.
        if (!mShape.hadText)
            return false;
        return mInstance->call([&] { return !mShape.text->getString().isEmpty(); });
    }

    QString text() override
    {
        if (!mShape.text.is())
            return {};
        return mInstance->call([&] { return toQString(mShape.text->getString()); });
    }

    // The engine's current search settings are: case ignored, whole words
    // not required, no wildcards.
    void replaceText(const QString& findText, const QString& replacementText, int replace) override
    {
        mInstance->call([&] {
            if (!mShape.text.is())
                throw Failure(QStringLiteral("The shape holds no text"));
            mSearches->changed();
            Find find;
            find.text = findText;
            find.replacementText = replacementText;
            replaceThroughCursor(mShape.text, find, replace);
        });
    }

private:
    std::shared_ptr<Instance> mInstance;
    DrawingShape mShape;
    std::shared_ptr<SearchMemory> mSearches;
};

} // namespace

// Writer has one draw page; the interface that reaches it is marked deprecated
// in favour of one Writer does not offer.
Reference<css::drawing::XDrawPage> drawPageOf(const Reference<css::lang::XComponent>& model)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return Reference<css::drawing::XDrawPageSupplier>(model, UNO_QUERY_THROW)->getDrawPage();
#pragma GCC diagnostic pop
}

namespace {

// A document saved under a new name is a new document, created and saved now;
// the template it came from would otherwise lend it the time of its own build.
void stampTimeOfSaving(const Reference<css::lang::XComponent>& model)
{
    const QDateTime now = QDateTime::currentDateTime();
    css::util::DateTime stamp;
    stamp.Year = sal_Int16(now.date().year());
    stamp.Month = sal_uInt16(now.date().month());
    stamp.Day = sal_uInt16(now.date().day());
    stamp.Hours = sal_uInt16(now.time().hour());
    stamp.Minutes = sal_uInt16(now.time().minute());
    stamp.Seconds = sal_uInt16(now.time().second());
    stamp.NanoSeconds = sal_uInt32(now.time().msec()) * 1000000;
    stamp.IsUTC = false;
    const Reference<css::document::XDocumentProperties> properties =
        Reference<css::document::XDocumentPropertiesSupplier>(model, UNO_QUERY_THROW)
            ->getDocumentProperties();
    properties->setCreationDate(stamp);
    properties->setModificationDate(stamp);
}

double mm100ToTwips(sal_Int32 value)
{
    return value * 1440.0 / 2540.0;
}

const QString kBracketedWord = QStringLiteral("\\[[A-Za-z ]+\\]");

// The text after a word, up to the end of its paragraph.
QString followingInParagraph(const QString& rest)
{
    const qsizetype end = rest.indexOf(QRegularExpression(QStringLiteral("[\\n\\r\\x{2029}]")));
    return end < 0 ? rest : rest.left(end);
}

Place placeOf(const Reference<css::text::XText>& text)
{
    const Reference<css::lang::XServiceInfo> info(text, UNO_QUERY);
    if (!info.is())
        return Place::MainText;
    const QString implementation = toQString(info->getImplementationName());
    if (info->supportsService(OUString("com.sun.star.table.Cell"))
        || implementation == QStringLiteral("SwXCell"))
        return Place::Table;
    if (info->supportsService(OUString("com.sun.star.text.TextFrame")))
        return Place::TextBox;
    if (implementation.contains(QStringLiteral("HeadFoot")))
        return Place::HeaderFooter;
    if (info->supportsService(OUString("com.sun.star.text.Footnote")))
        return Place::Note;
    return Place::MainText;
}

bool isTextBoxOfFrame(const Reference<css::uno::XInterface>& shape)
{
    // A shape with a text box (from .docx) keeps its text in a Writer frame,
    // which the document's search has already met.
    const Reference<css::beans::XPropertySet> properties(shape, UNO_QUERY);
    if (!properties.is())
        return false;
    try {
        return properties->getPropertyValue(OUString("TextBox")).get<bool>();
    } catch (const css::uno::Exception&) {
        return false;
    }
}

int pageCount(const Reference<css::lang::XComponent>& model)
{
    const Reference<css::frame::XModel> document(model, UNO_QUERY);
    const Reference<css::frame::XController> controller =
        document.is() ? document->getCurrentController() : Reference<css::frame::XController>();
    const Reference<css::text::XTextViewCursorSupplier> supplier(controller, UNO_QUERY);
    if (!supplier.is())
        return 1;
    const Reference<css::text::XPageCursor> cursor(supplier->getViewCursor(), UNO_QUERY);
    if (!cursor.is())
        return 1;
    cursor->jumpToLastPage();
    return std::max(1, int(cursor->getPage()));
}

} // namespace

TemplateFindings inspectTemplate(const Reference<css::lang::XComponent>& model)
{
    TemplateFindings findings;
    const Reference<css::util::XSearchable> searchable(model, UNO_QUERY_THROW);
    const Reference<css::util::XSearchDescriptor> descriptor = searchable->createSearchDescriptor();
    descriptor->setSearchString(toOUString(kBracketedWord));
    const Reference<css::beans::XPropertySet> options(descriptor, UNO_QUERY_THROW);
    options->setPropertyValue(OUString("SearchRegularExpression"), Any(true));
    options->setPropertyValue(OUString("SearchCaseSensitive"), Any(true));
    const Reference<css::container::XIndexAccess> hits = searchable->findAll(descriptor);
    for (sal_Int32 i = 0; hits.is() && i < hits->getCount(); ++i) {
        const Reference<css::text::XTextRange> hit(hits->getByIndex(i), UNO_QUERY);
        if (!hit.is())
            continue;
        const Reference<css::text::XText> text = hit->getText();
        const Reference<css::text::XTextCursor> after =
            text->createTextCursorByRange(hit->getEnd());
        after->goRight(60, true);
        findings.words.push_back({toQString(hit->getString()), placeOf(text),
                                  followingInParagraph(toQString(after->getString()))});
    }

    // Drawing shapes with text are not searched by the document; their text
    // is filled all the same, so it is read here.
    const Reference<css::drawing::XDrawPage> page = drawPageOf(model);
    const QRegularExpression bracketed(kBracketedWord);
    for (sal_Int32 i = 0; i < page->getCount(); ++i) {
        const Reference<css::uno::XInterface> shape(page->getByIndex(i), UNO_QUERY);
        const Reference<css::text::XText> text(shape, UNO_QUERY);
        if (!text.is() || isWriterText(text) || isTextBoxOfFrame(shape))
            continue;
        const QString string = toQString(text->getString());
        findings.hasText = findings.hasText || !string.trimmed().isEmpty();
        auto matches = bracketed.globalMatch(string);
        while (matches.hasNext()) {
            const QRegularExpressionMatch match = matches.next();
            findings.words.push_back({match.captured(), Place::TextBox,
                                      followingInParagraph(string.mid(match.capturedEnd()))});
        }
    }
    findings.hasText = findings.hasText || !findings.words.empty() || page->getCount() > 0
                       || !Reference<css::text::XTextDocument>(model, UNO_QUERY_THROW)
                               ->getText()
                               ->getString()
                               .trim()
                               .isEmpty();
    findings.pages = pageCount(model);
    return findings;
}

LibreOfficeDocument::LibreOfficeDocument(std::shared_ptr<Instance> instance,
                                         Reference<css::lang::XComponent> model)
    : mInstance(std::move(instance)), mModel(std::move(model)),
      mSearches(std::make_shared<SearchMemory>())
{
}

std::vector<Ref<Range>> LibreOfficeDocument::storyRanges()
{
    return mInstance->call([&] {
        const Reference<css::lang::XComponent>& model = openModel(mModel);
        // Filling changes the stories' text, never which stories there are.
        if (mStories.empty()) {
            mStories = listStories(model);
            mSearches->setStories(mStories);
        }
        std::vector<Ref<Range>> ranges;
        for (const auto& story : mStories)
            ranges.emplace_back(
                std::make_shared<LibreOfficeRange>(mInstance, model, story, mSearches));
        return ranges;
    });
}

std::vector<std::shared_ptr<const Story>>
LibreOfficeDocument::listStories(const Reference<css::lang::XComponent>& model)
{
    std::vector<Reference<css::text::XText>> stories;
    const auto add = [&](const Reference<css::text::XText>& text) {
        if (!text.is())
            return;
        const Reference<css::uno::XInterface> identity(text, UNO_QUERY);
        for (const auto& known : stories)
            if (Reference<css::uno::XInterface>(known, UNO_QUERY) == identity)
                return;
        stories.push_back(text);
    };

    add(Reference<css::text::XTextDocument>(model, UNO_QUERY_THROW)->getText());

    const Reference<css::container::XIndexAccess> pageStyles(
        Reference<css::style::XStyleFamiliesSupplier>(model, UNO_QUERY_THROW)
            ->getStyleFamilies()
            ->getByName(OUString("PageStyles")),
        UNO_QUERY_THROW);
    // Both switches of a style in one question (the names in alphabetical
    // order, as the interface asks): most styles have neither on.
    Sequence<OUString> switches(2);
    switches.getArray()[0] = OUString("FooterIsOn");
    switches.getArray()[1] = OUString("HeaderIsOn");
    const sal_Int32 styleCount = pageStyles->getCount();
    for (sal_Int32 i = 0; i < styleCount; ++i) {
        const Reference<css::beans::XMultiPropertySet> styleSwitches(pageStyles->getByIndex(i),
                                                                     UNO_QUERY_THROW);
        const Sequence<Any> on = styleSwitches->getPropertyValues(switches);
        if (!on[0].get<bool>() && !on[1].get<bool>())
            continue;
        const Reference<css::beans::XPropertySet> style(styleSwitches, UNO_QUERY_THROW);
        for (const char* part : {"Header", "Footer"}) {
            const QString name = QString::fromLatin1(part);
            if (!on[name == QLatin1String("Header") ? 1 : 0].get<bool>())
                continue;
            add(Reference<css::text::XText>(
                style->getPropertyValue(toOUString(name + QStringLiteral("Text"))), UNO_QUERY));
            if (!style->getPropertyValue(toOUString(name + QStringLiteral("IsShared"))).get<bool>())
                add(Reference<css::text::XText>(
                    style->getPropertyValue(toOUString(name + QStringLiteral("TextLeft"))),
                    UNO_QUERY));
            if (!style->getPropertyValue(OUString("FirstIsShared")).get<bool>())
                add(Reference<css::text::XText>(
                    style->getPropertyValue(toOUString(name + QStringLiteral("TextFirst"))),
                    UNO_QUERY));
        }
    }

    const Reference<css::container::XIndexAccess> frames(
        Reference<css::text::XTextFramesSupplier>(model, UNO_QUERY_THROW)->getTextFrames(),
        UNO_QUERY_THROW);
    const sal_Int32 frameCount = frames->getCount();
    for (sal_Int32 i = 0; i < frameCount; ++i)
        add(Reference<css::text::XText>(frames->getByIndex(i), UNO_QUERY));

    // Text boxes that are drawing shapes: their text is a story as well.
    for (const DrawingShape& shape : drawingShapes(model))
        if (shape.hadText)
            add(shape.text);

    std::vector<std::shared_ptr<const Story>> result;
    for (const auto& story : stories)
        result.push_back(std::make_shared<Story>(std::vector<Reference<css::text::XText>>{story}));

    // The notes: one story for all the footnotes, one for all the endnotes.
    for (const Reference<css::container::XIndexAccess>& notes :
         {Reference<css::text::XFootnotesSupplier>(model, UNO_QUERY_THROW)->getFootnotes(),
          Reference<css::text::XEndnotesSupplier>(model, UNO_QUERY_THROW)->getEndnotes()}) {
        std::vector<Reference<css::text::XText>> texts;
        for (sal_Int32 i = 0; i < notes->getCount(); ++i)
            texts.emplace_back(notes->getByIndex(i), UNO_QUERY_THROW);
        if (!texts.empty())
            result.push_back(std::make_shared<Story>(std::move(texts)));
    }
    return result;
}

std::vector<Ref<Shape>> LibreOfficeDocument::shapes()
{
    return mInstance->call([&] {
        std::vector<Ref<Shape>> result;
        for (const DrawingShape& shape : drawingShapes(openModel(mModel)))
            result.emplace_back(std::make_shared<LibreOfficeShape>(mInstance, shape, mSearches));
        return result;
    });
}

// Listed once, like the stories: filling adds and removes no shape.
const std::vector<DrawingShape>&
LibreOfficeDocument::drawingShapes(const Reference<css::lang::XComponent>& model)
{
    if (!mDrawingShapes) {
        const Reference<css::drawing::XDrawPage> page = drawPageOf(model);
        std::vector<DrawingShape> shapes;
        const sal_Int32 count = page->getCount();
        for (sal_Int32 i = 0; i < count; ++i) {
            DrawingShape shape;
            shape.shape.set(page->getByIndex(i), UNO_QUERY);
            shape.text.set(shape.shape, UNO_QUERY);
            shape.hadText = shape.text.is() && !shape.text->getString().isEmpty();
            shapes.push_back(std::move(shape));
        }
        mDrawingShapes = std::move(shapes);
    }
    return *mDrawingShapes;
}

std::vector<Overflow> LibreOfficeDocument::fitTextToBoxes(double floorPoints)
{
    return mInstance->call([&] {
        mSearches->changed();
        return lo::fitTextToBoxes(openModel(mModel), floorPoints);
    });
}

void LibreOfficeDocument::saveAs(const QString& path)
{
    mInstance->call([&] {
        const Reference<css::frame::XStorable> storable(openModel(mModel), UNO_QUERY_THROW);
        stampTimeOfSaving(mModel);
        storable->storeAsURL(fileUrl(path), wordDocumentArguments());
    });
}

void LibreOfficeDocument::save()
{
    mInstance->call(
        [&] { Reference<css::frame::XStorable>(openModel(mModel), UNO_QUERY_THROW)->store(); });
}

void LibreOfficeDocument::close()
{
    mInstance->call([&] {
        const Reference<css::util::XCloseable> closeable(openModel(mModel), UNO_QUERY_THROW);
        mModel.clear();
        closeable->close(true);
    });
}

QSizeF LibreOfficeDocument::pageSize()
{
    return mInstance->call([&] {
        const Reference<css::lang::XComponent>& model = openModel(mModel);
        const Reference<css::beans::XPropertySet> start(
            Reference<css::text::XTextDocument>(model, UNO_QUERY_THROW)->getText()->getStart(),
            UNO_QUERY_THROW);
        const OUString styleName =
            start->getPropertyValue(OUString("PageStyleName")).get<OUString>();
        const Reference<css::beans::XPropertySet> style(
            Reference<css::container::XNameAccess>(
                Reference<css::style::XStyleFamiliesSupplier>(model, UNO_QUERY_THROW)
                    ->getStyleFamilies()
                    ->getByName(OUString("PageStyles")),
                UNO_QUERY_THROW)
                ->getByName(styleName),
            UNO_QUERY_THROW);
        return QSizeF(mm100ToTwips(style->getPropertyValue(OUString("Width")).get<sal_Int32>()),
                      mm100ToTwips(style->getPropertyValue(OUString("Height")).get<sal_Int32>()));
    });
}

QImage LibreOfficeDocument::pagePicture(const QSize& pixels)
{
    // Written in the instance's own folder: an office ended half-way leaves
    // nothing behind.
    const QString file = mInstance->scratchFolder() + QStringLiteral("/page.bmp");
    const bool written = mInstance->call([&] {
        return renderPagePicture(mInstance->context(), openModel(mModel), pixels, fileUrl(file));
    });
    // Mapped, not read: the rows are converted straight from the file's pages.
    // (An empty file maps to nothing, and is no picture either.)
    QFile bitmapFile(file);
    QImage picture;
    const uchar* mapped = written && bitmapFile.open(QIODevice::ReadOnly)
                              ? bitmapFile.map(0, bitmapFile.size())
                              : nullptr;
    if (mapped) {
        picture = bitmap::readBitmap(QByteArray::fromRawData(reinterpret_cast<const char*>(mapped),
                                                             qsizetype(bitmapFile.size())));
        bitmapFile.unmap(const_cast<uchar*>(mapped));
    }
    bitmapFile.close();
    QFile::remove(file);
    if (picture.isNull() || pixels.isEmpty())
        throw Failure(QStringLiteral("LibreOffice did not render the page"));
    return picture;
}

QByteArray LibreOfficeDocument::pagePdf(const QString& title)
{
    // Written in the instance's own folder, never beside the user's file: an
    // office ended half-way leaves nothing there.
    const QString file = mInstance->scratchFolder() + QStringLiteral("/page.pdf");
    mInstance->call([&] {
        const Reference<css::lang::XComponent>& model = openModel(mModel);
        // The PDF's title is the document's; the file is not stored again.
        Reference<css::document::XDocumentPropertiesSupplier>(model, UNO_QUERY_THROW)
            ->getDocumentProperties()
            ->setTitle(toOUString(title));
        prepareTaggedPdf(model, QLocale::system());
        Reference<css::frame::XStorable>(model, UNO_QUERY_THROW)
            ->storeToURL(fileUrl(file), pagePdfArguments());
    });
    QFile written(file);
    QByteArray bytes;
    if (written.open(QIODevice::ReadOnly))
        bytes = written.readAll();
    written.close();
    QFile::remove(file);
    if (!bytes.startsWith("%PDF"))
        throw Failure(QStringLiteral("LibreOffice did not write the PDF"));
    return bytes;
}

std::optional<DrawingShape> LibreOfficeDocument::spotOf(const QString& token)
{
    for (const DrawingShape& shape : drawingShapes(openModel(mModel)))
        if (shape.text.is()
            && toQString(shape.text->getString()).trimmed().compare(token, Qt::CaseInsensitive)
                   == 0)
            return shape;
    return std::nullopt;
}

QSizeF LibreOfficeDocument::spotSize(const QString& token)
{
    return mInstance->call([&] {
        const std::optional<DrawingShape> spot = spotOf(token);
        if (!spot)
            return QSizeF();
        const css::awt::Size size =
            Reference<css::drawing::XShape>(spot->shape, UNO_QUERY_THROW)->getSize();
        return QSizeF(mm100ToTwips(size.Width), mm100ToTwips(size.Height));
    });
}

void LibreOfficeDocument::placePicture(const QString& token, const QImage& picture,
                                       const QString& altText)
{
    // PNG keeps a frame's transparency, and its bytes go into the document
    // itself: the graphic is made from them, never from a file's address.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !QImageWriter(&buffer, "png").write(picture))
        throw Failure(QStringLiteral("The picture could not be encoded"));

    mInstance->call([&] {
        const Reference<css::lang::XComponent>& model = openModel(mModel);
        const std::optional<DrawingShape> spot = spotOf(token);
        if (!spot)
            throw Failure(
                QStringLiteral("The document has no text box holding only %1").arg(token));
        const Reference<css::beans::XPropertySet> box(spot->shape, UNO_QUERY_THROW);

        const Reference<css::uno::XComponentContext>& context = mInstance->context();
        Sequence<sal_Int8> bytes(reinterpret_cast<const sal_Int8*>(png.constData()),
                                 sal_Int32(png.size()));
        Sequence<css::beans::PropertyValue> source(1);
        source.getArray()[0] =
            property("InputStream",
                     Any(css::io::SequenceInputStream::createStreamFromSequence(context, bytes)));
        const Reference<css::graphic::XGraphic> graphic =
            css::graphic::GraphicProvider::create(context)->queryGraphic(source);
        if (!graphic.is())
            throw Failure(QStringLiteral("LibreOffice did not read the picture"));

        const Reference<css::beans::XPropertySet> object(
            Reference<css::lang::XMultiServiceFactory>(model, UNO_QUERY_THROW)
                ->createInstance(OUString("com.sun.star.text.TextGraphicObject")),
            UNO_QUERY_THROW);
        object->setPropertyValue(OUString("Graphic"), Any(graphic));
        object->setPropertyValue(
            OUString("Size"),
            Any(Reference<css::drawing::XShape>(spot->shape, UNO_QUERY_THROW)->getSize()));
        // Where the box stands, and how the text goes round it.
        static const char* const placement[] = {
            "AnchorType",         "HoriOrient", "HoriOrientRelation",
            "HoriOrientPosition", "VertOrient", "VertOrientRelation",
            "VertOrientPosition", "Surround",   "Opaque"};
        const auto copyPlacement = [&] {
            for (const char* name : placement)
                object->setPropertyValue(OUString::createFromAscii(name),
                                         box->getPropertyValue(OUString::createFromAscii(name)));
        };
        copyPlacement();
        const auto anchorType =
            box->getPropertyValue(OUString("AnchorType")).get<css::text::TextContentAnchorType>();
        const Reference<css::text::XTextContent> content(object, UNO_QUERY_THROW);
        if (anchorType == css::text::TextContentAnchorType_AT_PAGE) {
            object->setPropertyValue(OUString("AnchorPageNo"),
                                     box->getPropertyValue(OUString("AnchorPageNo")));
            const Reference<css::text::XText> body =
                Reference<css::text::XTextDocument>(model, UNO_QUERY_THROW)->getText();
            body->insertTextContent(body->getStart(), content, false);
        } else {
            const Reference<css::text::XTextRange> anchor =
                Reference<css::text::XTextContent>(spot->shape, UNO_QUERY_THROW)->getAnchor();
            anchor->getText()->insertTextContent(anchor, content, false);
        }
        // Inserting can move a new object to its anchor's default place; the
        // alternative text is only kept by an object in the document. (The
        // Word 97 writer of LibreOffice 7.4 leaves it out of the .doc.)
        copyPlacement();
        object->setPropertyValue(OUString("Description"), Any(toOUString(altText)));
        object->setPropertyValue(OUString("Title"), Any(toOUString(altText)));
        // Drawn after the box, so above it.
        const sal_Int32 boxOrder = box->getPropertyValue(OUString("ZOrder")).get<sal_Int32>();
        if (object->getPropertyValue(OUString("ZOrder")).get<sal_Int32>() <= boxOrder)
            object->setPropertyValue(OUString("ZOrder"), Any(boxOrder + 1));
        spot->text->setString(OUString());
        mSearches->changed();
    });
}

} // namespace velmora::office::lo
