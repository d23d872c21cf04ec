#include "generation/libreoffice/LibreOfficeDocument.h"

#include "generation/libreoffice/StoreArguments.h"
#include "generation/libreoffice/TextFit.h"

#include <QDateTime>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XEndnotesSupplier.hpp>
#include <com/sun/star/text/XFootnotesSupplier.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextFramesSupplier.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XSearchDescriptor.hpp>
#include <com/sun/star/util/XSearchable.hpp>

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

bool isWriterText(const Reference<css::text::XText>& text)
{
    const Reference<css::lang::XServiceInfo> info(text, UNO_QUERY);
    // Writer's own texts (body, headers, frames) are searched by the document;
    // the texts of drawing shapes are edit-engine texts it cannot search.
    return info.is()
           && (info->supportsService(OUString("com.sun.star.text.Text"))
               || info->supportsService(OUString("com.sun.star.text.TextFrame")))
           && !info->supportsService(OUString("com.sun.star.drawing.Text"));
}

enum class StoryKind { Text, Footnotes, Endnotes };

StoryKind kindOf(const Reference<css::text::XText>& text)
{
    const Reference<css::lang::XServiceInfo> info(text, UNO_QUERY);
    // An endnote offers the footnote service as well.
    if (info.is() && info->supportsService(OUString("com.sun.star.text.Endnote")))
        return StoryKind::Endnotes;
    if (info.is() && info->supportsService(OUString("com.sun.star.text.Footnote")))
        return StoryKind::Footnotes;
    return StoryKind::Text;
}

// The texts a story is made of, as a word processor counts them: its own, and
// the cells of the tables in it, nested tables included.
void collectStoryTexts(const Reference<css::text::XText>& text,
                       std::vector<Reference<css::uno::XInterface>>& texts)
{
    texts.emplace_back(text, UNO_QUERY);
    const Reference<css::container::XEnumerationAccess> content(text, UNO_QUERY);
    if (!content.is())
        return;
    const Reference<css::container::XEnumeration> parts = content->createEnumeration();
    while (parts->hasMoreElements()) {
        const Reference<css::text::XTextTable> table(parts->nextElement(), UNO_QUERY);
        if (!table.is())
            continue;
        for (const OUString& cell : table->getCellNames())
            collectStoryTexts(Reference<css::text::XText>(table->getCellByName(cell), UNO_QUERY),
                              texts);
    }
}

class LibreOfficeRange final : public Range {
public:
    // A range over one text, or over all the notes of a kind.
    LibreOfficeRange(std::shared_ptr<Instance> instance, Reference<css::lang::XComponent> model,
                     std::vector<Reference<css::text::XText>> texts)
        : mInstance(std::move(instance)), mModel(std::move(model)), mTexts(std::move(texts)),
          mKind(kindOf(mTexts.front()))
    {
    }

    // Formatting is never part of a search or a replacement here.
    void clearFindFormatting() override { mFind.format = false; }
    void clearReplacementFormatting() override {}
    Find& find() override { return mFind; }

    void execute(int replace) override
    {
        mInstance->call([&] {
            if (isWriterText(mTexts.front()))
                replaceInWriterStory(replace);
            else
                replaceThroughCursor(mTexts.front(), mFind, replace);
        });
    }

private:
    // The document's search covers every Writer story at once; only the hits
    // in this story are replaced, so that a range replaces inside itself alone.
    void replaceInWriterStory(int replace)
    {
        if (mFind.text.isEmpty() || replace == 0)
            return;
        const Reference<css::util::XSearchable> searchable(mModel, UNO_QUERY_THROW);
        const Reference<css::util::XSearchDescriptor> descriptor =
            searchable->createSearchDescriptor();
        descriptor->setSearchString(toOUString(mFind.text));
        const Reference<css::beans::XPropertySet> options(descriptor, UNO_QUERY_THROW);
        options->setPropertyValue(OUString("SearchCaseSensitive"), Any(mFind.matchCase));
        options->setPropertyValue(OUString("SearchWords"), Any(mFind.matchWholeWord));
        options->setPropertyValue(OUString("SearchRegularExpression"), Any(false));
        options->setPropertyValue(OUString("SearchSimilarity"), Any(false));
        options->setPropertyValue(OUString("SearchStyles"), Any(false));
        const Reference<css::container::XIndexAccess> hits = searchable->findAll(descriptor);
        if (!hits.is())
            return;
        const OUString replacement = toOUString(mFind.replacementText);
        std::vector<Reference<css::uno::XInterface>> storyTexts;
        for (const auto& text : mTexts)
            collectStoryTexts(text, storyTexts);
        const auto inThisStory = [&](const Reference<css::text::XText>& where) {
            // A note is not the same object each time it is looked up: notes
            // are told by their kind.
            if (mKind != StoryKind::Text && kindOf(where) == mKind)
                return true;
            const Reference<css::uno::XInterface> identity(where, UNO_QUERY);
            return std::find(storyTexts.begin(), storyTexts.end(), identity) != storyTexts.end();
        };
        std::vector<Reference<css::text::XTextRange>> mine;
        for (sal_Int32 i = 0; i < hits->getCount(); ++i) {
            const Reference<css::text::XTextRange> hit(hits->getByIndex(i), UNO_QUERY);
            if (hit.is() && inThisStory(hit->getText()))
                mine.push_back(hit);
        }
        if (mine.empty())
            return;
        if (replace != kReplaceAll)
            mine.resize(1);
        for (auto hit = mine.rbegin(); hit != mine.rend(); ++hit)
            replaceKeepingFormatting((*hit)->getText(), *hit, replacement);
    }

