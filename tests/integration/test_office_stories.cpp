// The LibreOffice engine against documents built for the purpose: which text
// each story range and each shape reaches, and what replacing leaves behind.
#include "generation/PageExport.h"
#include "tests/support/OfficeFixtures.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

void replaceIn(office::Range& range, const QString& text, const QString& replacement,
               bool matchCase = false)
{
    range.clearFindFormatting();
    range.clearReplacementFormatting();
    office::Find& find = range.find();
    find.text = text;
    find.replacementText = replacement;
    find.wrap = office::kWrapContinue;
    find.matchCase = matchCase;
    range.execute(office::kReplaceAll);
}

QStringList numbersAfter(const QString& text, const QString& prefix)
{
    QStringList numbers;
    auto matches = QRegularExpression(QRegularExpression::escape(prefix) + QStringLiteral("(\\d+)"))
                       .globalMatch(text);
    while (matches.hasNext())
        numbers << matches.next().captured(1);
    numbers.removeDuplicates();
    return numbers;
}

} // namespace

class TestOfficeStories : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() GUARDED_TEST
    {
        QVERIFY(mFolder.isValid());
        mEngine = makeTestEngine();
        mDocument = makeStoriesDocument(*mEngine, mFolder.path());
        QVERIFY(documentText(mDocument).contains(QStringLiteral("Frame-[Celebrant]")));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cleanupTestCase() GUARDED_TEST
    {
        mEngine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // Each range replaces inside itself only: every story gets the number of
    // the range that reached it, and no two stories share one.
    void storyPassReplacesInsideEachRangeOnly() GUARDED_TEST
    {
        auto application = mEngine->createApplication();
        auto document = application->open(mDocument, true);
        const auto ranges = document->storyRanges();
        QVERIFY(ranges.size() >= 4);
        for (std::size_t i = 0; i < ranges.size(); ++i)
            replaceIn(*ranges[i].get(), QStringLiteral("[Celebrant]"),
                      QStringLiteral("R%1").arg(i));
        for (const auto& range : ranges)
            replaceIn(*range.get(), QStringLiteral("[location]"), QStringLiteral("LOC"));
        const QString saved = mFolder.filePath(QStringLiteral("stories-filled.doc"));
        document->saveAs(saved);
        application->closeActiveDocument(false);
        application->quit();

        const QString text = documentText(saved);
        const auto ownerOf = [&](const QString& label) {
            const QStringList numbers = numbersAfter(text, label + QStringLiteral("-R"));
            return numbers.size() == 1 ? numbers.first()
                                       : QStringLiteral("%1 owners").arg(numbers.size());
        };
        QStringList owners;
        for (const QString& story :
             {QStringLiteral("Body"), QStringLiteral("Head"), QStringLiteral("Frame"),
              QStringLiteral("Shape"), QStringLiteral("Foot"), QStringLiteral("End")})
            owners << ownerOf(story);
        QVERIFY2(!owners.join(u' ').contains(QStringLiteral("owners")),
                 qPrintable(owners.join(u' ')));
        // A story's tables, nested ones too, are reached by that story's range;
        // all footnotes are one story.
        QCOMPARE(ownerOf(QStringLiteral("Cell")), ownerOf(QStringLiteral("Body")));
        QCOMPARE(ownerOf(QStringLiteral("Nested")), ownerOf(QStringLiteral("Body")));
        QCOMPARE(ownerOf(QStringLiteral("Hcell")), ownerOf(QStringLiteral("Head")));
        owners.removeDuplicates();
        QCOMPARE(owners.size(), 6);
        QVERIFY(!text.contains(QStringLiteral("[Celebrant]"), Qt::CaseInsensitive));
        // Found across formatting runs, and only the literal token.
        QVERIFY(text.contains(QStringLiteral("Body-LOC")));
        QVERIFY(text.contains(QStringLiteral("Body-[Locations]")));
        // Tokens not searched for stay.
        QVERIFY(text.contains(QStringLiteral("Body-[BirthDate]")));
        QVERIFY(text.contains(QStringLiteral("Frame-[BirthDate]")));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void matchCaseLimitsTheSearch() GUARDED_TEST
    {
        auto application = mEngine->createApplication();
        auto document = application->open(mDocument, true);
        auto body = document->storyRanges().front();
        replaceIn(*body.get(), QStringLiteral("[celebrant]"), QStringLiteral("lower"), true);
        replaceIn(*body.get(), QStringLiteral("[BirthDate]"), QStringLiteral("exact"), true);
        const QString saved = mFolder.filePath(QStringLiteral("match-case.doc"));
        document->saveAs(saved);
        application->quit();

        const QString text = documentText(saved);
        QVERIFY(text.contains(QStringLiteral("Body-[CELEBRANT]")));
        QVERIFY(text.contains(QStringLiteral("Body-exact")));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // The text-frame pass: every shape holding text is reached, drawing shapes
    // and text frames alike, while the main text and the header keep theirs.
    void shapePassReachesShapeTextOnly() GUARDED_TEST
    {
        auto application = mEngine->createApplication();
        auto document = application->open(mDocument, true);
        int withText = 0;
        for (const auto& shape : document->shapes()) {
            if (!shape->hasText())
                continue;
            ++withText;
            shape->replaceText(QStringLiteral("[BirthDate]"), QStringLiteral("D8"),
                               office::kReplaceAll);
            shape->replaceText(QStringLiteral("[birthtime]"), QStringLiteral("T9"),
                               office::kReplaceAll);
        }
        QCOMPARE(withText, 2);
        const QString saved = mFolder.filePath(QStringLiteral("shapes-filled.doc"));
        document->saveAs(saved);
        application->quit();

        const QString text = documentText(saved);
        QVERIFY(text.contains(QStringLiteral("Shape-D8")));
        QVERIFY(text.contains(QStringLiteral("Shape-T9")));
        QVERIFY(text.contains(QStringLiteral("Frame-D8")));
        QVERIFY(text.contains(QStringLiteral("Body-[BirthDate]")));
        QVERIFY(text.contains(QStringLiteral("Head-[BirthDate]")));
        QVERIFY(text.contains(QStringLiteral("[Bir")) && text.contains(QStringLiteral("thT")));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // The red, bold token is still red once replaced: the picture shows it.
    void replacedTextKeepsItsFormatting() GUARDED_TEST
    {
        auto application = mEngine->createApplication();
        auto document = application->open(mDocument, true);
        const int before = redPixels(fittedPagePicture(document));
        QVERIFY(before > 500);
        replaceIn(*document->storyRanges().front().get(), QStringLiteral("[rsvpno]"),
                  QStringLiteral("WWWWWWWWWW"));
        const int after = redPixels(fittedPagePicture(document));
        application->quit();
        QVERIFY2(
            after > before,
            qPrintable(QStringLiteral("%1 red pixels before, %2 after").arg(before).arg(after)));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // Read back from the saved document, a replacement looks like the first
    // character of the text it replaced: in the story pass and the shape pass,
    // and across formatting runs; the text around it keeps its own look.
    void replacementsTakeTheLookOfTheirFirstCharacter() GUARDED_TEST
    {
        auto application = mEngine->createApplication();
        auto document = application->open(mDocument, true);
        auto body = document->storyRanges().front();
        replaceIn(*body.get(), QStringLiteral("[BirthTime]"), QStringLiteral("TIME"));
        replaceIn(*body.get(), QStringLiteral("[rsvpno]"), QStringLiteral("RSVP"));
        replaceIn(*body.get(), QStringLiteral("[GivenBy]"), QString());
        for (const auto& shape : document->shapes())
            if (shape->hasText())
                shape->replaceText(QStringLiteral("[BirthTime]"), QStringLiteral("SHAPETIME"),
                                   office::kReplaceAll);
        const QString saved = mFolder.filePath(QStringLiteral("looks.doc"));
        document->saveAs(saved);
        application->quit();

        const FlatDocument flat =
            readFlatDocument(convertDocument(saved, QStringLiteral("fodt"), mFolder.path()));
        const auto lookOf = [&](const QString& before, const QString& text) {
            for (const Paragraph& paragraph : flat.paragraphs) {
                const qsizetype at = paragraph.text().indexOf(before + text);
                if (at >= 0)
                    return std::pair{paragraph.looksOf(at, before.size()),
                                     paragraph.looksOf(at + before.size(), text.size())};
            }
            return std::pair<std::vector<CharLook>, std::vector<CharLook>>{};
        };

        const auto [bodyLabel, split] = lookOf(QStringLiteral("Body-"), QStringLiteral("TIME "));
        QCOMPARE(split.size(), std::size_t(1));
        QCOMPARE(describe(split.front()), describe(bodyLabel.back()));
        QCOMPARE(split.front().weight, QStringLiteral("normal"));

        const auto [nothing, red] = lookOf(QString(), QStringLiteral("RSVP"));
        QCOMPARE(red.size(), std::size_t(1));
        QCOMPARE(red.front().color, QStringLiteral("#ff0000"));
        QCOMPARE(red.front().size, QStringLiteral("28pt"));
        QCOMPARE(red.front().weight, QStringLiteral("bold"));

        // An empty replacement leaves nothing of the token.
        const auto [emptied, after] = lookOf(QStringLiteral("Body-"), QStringLiteral("x"));
        QCOMPARE(after.size(), std::size_t(1));

        const auto [shapeLabel, teal] =
            lookOf(QStringLiteral("Shape-"), QStringLiteral("SHAPETIME"));
        QCOMPARE(teal.size(), std::size_t(1));
        QCOMPARE(teal.front().color, QStringLiteral("#1f8a80"));
        QCOMPARE(teal.front().posture, QStringLiteral("italic"));
        QCOMPARE(shapeLabel.size(), std::size_t(1));
        QVERIFY(shapeLabel.front().posture != teal.front().posture);
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // A saved document opens again, is pictured at the chosen size and is not
    // changed on disk by a close without saving.
    void savedDocumentReopensAsPicture() GUARDED_TEST
    {
        const QString saved = mFolder.filePath(QStringLiteral("picture.doc"));
        {
            auto application = mEngine->createApplication();
            application->open(mDocument, true)->saveAs(saved);
            application->quit();
        }
        const QFileInfo before(saved);
        auto application = mEngine->createApplication();
        auto document = application->open(saved, false);
        const QImage picture = fittedPagePicture(document);
        application->setDisplayAlerts(false);
        application->closeActiveDocument(false);
        application->quit();

        // Letter at 180 pixels per inch (the export may add a pixel).
        QVERIFY(qAbs(picture.width() - 1530) <= 2 && qAbs(picture.height() - 1980) <= 2);
        const double dpi = picture.dotsPerMeterX() * 0.0254;
        QCOMPARE(picture.dotsPerMeterY(), picture.dotsPerMeterX());
        const double widthTwips = picture.width() * 1440 / dpi;
        const double heightTwips = picture.height() * 1440 / dpi;
        QVERIFY(heightTwips <= 7425 && heightTwips > 7400);
        QVERIFY(widthTwips <= 9330);
        QVERIFY(picture.pixelColor(0, 0) == Qt::white);
        int dark = 0;
        for (int y = 0; y < picture.height(); y += 4)
            for (int x = 0; x < picture.width(); x += 4)
                dark += picture.pixelColor(x, y).lightness() < 128;
        QVERIFY(dark > 100);

        const QFileInfo after(saved);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.lastModified(), before.lastModified());

        // temp.bmp gives back the same pixels and natural size.
        const QString written = mFolder.filePath(QStringLiteral("temp.bmp"));
        writePagePicture(picture, written);
        const QImage back(written);
        QCOMPARE(back.size(), picture.size());
        QCOMPARE(back.dotsPerMeterX(), picture.dotsPerMeterX());
        QCOMPARE(back.dotsPerMeterY(), picture.dotsPerMeterY());
        QCOMPARE(back.pixel(picture.width() / 2, picture.height() / 3),
                 picture.pixel(picture.width() / 2, picture.height() / 3));
    }
    FAIL_ON_UNEXPECTED_FAILURE

private:
    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;
    QString mDocument;
};

QTEST_GUILESS_MAIN(TestOfficeStories)
#include "test_office_stories.moc"
