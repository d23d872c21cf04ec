// The resources compiled into the program: the invitation template must be a
// Word 97-2003 file (OLE2 compound document with a WordDocument stream) whose
// text holds every placeholder in one piece, and the icon must load.
#include <QFile>
#include <QImage>
#include <QtTest>

class TestTemplateResource : public QObject {
    Q_OBJECT

private:
    static QByteArray utf16(const QString& text)
    {
        QByteArray bytes;
        for (QChar c : text) {
            bytes.append(char(c.unicode() & 0xff));
            bytes.append(char(c.unicode() >> 8));
        }
        return bytes;
    }

    static QByteArray templateBytes()
    {
        QFile file(QStringLiteral(":/velmora/template.dot"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

private slots:
    void templateIsAWord97File()
    {
        const QByteArray bytes = templateBytes();
        QVERIFY2(!bytes.isEmpty(), "no :/velmora/template.dot");
        QCOMPARE(bytes.left(8), QByteArray::fromHex("d0cf11e0a1b11ae1"));
        QVERIFY(bytes.contains(utf16(QStringLiteral("WordDocument"))));
        QVERIFY(bytes.contains(utf16(QStringLiteral("1Table"))));
    }

    void templateHoldsEveryPlaceholderUnbroken_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* token : {"[Celebrant]", "[Location]", "[GivenBy]", "[RSVPNo]",
                                  "[BirthDate]", "[BirthTime]", "[Guest]", "[Photo]", "[RSVPCode]"})
            QTest::newRow(token) << QString::fromLatin1(token);
        // The gender phrase rule searches for this exact phrase.
        QTest::newRow("phrase") << QStringLiteral("[Celebrant] celebrate her");
        QTest::newRow("line") << QStringLiteral(
            "Please come and help [Celebrant] celebrate her birthday!");
    }

    void templateHoldsEveryPlaceholderUnbroken()
    {
        QFETCH(QString, text);
        QCOMPARE(templateBytes().count(utf16(text)), 1);
    }

    void iconLoads()
    {
        QImage icon(QStringLiteral(":/velmora/icon.png"));
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.size(), QSize(256, 256));
        QVERIFY(QFile::exists(QStringLiteral(":/velmora/icon.svg")));
    }
};

QTEST_GUILESS_MAIN(TestTemplateResource)
#include "test_template_resource.moc"
