// SaveDocAsJPG's guarded steps, with an office that hands out one picture.
#include "generation/Office.h"
#include "generation/PageExport.h"
#include "generation/PageFit.h"
#include "generation/PngEncoding.h"
#include "platform/BitmapFile.h"
#include "platform/ViewBox.h"
#include "tests/support/ScriptedDialogs.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::office;

namespace {

// Records the calls; pictureFails / createFails make those operations throw.
struct PictureOffice final : Engine {
    QStringList calls;
    bool createFails = false;
    bool pictureFails = false;
    // 40 x 60 pixels at 180 per inch of paper.
    QSizeF pageTwips{320, 480};

    struct Doc final : Document {
        PictureOffice& office;
        explicit Doc(PictureOffice& owner) : office(owner) {}
        std::vector<Ref<Range>> storyRanges() override { return {}; }
        std::vector<Ref<Shape>> shapes() override { return {}; }
        std::vector<Overflow> fitTextToBoxes(double) override { return {}; }
        void saveAs(const QString& path) override
        {
            office.calls << QStringLiteral("saveAs ") + path;
        }
        void close() override { office.calls << QStringLiteral("close"); }
        QSizeF pageSize() override { return office.pageTwips; }
        QImage pagePicture(const QSize& pixels) override
        {
            office.calls << QStringLiteral("pagePicture");
            if (office.pictureFails)
                throw Failure(QStringLiteral("render failed"));
            QImage picture(pixels, QImage::Format_RGB32);
            picture.fill(Qt::darkGreen);
            return picture;
        }
    };

    struct App final : Application {
        PictureOffice& office;
        explicit App(PictureOffice& owner) : office(owner) {}
        Ref<Document> open(const QString& path, bool readOnly) override
        {
            office.calls << QStringLiteral("open %1 %2").arg(path).arg(readOnly);
            return Ref<Document>(std::make_shared<Doc>(office));
        }
        void setDisplayAlerts(bool) override {}
        void closeActiveDocument(bool saveChanges) override
        {
            office.calls << QStringLiteral("closeActiveDocument %1").arg(saveChanges);
        }
        void quit() override { office.calls << QStringLiteral("quit"); }
    };

    void checkAvailable() override {}

    Ref<Application> createApplication() override
    {
        calls << QStringLiteral("create");
        if (createFails)
            throw Failure(QStringLiteral("no office"));
        return Ref<Application>(std::make_shared<App>(*this));
    }
};

void writeOldPicture(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("old picture");
}

// The size in twips a picture is drawn at zoom 1.0.
QSizeF naturalTwips(const QImage& picture)
{
    const double dpiX = picture.dotsPerMeterX() * 0.0254;
    const double dpiY = picture.dotsPerMeterY() * 0.0254;
    return QSizeF(picture.width() * 1440 / dpiX, picture.height() * 1440 / dpiY);
}

QImage pictureOfPage(const QSizeF& pageTwips)
{
    QImage picture(pagePicturePixels(pageTwips), QImage::Format_RGB32);
    const int dotsPerMeter = naturalDotsPerMeter(picture.width(), pageTwips);
    picture.setDotsPerMeterX(dotsPerMeter);
    picture.setDotsPerMeterY(dotsPerMeter);
    return picture;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPageExport : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(mFolder.isValid());
        mPicture = mFolder.filePath(QStringLiteral("temp.bmp"));
        writeOldPicture(mPicture);
    }

    void writesThePictureOverTheOldOne()
    {
        PictureOffice office;
        testing::ScriptedDialogs dialogs;
        saveDocAsJpg(office, dialogs, QStringLiteral("/t/tarvik12345678.doc"), picturePath());

        QCOMPARE(dialogs.errorReports(), QStringList());
        QCOMPARE(
            office.calls,
            QStringList({QStringLiteral("create"), QStringLiteral("open /t/tarvik12345678.doc 0"),
                         QStringLiteral("pagePicture"), QStringLiteral("closeActiveDocument 0"),
                         QStringLiteral("quit")}));
        const QImage written(mPicture);
        QCOMPARE(written.size(), QSize(40, 60));
        QCOMPARE(written.pixelColor(5, 5), QColor(Qt::darkGreen));
        // The file carries the natural size: a tall page fills the view box's height.
        const QSizeF natural = naturalTwips(written);
        QVERIFY(natural.height() <= kViewBoxHeightTwips);
        QVERIFY(natural.height() > kViewBoxHeightTwips * 0.98);
    }

    // A page is pictured at 180 pixels per inch of paper.
    void picturesAreRenderedAt180PixelsPerInch_data()
    {
        QTest::addColumn<QSizeF>("pageInches");
        QTest::newRow("Letter") << QSizeF(8.5, 11);
        QTest::newRow("A4") << QSizeF(210 / 25.4, 297 / 25.4);
        QTest::newRow("Letter landscape") << QSizeF(11, 8.5);
    }
    void picturesAreRenderedAt180PixelsPerInch()
    {
        QFETCH(QSizeF, pageInches);
        const QSize pixels = pagePicturePixels(pageInches * 1440);
        QVERIFY(qAbs(pixels.width() - pageInches.width() * 180) <= 0.5);
        QVERIFY(qAbs(pixels.height() - pageInches.height() * 180) <= 0.5);
    }

