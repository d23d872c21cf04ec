// The celebrant's photo placed by the real office into a "[Photo]" spot: a
// template of our own and every design that has a spot. The saved .doc is read
// afresh by a separate office, as flat ODF (the picture's own bytes and its
// frame) and as a PDF drawn to pixels (the photo upright, where
// the box is).
#include "generation/DesignPictures.h"
#include "generation/Designs.h"
#include "generation/FillingRun.h"
#include "generation/Invitation.h"
#include "generation/PhotoFile.h"
#include "tests/support/OfficeFixtures.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
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
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    const QByteArray tiff("II*\0\x08\0\0\0"
                          "\x01\0"
                          "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0"
                          "\0\0\0\0",
                          26);
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1");
    QDataStream(&segment, QIODevice::Append) << quint16(exif.size() + 2);
    return jpeg.insert(2, segment + exif);
}

// A Letter page with the celebrant's line and, 2 in from the page's left and
// 3 in from its top, a 2 × 2.5 in text box without line or fill whose only
// text is the photo's token.
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
  <draw:frame draw:style-name="fr1" draw:name="Box Photo" text:anchor-type="page" text:anchor-page-number="1"
   svg:x="2in" svg:y="3in" svg:width="2in" svg:height="2.5in"><draw:text-box><text:p>[Photo]</text:p></draw:text-box></draw:frame>
  <text:p>[Celebrant] celebrate her birthday</text:p>
 </office:text></office:body>
</office:document>
)";

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

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

// Page 1 of a PDF drawn at 72 pixels an inch.
QImage pageOf(const QString& pdf)
{
    const QString stem = pdf + QStringLiteral("-page");
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"), QStringLiteral("1"),
         QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
         QStringLiteral("-png"), pdf, stem});
    return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// Where two pictures of one page differ, in inches.
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

bool reddish(const QColor& c)
{
    return c.red() > 170 && c.green() < 100 && c.blue() < 100;
}

bool bluish(const QColor& c)
{
    return c.blue() > 170 && c.red() < 100 && c.green() < 100;
}

} // namespace

class TestPhotoInSpot : public QObject {
    Q_OBJECT

    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;
    QImage mPhoto;

    QString path(const QString& name) const { return mFolder.filePath(name); }

