// Every design, filled with the sample values and with 200 characters in every
// text field, its text fitted to its boxes and saved as the filling run does,
// then rendered afresh by another office: every box's whole text is on the page
// inside its box, no two boxes' texts overlap, everything but the paper stays in
// the area Letter and A4 share, the fonts are embedded, catdoc reads every
// value, and a page of short values is exactly the page it was without fitting.
#include "generation/FillingRun.h"
#include "generation/Invitation.h"
#include "tests/support/OfficeFixtures.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

struct Values {
    QString id;
    std::array<QString, 4> texts;
    bool male;
};

const Values kSample{QStringLiteral("sample"),
                     {QStringLiteral("Orla Penwick"),
                      QStringLiteral("Candia Inflatable Play Facility"), QStringLiteral("Bozo"),
                      QStringLiteral("555-010-2468")},
                     false};

// 200 characters of words, ending in a full stop.
QString twoHundred(const QString& words)
{
    return (words + u' ').repeated(10).left(199) + u'.';
}

const Values kLong{QStringLiteral("200"),
                   {twoHundred(QStringLiteral("Maximiliana Theodora Penwick-Abernathy")),
                    twoHundred(QStringLiteral("Candia Play Facility, Hall B2, 1234 Long Meadow")),
                    twoHundred(QStringLiteral("Grandma Rosalind and Cousin Jeremiah")),
                    twoHundred(QStringLiteral("555-010-2468 after six or Saturday mornings"))},
                   true};

struct Design {
    QString id;
    QString name;
    QString path;
    QColor paper;
};

