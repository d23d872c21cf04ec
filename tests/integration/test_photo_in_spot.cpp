// The pictures the real office places into a design's spots, in templates of
// our own and in every design that has the spot, the .doc saved and read afresh
// by a separate office. The celebrant's photo in "[Photo]": as flat ODF (the
// picture's own bytes and its frame) and as a PDF drawn to pixels (the photo
// upright, where the box is). The RSVP code in "[RSVPCode]" (a square box and a
// wide one): drawn at 300 dpi and exported as the preview exports a picture,
// zbarimg must read the typed number from both. The ctest test_photo_in_spot
// runs the photo's rows, test_rsvp_code_on_page the code's.
#include "generation/Designs.h"
#include "generation/Invitation.h"
#include "generation/PhotoFile.h"
#include "generation/PrintAndExport.h"
#include "tests/support/OfficeFixtures.h"
#include "tests/support/Pictures.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace velmora;
using namespace velmora::testing;

namespace {

// Stored 1600 × 1200 with the left half red and the right half blue, both a
// little noisy (as a photo is, so that its bytes do not pack to nothing), and
// an Exif orientation of 6: turned clockwise to show, red is on top.
QByteArray sidewaysPhoto()
{
    QImage image(1600, 1200, QImage::Format_RGB32);
    QRandomGenerator noise(11);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int jitter = int(noise.bounded(24));
            image.setPixel(x, y,
                           x < 800 ? qRgb(230 + jitter, jitter, jitter)
                                   : qRgb(jitter, jitter, 230 + jitter));
        }
    return sidewaysJpeg(image);
}

const char kSpotFodt[] = R"(<?xml version="1.0" encoding="UTF-8"?>
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
  <draw:frame draw:style-name="fr1" draw:name="Spot" text:anchor-type="page" text:anchor-page-number="1"
   svg:x="%1in" svg:y="%2in" svg:width="%3in" svg:height="%4in"><draw:text-box><text:p>%5</text:p></draw:text-box></draw:frame>
  <text:p>%6</text:p>
 </office:text></office:body>
</office:document>
)";

// A Word template of a Letter page holding a line of text and, at `inches`
// from the page's top left corner, a text box without line or fill whose only
// text is the token.
void makeSpotTemplate(office::Engine& engine, const QString& dot, const QString& token,
                      const QRectF& inches, const QString& line)
{
    const QString source = dot + QStringLiteral(".fodt");
    QFile file(source);
    const QByteArray text = QString::fromUtf8(kSpotFodt)
                                .arg(inches.x())
                                .arg(inches.y())
                                .arg(inches.width())
                                .arg(inches.height())
                                .arg(token, line)
                                .toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        throw Failure(QStringLiteral("cannot write the fixture"));
    file.close();
    auto application = engine.createApplication();
    application->open(source, true)->saveAs(dot);
    application->closeActiveDocument(false);
    application->quit();
    QFile::remove(source);
}

void writeDesignTemplates(const QString& folder)
{
    for (const designs::Design& design : designs::all()) {
        if (design.own())
            continue;
        QFile copy(folder + u'/' + design.id + QStringLiteral(".dot"));
        if (!copy.open(QIODevice::WriteOnly) || copy.write(design.templateBytes()) < 0)
            throw Failure(QStringLiteral("cannot write ") + copy.fileName());
    }
}

const QString kTyped = QStringLiteral("+1 (555) 010-2030");
const QString kDialled = QStringLiteral("tel:+15550102030");

// A length as the office writes it in flat ODF of a page set up in inches.
double inches(QStringView length)
{
    return length.endsWith(u"in") ? length.chopped(2).toDouble() : -1;
}

// A picture of a flat ODF document, as a separate office wrote it.
struct Picture {
    QSizeF inches;
    QString link; // the address it is read from; empty when embedded
    QImage image; // decoded from the embedded bytes
};

std::vector<Picture> picturesOf(const QString& fodt)
{
    QFile file(fodt);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    std::vector<Picture> pictures;
    QXmlStreamReader xml(&file);
    Picture frame;
    bool inImage = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const QStringView name = xml.qualifiedName();
        if (xml.isStartElement() && name == u"draw:frame") {
            frame = Picture{};
            frame.inches = QSizeF(inches(xml.attributes().value("svg:width")),
                                  inches(xml.attributes().value("svg:height")));
        } else if (xml.isStartElement() && name == u"draw:image") {
            inImage = true;
            frame.link = xml.attributes().value("xlink:href").toString();
        } else if (xml.isStartElement() && name == u"office:binary-data" && inImage) {
            frame.image =
                QImage::fromData(QByteArray::fromBase64(xml.readElementText().toLatin1()));
        } else if (xml.isEndElement() && name == u"draw:image") {
            inImage = false;
        } else if (xml.isEndElement() && name == u"draw:frame" && !frame.image.isNull()) {
            pictures.push_back(frame);
            frame = Picture{};
        }
    }
    return pictures;
}

