#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "windows/CursorFile.h"
#include "windows/Placement.h"
#include "windows/Titles.h"
#include "windows/WindowPointer.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QtEndian>

using namespace velmora;

namespace {

// A Windows cursor file: an icon file with type 2 and the hotspot in each
// directory entry's planes and bit-count fields.
QByteArray cursorBytes(QPoint hotspot, int type = 2)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int i = 0; i < 32; ++i)
        image.setPixel(i, i, qRgba(0, 0, 0, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    if (!writer.write(image))
        qFatal("cannot write an icon: %s", qPrintable(writer.errorString()));
    qToLittleEndian<quint16>(quint16(type), bytes.data() + 2);
    qToLittleEndian<quint16>(quint16(hotspot.x()), bytes.data() + 6 + 4);
    qToLittleEndian<quint16>(quint16(hotspot.y()), bytes.data() + 6 + 6);
    return bytes;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void shortTitleCutsWholeWordsToFortyCharacters_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected");
        QTest::newRow("42 characters, last word of 8")
            << QStringLiteral("Velmora Birthday Party Invitation Kreative")
            << QStringLiteral("Velmora Birthday Party Invitation");
        QTest::newRow("30 characters, four words")
            << QStringLiteral("Velmora Party Invitation Maker")
            << QStringLiteral("Velmora Party Invitation");
        QTest::newRow("no space") << QStringLiteral("Velmora") << QStringLiteral("Velmora");
        QTest::newRow("long, several words lost")
            << QStringLiteral("Velmora Birthday Party Invitation Maker Deluxe Edition Plus")
            << QStringLiteral("Velmora Birthday Party Invitation Maker");
        QTest::newRow("one long word after a cut")
            << QStringLiteral("Supercalifragilisticexpialidocious-Invitations-Maker x")
            << QStringLiteral("Supercalifragilisticexpialidocious-Invitations-Maker");
    }
    void shortTitleCutsWholeWordsToFortyCharacters()
    {
        QFETCH(QString, title);
        QFETCH(QString, expected);
        QCOMPARE(shortTitle(title), expected);
    }

    void applicationShortTitleIsTheProductTitle()
    {
        setApplicationShortTitle();
        QCOMPARE(Dialogs::applicationShortTitle(), QStringLiteral("Velmora"));
        // Not Qt's display name: Qt would append that to every window title.
        QCOMPARE(Dialogs::resolvedTitle(QStringLiteral("Application Error")),
                 QStringLiteral("Application Error"));
    }

    void cursorFileGivesItsImageAndHotspot()
    {
        QTemporaryDir dir;
        const QCursor cursor = loadCursorFile(writeFile(dir, "HAND-M.CUR", cursorBytes({5, 9})));
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(5, 9));
        QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
    }

    void fileThatIsNotACursorFails_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("icon, not cursor") << cursorBytes({0, 0}, 1);
        QTest::newRow("text") << QByteArray("not a cursor at all, just some text here");
        QTest::newRow("empty") << QByteArray();
        QByteArray damaged = cursorBytes({1, 1});
        damaged.truncate(40);
        QTest::newRow("cut short") << damaged;
    }
    void fileThatIsNotACursorFails()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(Failure, loadCursorFile(writeFile(dir, "HAND-M.CUR", bytes)));
    }

    void handCursorBesideTheProgramIsOptional()
    {
        QTemporaryDir dir;
        QWidget window;
        WindowPointer pointer(window);
        pointer.loadHandCursor(dir.path());
        QVERIFY(!pointer.hasCustomImage());
        pointer.setKind(WindowPointer::Custom);
        QCOMPARE(window.cursor().shape(), Qt::PointingHandCursor);

        writeFile(dir, "HAND-M.CUR", cursorBytes({3, 4}));
        pointer.loadHandCursor(dir.path());
        QVERIFY(pointer.hasCustomImage());
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(window.cursor().hotSpot(), QPoint(3, 4));
        pointer.setKind(WindowPointer::Busy);
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
        pointer.setKind(WindowPointer::Default);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    // The preview (656 x 626 inside a frame with a 25-pixel title bar) goes
    // centred over the main window's client area (536 x 316), then into the
    // screen's available area, title bar first.
    void thePreviewIsPlacedOnTheScreen_data()
    {
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("frame");
        const QSize main(536, 316);
        QTest::newRow("room all round: centred")
            << QRect(QPoint(700, 400), main) << QRect(0, 0, 1920, 1080) << QPoint(638, 220);
        QTest::newRow("main window at the top-left corner")
            << QRect(QPoint(2, 25), main) << QRect(0, 0, 1920, 1080) << QPoint(0, 0);
        QTest::newRow("below a panel")
            << QRect(QPoint(2, 52), main) << QRect(0, 27, 1920, 1053) << QPoint(0, 27);
        QTest::newRow("at the bottom-right corner")
            << QRect(QPoint(1380, 760), main) << QRect(0, 0, 1920, 1080) << QPoint(1260, 427);
        QTest::newRow("screen lower than the window: its top shows")
            << QRect(QPoint(244, 142), main) << QRect(0, 27, 1024, 573) << QPoint(182, 27);
        QTest::newRow("screen narrower than the window: its left shows")
            << QRect(QPoint(30, 300), main) << QRect(100, 0, 600, 1080) << QPoint(100, 120);
        QTest::newRow("second screen")
            << QRect(QPoint(1930, 10), main) << QRect(1920, 0, 1280, 1024) << QPoint(1920, 0);
    }
    void thePreviewIsPlacedOnTheScreen()
    {
        QFETCH(QRect, owner);
        QFETCH(QRect, available);
        QFETCH(QPoint, frame);
        QCOMPARE(centredOver(owner, QSize(656, 626), QMargins(2, 25, 2, 2), available), frame);
    }
};

QTEST_MAIN(WindowsTest)
#include "test_windows.moc"
