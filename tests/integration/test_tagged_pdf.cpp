// The invitation's PDF through the real office is tagged: read back by
// pikepdf (structure, marking, language, title) and by pdftotext (the words
// in reading order), its fonts still embedded. Run with LC_ALL=de_DE.UTF-8.
#include "generation/DesignPictures.h"
#include "generation/PrintAndExport.h"
#include "tests/support/OfficeFixtures.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

const char* const kReader = R"(
import sys, json, pikepdf
pdf = pikepdf.open(sys.argv[1])
root = pdf.Root
mark = root.get('/MarkInfo')
print(json.dumps({
    'structTree': '/StructTreeRoot' in root,
    'marked': bool(mark is not None and mark.get('/Marked', False)),
    'lang': str(root.get('/Lang', '')),
    'title': str(pdf.docinfo.get('/Title', '')),
    'pages': len(pdf.pages),
}))
)";

} // namespace

class TestTaggedPdf : public QObject {
    Q_OBJECT

    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;

private slots:
    void initTestCase() { mEngine = makeTestEngine(1); }
    void cleanupTestCase() { mEngine.reset(); }

    void tagged_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("sample values") << QStringList{
            "Orla Penwick", "Candia Inflatable Play Facility", "Harlan Penwick", "555-0102"};
        QTest::newRow("accents and punctuation")
            << QStringList{"J\u00fcrgen M\u00fcller", "Caf\u00e9 Stra\u00dfe 5, Berlin",
                           "Familie M\u00fcller; Oma", "+49 30 5550199"};
    }
    void tagged() GUARDED_TEST
    {
        QFETCH(QStringList, texts);
        const QString document = mFolder.filePath(QStringLiteral("filled.doc"));
        fillTemplate(*mEngine, QStringLiteral(VELMORA_TEMPLATE), sampleValues(texts), document);
        const QString pdf = mFolder.filePath(QStringLiteral("invitation.pdf"));
        exportDocument(*mEngine, document, invitationTitle(texts[0]), pdf, ExportFormat::Pdf);

        const QJsonObject read =
            QJsonDocument::fromJson(run(QStringLiteral("/usr/bin/python3"),
                                        {QStringLiteral("-c"), QString::fromUtf8(kReader), pdf})
                                        .toUtf8())
                .object();
        QVERIFY(read.value("structTree").toBool());
        QVERIFY(read.value("marked").toBool());
        // The system's locale (the test runs in de_DE).
        QCOMPARE(read.value("lang").toString(), QStringLiteral("de-DE"));
        QVERIFY2(read.value("title").toString().contains(texts[0]),
                 qPrintable(read.value("title").toString()));
        QCOMPARE(read.value("pages").toInt(), 1);

        // Headline, invitation line, details, RSVP: in this order.
        const QString text =
            run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).simplified();
        const QStringList inOrder = {QStringLiteral("PARTY!"),
                                     QStringLiteral("Please come and help ") + texts[0],
                                     QStringLiteral("August 31, 2021"),
                                     QStringLiteral("2:05 P.M."),
                                     texts[1],
                                     texts[2],
                                     QStringLiteral("Please RSVP ") + texts[3]};
        qsizetype at = 0;
        for (const QString& words : inOrder) {
            const qsizetype found = text.indexOf(words, at);
            QVERIFY2(found >= 0, qPrintable(words + QStringLiteral(" after ") + QString::number(at)
                                            + QStringLiteral(" in ") + text));
            at = found + words.size();
        }

        // Every font still travels with the file.
        const QStringList fonts =
            run(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString& font : fonts)
            QVERIFY2(font.contains(QRegularExpression(QStringLiteral("\\syes\\s+yes\\s"))),
                     qPrintable(font));
    }
    FAIL_ON_UNEXPECTED_FAILURE
};

QTEST_GUILESS_MAIN(TestTaggedPdf)
#include "test_tagged_pdf.moc"