    // The template filled with the sample values, with the photo or without,
    // and saved as the filling run saves; the spot's size as the office
    // told it before the filling, in twips.
    QSizeF fill(const QString& templatePath, const QImage& photo, const QString& frame,
                const QString& saved)
    {
        auto application = mEngine->createApplication();
        auto document = application->open(templatePath, true);
        const QSizeF spot = document->spotSize(invitation::kPhotoTag);
        InvitationValues values;
        values.texts = {QStringLiteral("Orla Penwick"), QStringLiteral("Candia Hall"),
                        QStringLiteral("Bozo"), QStringLiteral("555-010-2468")};
        values.birthDate = QDate(2021, 8, 31);
        values.birthTime = QTime(14, 5);
        values.photo = photo;
        values.photoFrame = frame;
        if (!spot.isEmpty())
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
        write(path(QStringLiteral("sideways.jpg")), sidewaysPhoto());
        const photo::Reading reading = photo::read(path(QStringLiteral("sideways.jpg")));
        QVERIFY2(reading.refusal.isEmpty(), qPrintable(reading.refusal));
        mPhoto = reading.image;
        QCOMPARE(mPhoto.size(), QSize(1200, 1600));

        write(path(QStringLiteral("spot.fodt")), kSpotDocument);
        auto application = mEngine->createApplication();
        application->open(path(QStringLiteral("spot.fodt")), true)
            ->saveAs(path(QStringLiteral("spot.dot")));
        application->closeActiveDocument(false);
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

    void photoInTheSpot_data()
    {
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QString>("frame");
        // Where the photo shows on the page, in inches; empty: not checked
        // (a tilted print and its shadow, a design's own box).
        QTest::addColumn<QRectF>("shows");
        // The box: 2 × 2.5 in at (2 in, 3 in).
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
        const QString name = QString(QTest::currentDataTag()).replace(u' ', u'-').remove(u',');
        const QString withPhoto = path(name + QStringLiteral(".doc"));
        const QString without = path(name + QStringLiteral("-without.doc"));

        const QSizeF spot = fill(source, mPhoto, frame, withPhoto);
        if (spot.isEmpty())
            QSKIP("this design has no photo spot");
        fill(source, QImage(), frame, without);
        if (templateName == QStringLiteral("spot"))
            QVERIFY2(std::abs(spot.width() - 2880) < 15 && std::abs(spot.height() - 3600) < 15,
                     qPrintable(QStringLiteral("%1 x %2").arg(spot.width()).arg(spot.height())));

        // Embedded: the .doc carries the picture's bytes, not an address.
        QVERIFY2(QFileInfo(withPhoto).size() - QFileInfo(without).size() > 100 * 1024,
                 qPrintable(QStringLiteral("%1 against %2 bytes")
                                .arg(QFileInfo(withPhoto).size())
                                .arg(QFileInfo(without).size())));
        const QStringList flat =
            convertDocuments({withPhoto}, QStringLiteral("fodt"), mFolder.path());
        std::vector<Picture> pictures = picturesOf(flat.front());
        // The photo is the picture of the spot's size (a design's art is drawn, not pictured).
        std::erase_if(pictures, [&](const Picture& picture) {
            return std::abs(picture.inches.width() - spot.width() / 1440) > 0.05
                   || std::abs(picture.inches.height() - spot.height() / 1440) > 0.05;
        });
        QCOMPARE(int(pictures.size()), 1);
        const Picture& placed = pictures.front();
        QVERIFY2(placed.link.isEmpty(), qPrintable(placed.link));
        QVERIFY2(std::abs(placed.inches.width() - spot.width() / 1440) < 0.02
                     && std::abs(placed.inches.height() - spot.height() / 1440) < 0.02,
                 qPrintable(QStringLiteral("%1 x %2 in")
                                .arg(placed.inches.width())
                                .arg(placed.inches.height())));
        const double ppi = std::min(placed.image.width() / placed.inches.width(),
                                    placed.image.height() / placed.inches.height());
        QVERIFY2(ppi >= 250, qPrintable(QString::number(ppi)));
        qInfo("%s: %.0f ppi in the .doc, which the photo makes %lld bytes larger",
              name.toUtf8().constData(), ppi,
              QFileInfo(withPhoto).size() - QFileInfo(without).size());
        // A shaped frame keeps its transparency: the box's corner shows the page.
        if (frame != QStringLiteral("plain")) {
            QVERIFY(placed.image.hasAlphaChannel());
            QCOMPARE(placed.image.pixelColor(0, 0).alpha(), 0);
        }

        // Drawn afresh: the photo upright (red over blue) where the box is.
        const QStringList pdfs =
            convertDocuments({withPhoto, without}, QStringLiteral("pdf"), mFolder.path());
        const QImage page = pageOf(pdfs[0]);
        const QRectF changed = changedArea(pageOf(pdfs[1]), page);
        QVERIFY2(!changed.isEmpty(), "the photo does not show");
        if (!shows.isEmpty())
            QVERIFY2(std::abs(changed.left() - shows.left()) < 0.08
                         && std::abs(changed.top() - shows.top()) < 0.08
                         && std::abs(changed.right() - shows.right()) < 0.08
                         && std::abs(changed.bottom() - shows.bottom()) < 0.08,
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
        QVERIFY2(reddish(upper), qPrintable(upper.name()));
        QVERIFY2(bluish(lower), qPrintable(lower.name()));
    }
    FAIL_ON_UNEXPECTED_FAILURE
};

QTEST_GUILESS_MAIN(TestPhotoInSpot)

#include "test_photo_in_spot.moc"