// Every invitation.dot under the template folder, named by its design.json.
std::vector<Design> discoverDesigns()
{
    std::vector<Design> designs;
    QDirIterator found(QStringLiteral(VELMORA_TEMPLATES), {QStringLiteral("invitation.dot")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (found.hasNext()) {
        const QFileInfo dot(found.next());
        QFile json(dot.dir().filePath(QStringLiteral("design.json")));
        json.open(QIODevice::ReadOnly);
        const QJsonObject design = QJsonDocument::fromJson(json.readAll()).object();
        const QString id = dot.dir().path() == QStringLiteral(VELMORA_TEMPLATES)
                               ? QStringLiteral("shipped")
                               : dot.dir().dirName();
        designs.push_back({id, design.value(QStringLiteral("name")).toString(id), dot.filePath(),
                           QColor(design.value(QStringLiteral("paper")).toString())});
    }
    std::sort(designs.begin(), designs.end(),
              [](const Design& a, const Design& b) { return a.id < b.id; });
    return designs;
}

// A template box's text as the filled page must show it.
QString filledText(QString text, const Values& values)
{
    for (int element = 0; element <= 3; ++element) {
        const auto replacement = invitation::textReplacement(invitation::kTextTags[element],
                                                             values.texts[element], values.male);
        text.replace(replacement.search, replacement.replacement, Qt::CaseInsensitive);
    }
    return text.replace(invitation::kBirthDateTag, QStringLiteral("August 31, 2021"))
        .replace(invitation::kBirthTimeTag, QStringLiteral("2:05 P.M."));
}

// Whether a template box holds a typed value's token: the guest's line, the
// photo and the code are spots of their own.
bool holdsTypedValue(const QString& text)
{
    const auto tags = {invitation::kTextTags[0],  invitation::kTextTags[1],
                       invitation::kTextTags[2],  invitation::kTextTags[3],
                       invitation::kBirthDateTag, invitation::kBirthTimeTag};
    return std::any_of(tags.begin(), tags.end(),
                       [&](const QString& tag) { return text.contains(tag, Qt::CaseInsensitive); });
}

// Letters only, in one case: how a text is compared with the words of a PDF
// (small capitals come out as capitals, a line may break after a hyphen).
QString letters(const QString& text)
{
    QString kept;
    for (const QChar c : text)
        if (!c.isSpace())
            kept += c.toCaseFolded();
    return kept;
}

// The words in reading order: lines from the top (a word whose middle lies
// within a line's height belongs to it, so a smaller label sits in its
// value's line), each from the left. pdftotext's own order puts words of
// another size elsewhere.
std::vector<PdfWord> readingOrder(std::vector<PdfWord> words)
{
    std::sort(words.begin(), words.end(), [](const PdfWord& a, const PdfWord& b) {
        return a.box.center().y() < b.box.center().y();
    });
    std::vector<std::vector<PdfWord>> lines;
    double top = 0, bottom = -1;
    for (const PdfWord& word : words) {
        const double middle = word.box.center().y();
        if (lines.empty() || middle < top || middle > bottom) {
            lines.emplace_back();
            top = word.box.top();
            bottom = word.box.bottom();
        }
        lines.back().push_back(word);
        top = std::min(top, word.box.top());
        bottom = std::max(bottom, word.box.bottom());
    }
    std::vector<PdfWord> ordered;
    for (auto& line : lines) {
        std::sort(line.begin(), line.end(),
                  [](const PdfWord& a, const PdfWord& b) { return a.box.left() < b.box.left(); });
        ordered.insert(ordered.end(), line.begin(), line.end());
    }
    return ordered;
}

// The words of the page that spell the text, in a row; empty when none do.
std::vector<PdfWord> spelled(const std::vector<PdfWord>& words, const QString& text)
{
    const QString wanted = letters(text);
    for (std::size_t first = 0; first < words.size(); ++first) {
        QString sofar;
        for (std::size_t last = first; last < words.size(); ++last) {
            sofar += letters(words[last].text);
            if (!wanted.startsWith(sofar))
                break;
            if (sofar.size() == wanted.size())
                return {words.begin() + qsizetype(first), words.begin() + qsizetype(last) + 1};
        }
    }
    return {};
}

// The area that Letter and A4 share, when the printer aligns the page at the
// corner or in the middle, less 0.4 in all round (in points).
const QRectF kPrintable(0.63 * 72, 0.4 * 72, (7.87 - 0.63) * 72, (10.6 - 0.4) * 72);

// Where a word's letters may be: pdftotext's box spans the font's whole
// ascent and descent, which reach past the line a little.
QRectF inked(const PdfWord& word)
{
    const double margin = std::max(1.0, word.box.height() / 10);
    return word.box.adjusted(1, margin, -1, -margin);
}

QString where(const PdfWord& word)
{
    const QRectF& b = word.box;
    return QString::asprintf("\"%s\" at (%.1f, %.1f)-(%.1f, %.1f) pt", qPrintable(word.text),
                             b.left(), b.top(), b.right(), b.bottom());
}

// The fonts pdffonts lists that are not embedded.
QStringList fontsNotEmbedded(const QString& pdf)
{
    const QStringList lines = run(QStringLiteral("pdffonts"), {pdf}).split(u'\n');
    QStringList missing;
    if (lines.size() < 2)
        return {QStringLiteral("<no font list>")};
    // The columns are as wide as the dashes under their names; "emb" is the fourth.
    const qsizetype column = lines[0].indexOf(QStringLiteral("emb"));
    for (qsizetype i = 2; i < lines.size(); ++i)
        if (!lines[i].isEmpty() && lines[i].mid(column, 3) != u"yes")
            missing << lines[i].section(u' ', 0, 0);
    return missing;
}

QImage rendered(const QString& pdf, const QString& prefix)
{
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("36"), QStringLiteral("-png"),
         QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestValuesFitBoxes : public QObject {
    Q_OBJECT

private slots:
    // The office fills, fits and saves every row's document; another office
    // renders them all at once.
    void initTestCase() GUARDED_TEST
    {
        QVERIFY(mFolder.isValid());
        // VELMORA_KEEP_RENDERS keeps the documents and their renders for a person to look at.
        if (qEnvironmentVariableIsSet("VELMORA_KEEP_RENDERS")) {
            mFolder.setAutoRemove(false);
            qInfo("documents and renders in %s", qPrintable(mFolder.path()));
        }
        mDesigns = discoverDesigns();
        QVERIFY(mDesigns.size() >= 6);
        for (const QString& text : kLong.texts)
            QCOMPARE(text.size(), 200);
        mEngine = makeTestEngine();
        auto application = mEngine->createApplication();
        QStringList documents, templates;
        for (const Design& design : mDesigns) {
            templates << mFolder.filePath(design.id + QStringLiteral("-template.dot"));
            QVERIFY(QFile::copy(design.path, templates.back()));
            for (const Values* values : {&kSample, &kLong}) {
                const QString name = design.id + u'-' + values->id;
                auto document = application->open(design.path, true);
                fillDocument(*document.get(), values->texts, values->male);
                mOverflows[name] = document->fitTextToBoxes(kSmallestTypePoints);
                document->saveAs(mFolder.filePath(name + QStringLiteral(".doc")));
                document->close();
                documents << mFolder.filePath(name + QStringLiteral(".doc"));
                if (values == &kSample) {
                    // The same page as it was before any fitting.
                    auto unfitted = application->open(design.path, true);
                    fillDocument(*unfitted.get(), values->texts, values->male);
                    unfitted->saveAs(mFolder.filePath(name + QStringLiteral("-unfitted.doc")));
                    unfitted->close();
                    documents << mFolder.filePath(name + QStringLiteral("-unfitted.doc"));
                }
            }
        }
        application->quit();
        convertDocuments(documents, QStringLiteral("pdf"), mFolder.path());
        for (const QString& flat :
             convertDocuments(templates, QStringLiteral("fodt"), mFolder.path()))
            mTemplates[QFileInfo(flat).completeBaseName().section(u'-', 0, 0)] =
                readFlatDocument(flat);
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cleanupTestCase() GUARDED_TEST
    {
        mEngine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void everyValueIsShownWholeInsideItsBox_data()
    {
        QTest::addColumn<int>("design");
        QTest::addColumn<bool>("longValues");
        const std::vector<Design> designs = discoverDesigns();
        for (std::size_t i = 0; i < designs.size(); ++i) {
            QTest::addRow("%s, sample values", qPrintable(designs[i].name)) << int(i) << false;
            QTest::addRow("%s, 200 characters", qPrintable(designs[i].name)) << int(i) << true;
        }
    }

    void everyValueIsShownWholeInsideItsBox() GUARDED_TEST
    {
        QFETCH(int, design);
        QFETCH(bool, longValues);
        const Design& shown = mDesigns.at(std::size_t(design));
        const Values& values = longValues ? kLong : kSample;
        const QString name = shown.id + u'-' + values.id;
        const QString pdf = mFolder.filePath(name + QStringLiteral(".pdf"));

        QStringList overflowing;
        for (const office::Overflow& overflow : mOverflows[name])
            overflowing << QStringLiteral("%1 pt over: %2").arg(overflow.points).arg(overflow.text);
        QVERIFY2(overflowing.isEmpty(), qPrintable(overflowing.join(u'\n')));

        const PdfPage page = pdfFirstPage(pdf);
        QCOMPARE(page.size, QSizeF(612, 792));
        for (const PdfWord& word : page.words)
            QVERIFY2(kPrintable.contains(inked(word)),
                     qPrintable(where(word) + QStringLiteral(" is outside the printable area")));

        // Each text box's whole text, its values in it, in a row inside the
        // box. (The headlines are drawing text with no token.)
        const FlatDocument& flat = mTemplates.at(shown.id);
        std::vector<std::vector<PdfWord>> boxWords;
        int boxes = 0;
        for (const TextBox& box : flat.boxes) {
            if (!holdsTypedValue(box.text()))
                continue;
            ++boxes;
            const QString text = filledText(box.text(), values);
            const std::vector<PdfWord> words = spelled(readingOrder(page.words), text);
            QVERIFY2(!words.empty(),
                     qPrintable(QStringLiteral("not on the page as one text: ") + text));
            for (const PdfWord& word : words)
                QVERIFY2(box.box.contains(inked(word)),
                         qPrintable(where(word) + QStringLiteral(" is outside its box")));
            boxWords.push_back(words);
        }
        QCOMPARE(boxes, 3);
        for (std::size_t a = 0; a < boxWords.size(); ++a)
            for (std::size_t b = a + 1; b < boxWords.size(); ++b)
                for (const PdfWord& one : boxWords[a])
                    for (const PdfWord& other : boxWords[b])
                        QVERIFY2(
                            !one.box.intersects(other.box),
                            qPrintable(where(one) + QStringLiteral(" overlaps ") + where(other)));

        // Outside the shared area, nothing but the paper.
        const QImage picture = rendered(pdf, mFolder.filePath(name));
        const double dots = picture.width() / 8.5;
        const QRect inside = QRectF(kPrintable.x() / 72 * dots, kPrintable.y() / 72 * dots,
                                    kPrintable.width() / 72 * dots, kPrintable.height() / 72 * dots)
                                 .toAlignedRect()
                                 .adjusted(-1, -1, 1, 1);
        int stray = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QColor c = picture.pixelColor(x, y);
                if (!inside.contains(x, y)
                    && (qAbs(c.red() - shown.paper.red()) > 8
                        || qAbs(c.green() - shown.paper.green()) > 8
                        || qAbs(c.blue() - shown.paper.blue()) > 8))
                    ++stray;
            }
        QCOMPARE(stray, 0);

        QCOMPARE(fontsNotEmbedded(pdf), QStringList());

        const QString read =
            run(QStringLiteral("catdoc"), {mFolder.filePath(name + QStringLiteral(".doc"))})
                .simplified();
        for (const QString& value : values.texts)
            QVERIFY2(read.contains(value.simplified()),
                     qPrintable(QStringLiteral("catdoc misses \"%1\"").arg(value)));

        if (!longValues) {
            const QImage before = rendered(mFolder.filePath(name + QStringLiteral("-unfitted.pdf")),
                                           mFolder.filePath(name + QStringLiteral("-unfitted")));
            QVERIFY(!before.isNull());
            QVERIFY2(picture == before, "fitting changed a page whose values fit");
        }
    }
    FAIL_ON_UNEXPECTED_FAILURE

private:
    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;
    std::vector<Design> mDesigns;
    std::map<QString, std::vector<office::Overflow>> mOverflows;
    std::map<QString, FlatDocument> mTemplates;
};

QTEST_GUILESS_MAIN(TestValuesFitBoxes)
#include "test_values_fit_boxes.moc"