    // At zoom 1.0 the whole page shows, as large as the view box allows: the
    // side that limits it comes within a pixel of the box, never beyond.
    void naturalSizeFitsTheViewBox_data()
    {
        QTest::addColumn<QSizeF>("pageTwips");
        QTest::newRow("Letter") << QSizeF(12240, 15840);
        QTest::newRow("A4") << QSizeF(11906, 16838);
        QTest::newRow("Letter landscape") << QSizeF(15840, 12240);
        QTest::newRow("wide strip") << QSizeF(20000, 3000);
        QTest::newRow("view box itself") << QSizeF(kViewBoxWidthTwips, kViewBoxHeightTwips);
    }
    void naturalSizeFitsTheViewBox()
    {
        QFETCH(QSizeF, pageTwips);
        const QImage picture = pictureOfPage(pageTwips);
        const QSizeF natural = naturalTwips(picture);
        const double twipsPerPixel = natural.width() / picture.width();
        QVERIFY(natural.width() <= kViewBoxWidthTwips);
        // The resolution follows the width; the height's pixels were rounded
        // on their own, which may leave it a fraction of a pixel over (A4).
        QVERIFY(natural.height() < kViewBoxHeightTwips + twipsPerPixel);
        const bool widthLimits =
            pageTwips.width() / pageTwips.height() >= kViewBoxWidthTwips / kViewBoxHeightTwips;
        const double limitingGap = widthLimits ? kViewBoxWidthTwips - natural.width()
                                               : kViewBoxHeightTwips - natural.height();
        QVERIFY2(limitingGap <= twipsPerPixel,
                 qPrintable(QStringLiteral("%1 twips short of the box").arg(limitingGap)));
        // The page keeps its proportions.
        QVERIFY(qAbs(natural.width() / natural.height() - pageTwips.width() / pageTwips.height())
                < 0.01);
    }

    // The office is asked for the pixels of its page's size.
    void pictureIsAskedForAtThePagesSize()
    {
        PictureOffice office;
        office.pageTwips = QSizeF(12240, 15840);
        const Ref<Application> word = office.createApplication();
        const QImage picture = fittedPagePicture(word->open(QStringLiteral("/t/a.doc"), false));
        QCOMPARE(picture.size(), pagePicturePixels(office.pageTwips));
        QCOMPARE(picture.dotsPerMeterX(), naturalDotsPerMeter(picture.width(), office.pageTwips));
        QCOMPARE(picture.dotsPerMeterY(), picture.dotsPerMeterX());
    }

    // No picture: reported at the write, the old file stays, the office is
    // still closed and ended.
    void failedPictureLeavesTheOldFile()
    {
        PictureOffice office;
        office.pictureFails = true;
        testing::ScriptedDialogs dialogs;
        saveDocAsJpg(office, dialogs, QStringLiteral("/t/a.doc"), picturePath());

        QCOMPARE(dialogs.reportedLines(), QStringList({QStringLiteral("Form1.SaveDocAsJPG:120"),
                                                       QStringLiteral("Form1.SaveDocAsJPG:122")}));
        QVERIFY(dialogs.errorReports().first().startsWith(QStringLiteral("render failed")));
        QVERIFY(office.calls.endsWith(QStringLiteral("quit")));
        QCOMPARE(contents(mPicture), QByteArray("old picture"));
    }

    // Every step after a failed creation fails on its own and is reported.
    void missingOfficeReportsEveryStep()
    {
        PictureOffice office;
        office.createFails = true;
        testing::ScriptedDialogs dialogs;
        saveDocAsJpg(office, dialogs, QStringLiteral("/t/a.doc"), picturePath());

        QStringList expected;
        for (int line : {116, 118, 120, 122, 124, 126})
            expected << QStringLiteral("Form1.SaveDocAsJPG:%1").arg(line);
        QCOMPARE(dialogs.reportedLines(), expected);
        QVERIFY(dialogs.errorReports().at(1).startsWith(kObjectNotSet));
        QCOMPARE(contents(mPicture), QByteArray("old picture"));
    }

    // The picture files the program writes (a PNG export, the preview's
    // bitmap) read back as the very picture at its dots per metre, in Qt's
    // readers and in the program's own; rows of any width and any number of
    // bands.
    void pictureFilesReadBackUnchanged_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("one pixel") << QSize(1, 1);
        QTest::newRow("fewer rows than a band") << QSize(7, 3);
        QTest::newRow("odd page") << QSize(341, 443);
    }
    void pictureFilesReadBackUnchanged()
    {
        QFETCH(QSize, size);
        QImage picture(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                picture.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
        picture.setDotsPerMeterX(7874);
        picture.setDotsPerMeterY(7087);
        picture.setColorSpace(QColorSpace::SRgb);
        const auto same = [&](const QImage& read) {
            return read.convertToFormat(QImage::Format_RGB32).copy() == picture.copy()
                   && read.dotsPerMeterX() == 7874 && read.dotsPerMeterY() == 7087;
        };
        QImage png;
        QVERIFY(png.loadFromData(encodePng(picture), "PNG"));
        QVERIFY(same(png));

        const QByteArray bitmap = bitmap::bitmapBytes(picture);
        QImage qtRead;
        QVERIFY(qtRead.loadFromData(bitmap, "BMP"));
        qtRead.setColorSpace(QColorSpace::SRgb);
        QVERIFY(same(qtRead));
        QImage ownRead = bitmap::readBitmap(bitmap);
        ownRead.setColorSpace(QColorSpace::SRgb);
        QVERIFY(same(ownRead));

        QByteArray qtWritten;
        QBuffer buffer(&qtWritten);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "BMP"));
        QVERIFY(bitmap::isPlainBitmap(qtWritten));
        ownRead = bitmap::readBitmap(qtWritten);
        ownRead.setColorSpace(QColorSpace::SRgb);
        QVERIFY(same(ownRead));
    }

private:
    std::function<QString()> picturePath()
    {
        return [this] { return mPicture; };
    }

    QTemporaryDir mFolder;
    QString mPicture;
};

QTEST_GUILESS_MAIN(TestPageExport)
#include "test_page_export.moc"
