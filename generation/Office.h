#pragma once

#include "platform/Failure.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The document engine, seen through the few operations the program uses.
// Every operation that fails throws velmora::Failure carrying the engine's own
// message. Objects are reached through Ref<>, which fails like any other call
// when the object is not there (a document that could not be opened, ...).
namespace velmora::office {

template <class T>
class Ref {
public:
    Ref() = default;
    Ref(std::shared_ptr<T> object) : mObject(std::move(object)) {}
    T* operator->() const
    {
        if (!mObject)
            throw Failure(kObjectNotSet);
        return mObject.get();
    }
    explicit operator bool() const { return static_cast<bool>(mObject); }
    void reset() { mObject.reset(); }
    const std::shared_ptr<T>& get() const { return mObject; }

private:
    std::shared_ptr<T> mObject;
};

// "Replace" of an execute: all occurrences.
constexpr int kReplaceAll = 2;
// "Wrap" of a search: go on through the whole range.
constexpr int kWrapContinue = 1;

// The search object of a range. Its settings are plain values; they take effect
// when the range's execute runs.
struct Find {
    QString text;
    QString replacementText;
    bool forward = true;
    int wrap = 0;
    bool format = false;
    bool matchCase = false;
    bool matchWholeWord = false;
    bool matchWildcards = false;
    bool matchSoundsLike = false;
    bool matchAllWordForms = false;
};

// One story of a document: the main text, a header or footer, a text frame,
// each with the tables in it; all the footnotes; all the endnotes.
class Range {
public:
    virtual ~Range() = default;
    virtual void clearFindFormatting() = 0;
    virtual void clearReplacementFormatting() = 0;
    // The range's search object; its settings stay with the range.
    virtual Find& find() = 0;
    // Runs the search with the settings of find(); replace = kReplaceAll
    // replaces every occurrence inside this range.
    virtual void execute(int replace) = 0;
};

// A drawing object of a document.
class Shape {
public:
    virtual ~Shape() = default;
    virtual bool hasText() = 0;
    // The shape's text, its paragraphs joined by '\n'.
    virtual QString text() = 0;
    // Replaces occurrences of the literal text inside the shape's text with the
    // engine's current search settings (case ignored, no wildcards).
    virtual void replaceText(const QString& findText, const QString& replacementText,
                             int replace) = 0;
};

// A text box whose text reaches below its bottom edge.
struct Overflow {
    // The box's text, its paragraphs joined by '\n'.
    QString text;
    // How far the text reaches below the box, in points.
    double points = 0;
};

class Document {
public:
    virtual ~Document() = default;
    virtual std::vector<Ref<Range>> storyRanges() = 0;
    virtual std::vector<Ref<Shape>> shapes() = 0;
    // Fits the text of every fixed-height text box into its box. The text of a
    // box it overflows is set smaller, every run in proportion (to half points,
    // none below floorPoints, none made larger), step by step until it fits;
    // the sizes go into the runs themselves, so the saved file shows the same
    // anywhere. Boxes whose text fits are left as they are. Returns the boxes
    // whose text still overflows at the floor.
    virtual std::vector<Overflow> fitTextToBoxes(double floorPoints) = 0;
    // Writes the document under the full path, as a Word 97-2003 document.
    virtual void saveAs(const QString& path) = 0;
    virtual void close() = 0;
    // The size of the document's first page, in twips.
    virtual QSizeF pageSize() = 0;
    // A picture of the document's first page on white paper, rendered at the
    // given pixel size (an export may add a pixel).
    virtual QImage pagePicture(const QSize& pixels) = 0;
    // The document's first page as a PDF file's bytes, its fonts embedded and
    // the title in its properties. An engine that cannot write PDF fails.
    virtual QByteArray pagePdf(const QString& title)
    {
        Q_UNUSED(title);
        throw Failure(QStringLiteral("This office cannot write PDF"));
    }
    // The size, in twips, of the spot the token marks: a text box whose only
    // text is the token ("[Photo]", "[RSVPCode]"). Empty when there is none.
    virtual QSizeF spotSize(const QString& token)
    {
        Q_UNUSED(token);
        return {};
    }
    // Puts the picture into the token's spot: embedded in the document (never
    // linked), at the box's place and size, anchored as the box is and above
    // it, with the alternative text; the box loses its text. Fails when the
    // document has no such spot.
    virtual void placePicture(const QString& token, const QImage& picture, const QString& altText)
    {
        Q_UNUSED(token);
        Q_UNUSED(picture);
        Q_UNUSED(altText);
        throw Failure(QStringLiteral("This office cannot place pictures"));
    }
};

// Where a bracketed word of a template stands.
enum class Place { MainText, TextBox, HeaderFooter, Table, Note };

// What a template holds, as far as filling it goes: every bracketed word
// ("[Celebrant]", "[Celebrent]", …) where it stands, with the text that follows
// it in its paragraph, and the number of pages.
struct TemplateFindings {
    struct Word {
        QString text;
        Place place = Place::MainText;
        QString following;
    };
    std::vector<Word> words;
    int pages = 0;
    bool hasText = false;
    // What was left out of the kept copy because it points elsewhere (a
    // linked picture, a linked section), one plain line each.
    QStringList notKept;
};

class Application {
public:
    virtual ~Application() = default;
    virtual Ref<Document> open(const QString& path, bool readOnly) = 0;
    virtual void setDisplayAlerts(bool on) = 0;
    // Closes the document opened last, discarding changes when saveChanges is false.
    virtual void closeActiveDocument(bool saveChanges) = 0;
    // Ends the instance. Further calls on it fail.
    virtual void quit() = 0;
    // Gives the instance up, from any thread: a call under way on another
    // thread fails at once instead of waiting for its answer, and so does
    // every later call. The thread that uses the instance still ends it.
    virtual void abandon() {}
    // Opens a word-processor file hidden and read-only, without running its
    // macros or reading anything it links to, and tells what it holds; with
    // copyTo, also writes it there as a Word 97-2003 template. Closes it.
    virtual TemplateFindings checkTemplate(const QString& path, const QString& copyTo)
    {
        Q_UNUSED(path);
        Q_UNUSED(copyTo);
        throw Failure(QStringLiteral("This office cannot check templates"));
    }
};

// Ends the instance, which may have been ended already (by the watchdog);
// dropping it ends it otherwise.
inline void quitQuietly(Application& application)
{
    try {
        application.quit();
    } catch (const Failure&) {
    }
}

// Creates fresh, private application instances. Each instance belongs to the
// one procedure that created it, which ends it with quit(); one that is only
// dropped is ended by its destructor.
class Engine {
public:
    virtual ~Engine() = default;
    // Throws Failure when no instance can be started.
    virtual Ref<Application> createApplication() = 0;
    // Throws Failure when instances cannot be started, like createApplication,
    // but answers from a cheaper proof than a whole instance. Once it has
    // answered yes, instances may be prepared ahead of the first creation.
    virtual void checkAvailable() = 0;
};

} // namespace velmora::office
