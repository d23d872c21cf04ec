// The RSVP code put by the real office into a "[RSVPCode]" spot: templates of
// our own (a square box and a wide one) and every design that has a spot. The
// saved .doc is drawn afresh at 300 dpi by a separate office, and exported as
// the preview exports a picture; zbarimg must read the typed number from both.
#include "generation/DesignPictures.h"
#include "generation/Designs.h"
#include "generation/FillingRun.h"
#include "generation/Invitation.h"
#include "generation/PrintAndExport.h"
#include "tests/support/OfficeFixtures.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

// A Letter page with the RSVP line and, 6 in from the page's left and 8.5 in
// from its top, a text box (%1 × %2 in) whose only text is the code's token.
const char kSpotDocument[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:automatic-styles>
  <style:style style:name="fr1" style:family="graphic">
   <style:graphic-properties fo:border="none" draw:fill="none" draw:stroke="none" style:wrap="run-through"
    style:run-through="foreground" style:horizontal-pos="from-left" style:horizontal-rel="page"
    style:vertical-pos="from-top" style:vertical-rel="page" fo:padding="0in"/>
  </style:style>
  <style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="8.5in"
   fo:page-height="11in" fo:margin-top="0.5in" fo:margin-bottom="0.5in" fo:margin-left="0.5in"
   fo:margin-right="0.5in"/></style:page-layout>
 </office:automatic-styles>
 <office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1"/></office:master-styles>
 <office:body><office:text>
  <draw:frame draw:style-name="fr1" draw:name="Box Code" text:anchor-type="page" text:anchor-page-number="1"
   svg:x="6in" svg:y="8.5in" svg:width="%1in" svg:height="%2in"><draw:text-box><text:p>[RSVPCode]</text:p></draw:text-box></draw:frame>
  <text:p>RSVP [RSVPNo]</text:p>
 </office:text></office:body>
</office:document>
)";

const QString kTyped = QStringLiteral("+1 (555) 010-2030");
const QString kDialled = QStringLiteral("tel:+15550102030");

// What zbarimg reads in a picture file: every code's text, one a line.
QString decoded(const QString& picture)
{
    QProcess reader;
    reader.start(QStringLiteral("zbarimg"),
                 {QStringLiteral("--raw"), QStringLiteral("-q"), picture});
    reader.waitForFinished(60000);
    return QString::fromUtf8(reader.readAllStandardOutput()).trimmed();
}

} // namespace

class TestRsvpCodeOnPage : public QObject {
    Q_OBJECT

    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;

    QString path(const QString& name) const { return mFolder.filePath(name); }

    // The template filled with the code asked for, saved as the filling run
    // saves; the spot's size as the office told it, in twips.
    QSizeF fill(const QString& templatePath, const QString& saved)
    {
        auto application = mEngine->createApplication();
        auto document = application->open(templatePath, true);
        const QSizeF spot = document->spotSize(invitation::kCodeTag);
        InvitationValues values;
        values.texts = {QStringLiteral("Orla Penwick"), QStringLiteral("Candia Hall"),
                        QStringLiteral("Bozo"), kTyped};
        values.birthDate = QDate(2021, 8, 31);
        values.birthTime = QTime(14, 5);
        values.rsvpCode = true;
        fillDocument(*document.get(), values);
        document->fitTextToBoxes(kSmallestTypePoints);
        document->saveAs(saved);
        document->close();
        application->quit();
        return spot;
    }

private slots:
    void initTestCase() GUARDED_TEST
    {
        QVERIFY(mFolder.isValid());
        mEngine = makeTestEngine();
        auto application = mEngine->createApplication();
        for (const auto& [name, width, height] :
             {std::tuple{"square", 1.25, 1.25}, std::tuple{"wide", 2.0, 1.0}}) {
            const QString fodt = path(QString::fromLatin1(name) + QStringLiteral(".fodt"));
            QFile file(fodt);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QString::fromUtf8(kSpotDocument).arg(width).arg(height).toUtf8());
            file.close();
            application->open(fodt, true)->saveAs(path(QString::fromLatin1(name) + ".dot"));
            application->closeActiveDocument(false);
        }
        application->quit();
        for (const designs::Design& design : designs::all()) {
            if (design.own())
                continue;
            QFile copy(path(design.id + QStringLiteral(".dot")));
            QVERIFY(copy.open(QIODevice::WriteOnly));
            copy.write(design.templateBytes());
        }
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cleanupTestCase()
    {
        mEngine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }

    void codeReadsAsTheNumber_data()
    {
        QTest::addColumn<QString>("templateName");
        QTest::newRow("own template, square box") << "square";
        QTest::newRow("own template, wide box") << "wide";
        for (const designs::Design& design : designs::all())
            if (!design.own())
                QTest::newRow(qPrintable(QStringLiteral("design ") + design.id)) << design.id;
    }
    void codeReadsAsTheNumber() GUARDED_TEST
    {
        QFETCH(QString, templateName);
        const QString name = QString(QTest::currentDataTag()).replace(u' ', u'-').remove(u',');
        const QString saved = path(name + QStringLiteral(".doc"));
        const QSizeF spot = fill(path(templateName + QStringLiteral(".dot")), saved);
        if (spot.isEmpty())
            QSKIP("this design has no \"[RSVPCode]\" spot yet");

        // Printed: the office's PDF drawn afresh at 300 dpi.
        const QString pdf = convertDocument(saved, QStringLiteral("pdf"), mFolder.path());
        const QString stem = path(name + QStringLiteral("-300"));
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-f"), QStringLiteral("1"),
             QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
             QStringLiteral("-png"), pdf, stem});
        QCOMPARE(decoded(stem + QStringLiteral(".png")), kDialled);

        // Shared: the preview's picture export.
        const QString png = path(name + QStringLiteral("-export.png"));
        exportDocument(*mEngine, saved, invitationTitle(QStringLiteral("Orla Penwick")), png,
                       ExportFormat::Png);
        QCOMPARE(decoded(png), kDialled);
        qInfo("%s: a %.2f x %.2f in spot reads as %s at 300 dpi and in the %d dpi picture",
              name.toUtf8().constData(), spot.width() / 1440, spot.height() / 1440,
              kDialled.toUtf8().constData(), kSharedPictureDpi);
    }
    FAIL_ON_UNEXPECTED_FAILURE
};

QTEST_GUILESS_MAIN(TestRsvpCodeOnPage)

#include "test_rsvp_code_on_page.moc"