// Where two pictures of one page, drawn at 72 pixels an inch, differ: in inches.
QRectF changedArea(const QImage& before, const QImage& after)
{
    int left = after.width(), top = after.height(), right = -1, bottom = -1;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const QRgb a = before.pixel(x, y);
            const QRgb b = after.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b))
                    + std::abs(qBlue(a) - qBlue(b))
                > 90) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    if (right < 0)
        return {};
    return QRectF(left / 72.0, top / 72.0, (right - left + 1) / 72.0, (bottom - top + 1) / 72.0);
}

QImage pageOf(const QString& pdf)
{
    return QImage(drawFirstPage(pdf, 72)).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPhotoInSpot : public QObject {
    Q_OBJECT

    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;
    QImage mPhoto;

    QString path(const QString& name) const { return mFolder.filePath(name); }
    // A file of the test function's row.
    QString tagPath(const QString& suffix) const
    {
        return path(QString::fromLatin1(QTest::currentTestFunction()) + u'-'
                    + QString(QTest::currentDataTag()).replace(u' ', u'-').remove(u',') + suffix);
    }

private slots:
    void initTestCase() GUARDED_TEST
    {
        QVERIFY(mFolder.isValid());
        mEngine = makeTestEngine();
        QFile jpeg(path(QStringLiteral("sideways.jpg")));
        QVERIFY(jpeg.open(QIODevice::WriteOnly) && jpeg.write(sidewaysPhoto()) > 0);
        jpeg.close();
        const photo::Reading reading = photo::read(jpeg.fileName());
        QVERIFY2(reading.refusal.isEmpty(), qPrintable(reading.refusal));
        mPhoto = reading.image;
        QCOMPARE(mPhoto.size(), QSize(1200, 1600));
        // The photo's box: 2 × 2.5 in at (2 in, 3 in); the code's: at (6 in, 8.5 in).
        makeSpotTemplate(*mEngine, path(QStringLiteral("spot.dot")), invitation::kPhotoTag,
                         QRectF(2, 3, 2, 2.5),
                         QStringLiteral("[Celebrant] celebrate her birthday"));
        for (const auto& [name, width, height] :
             {std::tuple{"square", 1.25, 1.25}, std::tuple{"wide", 2.0, 1.0}})
            makeSpotTemplate(*mEngine, path(QString::fromLatin1(name) + QStringLiteral(".dot")),
                             invitation::kCodeTag, QRectF(6, 8.5, width, height),
                             QStringLiteral("RSVP [RSVPNo]"));
        writeDesignTemplates(mFolder.path());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cleanupTestCase()
    {
        mEngine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }

    void photoInTheSpot_data()
    {
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QString>("frame");
        // Where the photo shows on the page, in inches; empty: not checked
        // (a tilted print and its shadow, a design's own box).
        QTest::addColumn<QRectF>("shows");
        QTest::newRow("own template, plain") << "spot"
                                             << "plain" << QRectF(2, 3, 2, 2.5);
        // The circle inscribed in the box.
        QTest::newRow("own template, round") << "spot"
                                             << "round" << QRectF(2, 3.25, 2, 2);
        QTest::newRow("own template, arch") << "spot"
                                            << "arch" << QRectF(2, 3, 2, 2.5);
        QTest::newRow("own template, print") << "spot"
                                             << "print" << QRectF();
        for (const designs::Design& design : designs::all())
            if (!design.own())
                QTest::newRow(qPrintable(QStringLiteral("design ") + design.id))
                    << design.id << design.photoFrame << QRectF();
    }
    void photoInTheSpot() GUARDED_TEST
    {
        QFETCH(QString, templateName);
        QFETCH(QString, frame);
        QFETCH(QRectF, shows);
        const QString source = path(templateName + QStringLiteral(".dot"));
        const QString withPhoto = tagPath(QStringLiteral(".doc"));
        const QString without = tagPath(QStringLiteral("-without.doc"));
        InvitationValues values = sampleValues();
        values.photoFrame = frame;
        fillTemplate(*mEngine, source, values, without);
        values.photo = mPhoto;
        const QSizeF spot =
            fillTemplate(*mEngine, source, values, withPhoto, invitation::kPhotoTag);
        if (spot.isEmpty())
            QSKIP("this design has no photo spot");

        // Embedded: the .doc carries the picture's bytes, not an address.
        const qint64 growth = QFileInfo(withPhoto).size() - QFileInfo(without).size();
        QVERIFY2(growth > 100 * 1024, qPrintable(QString::number(growth)));
        std::vector<Picture> pictures =
            picturesOf(convertDocument(withPhoto, QStringLiteral("fodt"), mFolder.path()));
        // The photo is the one picture of the spot's size (a design's art is drawn, not pictured).
        std::erase_if(pictures, [&](const Picture& picture) {
            return std::abs(picture.inches.width() - spot.width() / 1440) > 0.02
                   || std::abs(picture.inches.height() - spot.height() / 1440) > 0.02;
        });
        QCOMPARE(int(pictures.size()), 1);
        const Picture& placed = pictures.front();
        QVERIFY2(placed.link.isEmpty(), qPrintable(placed.link));
        const double ppi = std::min(placed.image.width() / placed.inches.width(),
                                    placed.image.height() / placed.inches.height());
        QVERIFY2(ppi >= 250, qPrintable(QString::number(ppi)));
        qInfo("%s: %.0f ppi in the .doc, %lld bytes larger", QTest::currentDataTag(), ppi, growth);
        // A shaped frame keeps its transparency: the box's corner shows the page.
        if (frame != QStringLiteral("plain"))
            QVERIFY(placed.image.hasAlphaChannel() && placed.image.pixelColor(0, 0).alpha() == 0);

        // Drawn afresh: the photo upright (red over blue) where the box is.
        const QStringList pdfs =
            convertDocuments({withPhoto, without}, QStringLiteral("pdf"), mFolder.path());
        const QImage page = pageOf(pdfs[0]);
        const QRectF changed = changedArea(pageOf(pdfs[1]), page);
        QVERIFY2(!changed.isEmpty(), "the photo does not show");
        const double off = std::max({std::abs(changed.left() - shows.left()),
                                     std::abs(changed.top() - shows.top()),
                                     std::abs(changed.right() - shows.right()),
                                     std::abs(changed.bottom() - shows.bottom())});
        QVERIFY2(shows.isEmpty() || off < 0.08,
                 qPrintable(QStringLiteral("shows at %1, %2, %3 x %4 in")
                                .arg(changed.left())
                                .arg(changed.top())
                                .arg(changed.width())
                                .arg(changed.height())));
        const int x = qRound(changed.center().x() * 72);
        const QColor upper =
            page.pixelColor(x, qRound((changed.top() + changed.height() / 4) * 72));
        const QColor lower =
            page.pixelColor(x, qRound((changed.top() + changed.height() * 3 / 4) * 72));
        QVERIFY2(upper.red() > 170 && upper.green() < 100 && upper.blue() < 100,
                 qPrintable(upper.name()));
        QVERIFY2(lower.blue() > 170 && lower.red() < 100 && lower.green() < 100,
                 qPrintable(lower.name()));
    }
    FAIL_ON_UNEXPECTED_FAILURE

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
        const QString saved = tagPath(QStringLiteral(".doc"));
        InvitationValues values = sampleValues({"Orla Penwick", "Candia Hall", "Bozo", kTyped});
        values.rsvpCode = true;
        const QSizeF spot = fillTemplate(*mEngine, path(templateName + QStringLiteral(".dot")),
                                         values, saved, invitation::kCodeTag);
        if (spot.isEmpty())
            QSKIP("this design has no \"[RSVPCode]\" spot yet");

        // Printed: the office's PDF drawn afresh at 300 dpi.
        const QString pdf = convertDocument(saved, QStringLiteral("pdf"), mFolder.path());
        QCOMPARE(codesIn(drawFirstPage(pdf, 300)), kDialled);
        // Shared: the preview's picture export.
        const QString png = tagPath(QStringLiteral("-export.png"));
        exportDocument(*mEngine, saved, invitationTitle(values.texts[0]), png, ExportFormat::Png);
        QCOMPARE(codesIn(png), kDialled);
        qInfo("%s: a %.2f x %.2f in spot reads at 300 dpi and in the %d dpi picture",
              QTest::currentDataTag(), spot.width() / 1440, spot.height() / 1440,
              kSharedPictureDpi);
    }
    FAIL_ON_UNEXPECTED_FAILURE
};

QTEST_GUILESS_MAIN(TestPhotoInSpot)

#include "test_photo_in_spot.moc"
