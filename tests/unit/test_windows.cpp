#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "windows/CursorFile.h"
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
};

QTEST_MAIN(WindowsTest)
#include "test_windows.moc"
