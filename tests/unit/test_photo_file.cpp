// Reading the photo a user brings, from good photos to hostile files, fitting
// it to a spot and keeping the program's copy.
#include "generation/PhotoFile.h"
#include "generation/PhotoSpot.h"
#include "platform/Failure.h"
#include "tests/support/Pictures.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

using namespace velmora;

namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    const QByteArray body = type + data;
    QByteArray chunk;
    QDataStream stream(&chunk, QIODevice::WriteOnly);
    stream << quint32(data.size());
    stream.writeRawData(body.constData(), int(body.size()));
    stream << quint32(
        crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size())));
    return chunk;
}

// A grey PNG whose header says 30000 × 30000 and whose data holds a few rows.
QByteArray hugePng()
{
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly) << quint32(30000) << quint32(30000) << quint8(8)
                                               << quint8(0) << quint8(0) << quint8(0) << quint8(0);
    return QByteArray("\x89PNG\r\n\x1a\n") + pngChunk("IHDR", header)
           + pngChunk("IDAT", qCompress(QByteArray(30001 * 8, '\0')).mid(4)) + pngChunk("IEND", {});
}

// 64 × 32, white with a red top-left block of one whole JPEG block, and an
// Exif segment whose orientation 6 says "turn 90° clockwise to show".
QByteArray sidewaysJpeg()
{
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 0, 16, 16, Qt::red);
    return testing::sidewaysJpeg(image);
}

unsigned mode(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}

} // namespace

class PhotoFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir mDir;
    QHash<QString, QString> mSkips;
    QString path(const QString& name) const
    {
        return name.startsWith(u'/') ? name : mDir.filePath(name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
        write(path("sideways.jpg"), sidewaysJpeg());
        QImage p3(16, 16, QImage::Format_RGB32);
        p3.fill(qRgb(200, 100, 50));
        p3.setColorSpace(QColorSpace::DisplayP3);
        write(path("p3.png"), encoded(p3, "png"));

        mSkips["cmyk.jpg"] = "neither python3 with PIL nor another writer of CMYK JPEGs is here";
        const QString script = "import sys; from PIL import Image; Image.new('CMYK', (32, 32), "
                               "(0, 255, 255, 0)).save(sys.argv[1], quality=95)";
        for (const char* program : {"/usr/bin/python3", "python3"})
            if (QProcess::execute(QString::fromLatin1(program), {"-c", script, path("cmyk.jpg")})
                == 0) {
                mSkips.remove("cmyk.jpg");
                break;
            }

        QFile large(path("large.jpg"));
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(photo::kLargestFile + 1));
        write(path("huge.png"), hugePng());
        write(path("empty.jpg"), {});
        QImage gradient(256, 256, QImage::Format_RGB32);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                gradient.setPixel(x, y, qRgb(x, y, (x * y) % 256));
        const QByteArray whole = encoded(gradient, "jpeg");
        write(path("cut.jpg"), whole.left(whole.size() / 2));
        const QByteArray bmp = encoded(gradient, "bmp");
        write(path("cut.bmp"), bmp.left(bmp.size() / 2));
        // One pixel whose data lacks the empty block that ends it, and the trailer.
        write(path("cut.gif"), QByteArray("GIF89a\1\0\1\0\x80\0\0\xFF\xFF\xFF\0\0\0"
                                          ",\0\0\0\0\1\0\1\0\0\2\2\x44\1",
                                          33));
        QByteArray noise(4096, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        write(path("noise.jpg"), noise);
        write(path("text.png"), "This is a letter, not a picture.\n");
        const QByteArray svg =
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">"
            "<image href=\"file:///etc/hostname\" width=\"10\" height=\"10\"/>"
            "</svg>";
        write(path("drawing.svg"), svg);
        write(path("drawing.png"), svg);
        write(path("phone.jpg"), QByteArray("\0\0\0\x18"
                                            "ftypheic\0\0\0\0mif1heic",
                                            24)
                                     + QByteArray(1000, '\1'));
        write(path("phone.avif"), QByteArray("\0\0\0\x1c"
                                             "ftypavif\0\0\0\0avifmif1miaf",
                                             28)
                                      + QByteArray(1000, '\1'));
        if (::mkfifo(QFile::encodeName(path("pipe.jpg")).constData(), 0600) != 0)
            mSkips["pipe.jpg"] = mSkips["pipe-link.jpg"] = "this file system makes no pipes";
        QFile::link(path("pipe.jpg"), path("pipe-link.jpg"));
        QDir(mDir.path()).mkdir("folder.jpg");
        QFile::link(path("gone.jpg"), path("dangling.jpg"));
        write(path("locked.jpg"), whole);
        QFile(path("locked.jpg")).setPermissions({});
        if (::geteuid() == 0)
            mSkips["locked.jpg"] = "running as root, which reads a file whatever its mode";
    }

    void read_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("refusal"); // a word the refusal has; empty when read
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<QColor>("colour");
        // Stored 64 × 32 with red top left; turned clockwise, red is top right.
        QTest::newRow("exif orientation")
            << "sideways.jpg"
            << "" << QSize(32, 64) << QPoint(24, 8) << QColor(255, 0, 0);
        // Display P3 (200, 100, 50) in sRGB, by the two spaces' matrices.
        QTest::newRow("display p3") << "p3.png"
                                    << "" << QSize(16, 16) << QPoint(8, 8) << QColor(215, 93, 31);
        QTest::newRow("cmyk red") << "cmyk.jpg"
                                  << "" << QSize(32, 32) << QPoint(16, 16) << QColor(255, 0, 0);
        const auto refused = [](const char* row, const char* file, const char* word) {
            QTest::newRow(row) << file << word << QSize() << QPoint() << QColor();
        };
        refused("over 50 MB", "large.jpg", "50 MB");
        refused("30000 x 30000", "huge.png", "100 million");
        refused("empty", "empty.jpg", "empty");
        refused("truncated jpeg", "cut.jpg", "damaged");
        refused("truncated bmp", "cut.bmp", "damaged");
        refused("truncated gif", "cut.gif", "damaged");
        refused("random bytes", "noise.jpg", "");
        refused("text named png", "text.png", "not a picture");
        refused("svg", "drawing.svg", "SVG");
        refused("svg named png", "drawing.png", "SVG");
        refused("heic", "phone.jpg", "HEIC");
        refused("avif", "phone.avif", "AVIF");
        refused("pipe", "pipe.jpg", "pipe");
        refused("link to a pipe", "pipe-link.jpg", "pipe");
        refused("folder", "folder.jpg", "folder");
        refused("dangling link", "dangling.jpg", "not there");
        refused("device", "/dev/null", "device");
        refused("unreadable", "locked.jpg", "cannot be read");
    }

    void read()
    {
        QFETCH(QString, file);
        QFETCH(QString, refusal);
        QFETCH(QSize, size);
        QFETCH(QPoint, probe);
        QFETCH(QColor, colour);
        if (mSkips.contains(file))
            QSKIP(qPrintable(mSkips[file]));
        QElapsedTimer clock;
        clock.start();
        const photo::Reading reading = photo::read(path(file));
        if (!size.isValid()) {
            QVERIFY(clock.elapsed() < 2000);
            QVERIFY(reading.image.isNull());
            QVERIFY2(reading.refusal.contains(QFileInfo(file).fileName()),
                     qPrintable(reading.refusal));
            QVERIFY2(reading.refusal.contains(refusal), qPrintable(reading.refusal));
            return;
        }
        QVERIFY2(reading.refusal.isEmpty(), qPrintable(reading.refusal));
        QCOMPARE(reading.image.size(), size);
        QVERIFY(reading.image.format() == QImage::Format_RGB32
                || reading.image.format() == QImage::Format_ARGB32);
        QVERIFY(!reading.image.colorSpace().isValid()
                || reading.image.colorSpace() == QColorSpace(QColorSpace::SRgb));
        const QColor got = reading.image.pixelColor(probe);
        QVERIFY2(qAbs(got.red() - colour.red()) <= 3 && qAbs(got.green() - colour.green()) <= 3
                     && qAbs(got.blue() - colour.blue()) <= 3,
                 qPrintable(got.name()));
    }

    void fit_data()
    {
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<QSizeF>("spot");
        QTest::addColumn<QSize>("fitted");
        QTest::addColumn<double>("ppi");
        // 2 × 2 inches at 300 ppi need 600 × 600: the short side sets the scale.
        QTest::newRow("4000x3000 in 2x2")
            << QSize(4000, 3000) << QSizeF(2, 2) << QSize(800, 600) << 1500.0;
        QTest::newRow("300x300 in 3x3, never upscaled")
            << QSize(300, 300) << QSizeF(3, 3) << QSize(300, 300) << 100.0;
    }

    void fit()
    {
        QFETCH(QSize, photo);
        QFETCH(QSizeF, spot);
        QFETCH(QSize, fitted);
        QFETCH(double, ppi);
        QImage image(photo, QImage::Format_RGB32);
        image.fill(Qt::gray);
        QCOMPARE(photo::ppiAt(image, spot), ppi);
        QCOMPARE(photo::fitForPrint(image, spot).size(), fitted);
    }

    // The photo cut to its frame's shape: never stretched, never upscaled, at
    // most 300 ppi; outside the shape the page shows through.
    void frame_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QSizeF>("spot");
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<QSize>("framed");
        QTest::addColumn<QList<QPointF>>("clear"); // fractions of the picture
        QTest::addColumn<QList<QPointF>>("photoShows");
        // 400 × 100 with only its middle 100 green: a square spot gets the
        // middle, all green, at the photo's own 100 ppi.
        QTest::newRow("plain, cut in the middle")
            << "plain" << QSizeF(1, 1) << QSize(400, 100) << QSize(100, 100) << QList<QPointF>{}
            << QList<QPointF>{{0, 0}, {0.99, 0.99}, {0.5, 0.5}};
        // A circle of 1 in inscribed in a 2 × 1 in box, at 300 ppi.
        QTest::newRow("round") << "round" << QSizeF(2, 1) << QSize(2000, 2000) << QSize(600, 300)
                               << QList<QPointF>{{0, 0}, {0.2, 0.5}, {0.8, 0.5}, {0.27, 0.05}}
                               << QList<QPointF>{{0.5, 0.5}, {0.5, 0.03}, {0.26, 0.5}};
        QTest::newRow("arch") << "arch" << QSizeF(1, 2) << QSize(2000, 2000) << QSize(300, 600)
                              << QList<QPointF>{{0.01, 0.01}, {0.99, 0.01}}
                              << QList<QPointF>{{0.5, 0.01}, {0.01, 0.99}, {0.99, 0.99}};
        QTest::newRow("print") << "print" << QSizeF(2, 2) << QSize(2000, 2000) << QSize(600, 600)
                               << QList<QPointF>{{0, 0}, {0.99, 0.99}, {0.99, 0}}
                               << QList<QPointF>{{0.5, 0.5}, {0.3, 0.3}};
        QTest::newRow("unknown name, plain")
            << "oval" << QSizeF(2, 1) << QSize(2000, 1000) << QSize(600, 300) << QList<QPointF>{}
            << QList<QPointF>{{0.5, 0.5}, {0.26, 0.5}};
    }
    void frame()
    {
        QFETCH(QString, frame);
        QFETCH(QSizeF, spot);
        QFETCH(QSize, photo);
        QFETCH(QSize, framed);
        QFETCH(QList<QPointF>, clear);
        QFETCH(QList<QPointF>, photoShows);
        QImage image(photo, QImage::Format_RGB32);
        image.fill(Qt::red);
        const int middle = std::min(photo.width(), photo.height());
        QPainter(&image).fillRect((photo.width() - middle) / 2, (photo.height() - middle) / 2,
                                  middle, middle, Qt::green);
        const QImage result = photo::framed(image, spot, photo::frameNamed(frame));
        QCOMPARE(result.size(), framed);
        QCOMPARE(result.hasAlphaChannel(), !clear.isEmpty());
        const auto at = [&](QPointF f) {
            return result.pixelColor(int(f.x() * result.width()), int(f.y() * result.height()));
        };
        for (const QPointF& f : clear)
            QVERIFY2(at(f).alpha() == 0, qPrintable(QStringLiteral("%1,%2").arg(f.x()).arg(f.y())));
        for (const QPointF& f : photoShows)
            QVERIFY2(at(f) == QColor(Qt::green), qPrintable(QStringLiteral("%1,%2: %3")
                                                                .arg(f.x())
                                                                .arg(f.y())
                                                                .arg(at(f).name(QColor::HexArgb))));
    }

    void keepsOneCopy()
    {
        QImage opaque(40, 30, QImage::Format_RGB32);
        opaque.fill(Qt::blue);
        const QString first = photo::keep(opaque);
        QVERIFY(first.startsWith(photo::folder() + "/") && first.endsWith(".jpg"));
        QCOMPARE(QImage(first).size(), opaque.size());
        QCOMPARE(mode(first), 0600u);
        QCOMPARE(mode(photo::folder()), 0700u);

        QImage clear(20, 10, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        const QString second = photo::keep(clear);
        QVERIFY(second.endsWith(".png"));
        QCOMPARE(QDir(photo::folder()).entryList(QDir::Files),
                 QStringList{QFileInfo(second).fileName()});
        QCOMPARE(QImage(second).pixelColor(0, 0).alpha(), 0);
    }

    void keepFailsWhereNoFolderCanBe()
    {
        QVERIFY(QDir(path("data/velmora/photos")).removeRecursively());
        write(path("data/velmora/photos"), "in the way");
        QVERIFY_THROWS_EXCEPTION(Failure, photo::keep(QImage(4, 4, QImage::Format_RGB32)));
    }
};

QTEST_GUILESS_MAIN(PhotoFileTest)
#include "test_photo_file.moc"