    std::shared_ptr<Instance> mInstance;
    Reference<css::lang::XComponent> mModel;
    std::vector<Reference<css::text::XText>> mTexts;
    StoryKind mKind;
    Find mFind;
};

class LibreOfficeShape final : public Shape {
public:
    LibreOfficeShape(std::shared_ptr<Instance> instance, Reference<css::uno::XInterface> shape)
        : mInstance(std::move(instance)), mShape(std::move(shape))
    {
    }

    bool hasText() override
    {
        return mInstance->call([&] {
            const Reference<css::text::XText> text(mShape, UNO_QUERY);
            return text.is() && !text->getString().isEmpty();
        });
    }

    // The engine's current search settings are: case ignored, whole words
    // not required, no wildcards.
    void replaceText(const QString& findText, const QString& replacementText, int replace) override
    {
        mInstance->call([&] {
            const Reference<css::text::XText> text(mShape, UNO_QUERY);
            if (!text.is())
                throw Failure(QStringLiteral("The shape holds no text"));
            Find find;
            find.text = findText;
            find.replacementText = replacementText;
            replaceThroughCursor(text, find, replace);
        });
    }

private:
    std::shared_ptr<Instance> mInstance;
    Reference<css::uno::XInterface> mShape;
};

// Writer has one draw page; the interface that reaches it is marked deprecated
// in favour of one Writer does not offer.
Reference<css::drawing::XDrawPage> drawPageOf(const Reference<css::lang::XComponent>& model)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return Reference<css::drawing::XDrawPageSupplier>(model, UNO_QUERY_THROW)->getDrawPage();
#pragma GCC diagnostic pop
}

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
    : mInstance(std::move(instance)), mModel(std::move(model))
{
}

std::vector<Ref<Range>> LibreOfficeDocument::storyRanges()
{
    return mInstance->call([&] {
        const Reference<css::lang::XComponent>& model = openModel(mModel);
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
        for (sal_Int32 i = 0; i < pageStyles->getCount(); ++i) {
            const Reference<css::beans::XPropertySet> style(pageStyles->getByIndex(i),
                                                            UNO_QUERY_THROW);
            for (const char* part : {"Header", "Footer"}) {
                const QString name = QString::fromLatin1(part);
                if (!style->getPropertyValue(toOUString(name + QStringLiteral("IsOn"))).get<bool>())
                    continue;
                add(Reference<css::text::XText>(
                    style->getPropertyValue(toOUString(name + QStringLiteral("Text"))), UNO_QUERY));
                if (!style->getPropertyValue(toOUString(name + QStringLiteral("IsShared")))
                         .get<bool>())
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
        for (sal_Int32 i = 0; i < frames->getCount(); ++i)
            add(Reference<css::text::XText>(frames->getByIndex(i), UNO_QUERY));

        // Text boxes that are drawing shapes: their text is a story as well.
        const Reference<css::drawing::XDrawPage> page = drawPageOf(model);
        for (sal_Int32 i = 0; i < page->getCount(); ++i) {
            const Reference<css::text::XText> text(page->getByIndex(i), UNO_QUERY);
            if (text.is() && !text->getString().isEmpty())
                add(text);
        }

        std::vector<Ref<Range>> ranges;
        for (const auto& story : stories)
            ranges.emplace_back(std::make_shared<LibreOfficeRange>(
                mInstance, model, std::vector<Reference<css::text::XText>>{story}));

        // The notes: one story for all the footnotes, one for all the endnotes.
        for (const Reference<css::container::XIndexAccess>& notes :
             {Reference<css::text::XFootnotesSupplier>(model, UNO_QUERY_THROW)->getFootnotes(),
              Reference<css::text::XEndnotesSupplier>(model, UNO_QUERY_THROW)->getEndnotes()}) {
            std::vector<Reference<css::text::XText>> texts;
            for (sal_Int32 i = 0; i < notes->getCount(); ++i)
                texts.emplace_back(notes->getByIndex(i), UNO_QUERY_THROW);
            if (!texts.empty())
                ranges.emplace_back(
                    std::make_shared<LibreOfficeRange>(mInstance, model, std::move(texts)));
        }
        return ranges;
    });
}

std::vector<Ref<Shape>> LibreOfficeDocument::shapes()
{
    return mInstance->call([&] {
        const Reference<css::drawing::XDrawPage> page = drawPageOf(openModel(mModel));
        std::vector<Ref<Shape>> result;
        for (sal_Int32 i = 0; i < page->getCount(); ++i)
            result.emplace_back(std::make_shared<LibreOfficeShape>(
                mInstance, Reference<css::uno::XInterface>(page->getByIndex(i), UNO_QUERY)));
        return result;
    });
}

std::vector<Overflow> LibreOfficeDocument::fitTextToBoxes(double floorPoints)
{
    return mInstance->call([&] { return lo::fitTextToBoxes(openModel(mModel), floorPoints); });
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
    const QString file = mInstance->scratchFolder() + QStringLiteral("/page.png");
    mInstance->call([&] {
        Reference<css::frame::XStorable>(openModel(mModel), UNO_QUERY_THROW)
            ->storeToURL(fileUrl(file), pagePictureArguments(pixels));
    });

    QImage exported(file);
    QFile::remove(file);
    if (exported.isNull() || pixels.isEmpty())
        throw Failure(QStringLiteral("LibreOffice did not render the page"));

    if (!exported.hasAlphaChannel())
        return std::move(exported).convertToFormat(QImage::Format_RGB32);
    // Paper is white, whatever an export with transparency leaves.
    QImage picture(exported.size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter(&picture).drawImage(0, 0, exported);
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

} // namespace velmora::office::lo
