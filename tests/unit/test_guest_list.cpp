// The guest list: typed, imported from tables and contact cards in their
// encodings, refused when hostile, remembered, and named as files.
#include "generation/GuestList.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace velmora::guests;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray utf16(QStringEncoder::Encoding encoding, const QString& text)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

QByteArray lines(int count)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += "Guest " + QByteArray::number(i) + '\n';
    return bytes;
}

} // namespace

class GuestListTest : public QObject {
    Q_OBJECT
    QTemporaryDir mData;

private slots:
    void initTestCase()
    {
        // Before QStandardPaths is first asked, so no real list is touched.
        QVERIFY(mData.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(mData.filePath(QStringLiteral("data"))));
    }

    void readsFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("skipped");
        QTest::addColumn<int>("read");
        const QString party = QString(200, u'x').replace(u'x', QStringLiteral("\U0001F389"));

        QTest::newRow("quoted comma") << QByteArray("Name,City\n\"Smith, Anna\",Oslo\nBo,Rome\n")
                                      << QStringList{"Smith, Anna", "Bo"} << QStringList() << 2;
        QTest::newRow("doubled quote") << QByteArray("Name,Note\n\"Anna \"\"Nan\"\" Lee\",x\n")
                                       << QStringList{"Anna \"Nan\" Lee"} << QStringList() << 1;
        QTest::newRow("newline in quotes")
            << QByteArray("Name,City\r\n\"Anna\r\nLee\",Oslo\r\nBo,Rome\r\n")
            << QStringList{"Anna Lee", "Bo"} << QStringList() << 2;
        QTest::newRow("semicolons") << QByteArray("Name;City\nMüller, Jörg;Köln\nZoë;Paris\n")
                                    << QStringList{"Müller, Jörg", "Zoë"} << QStringList() << 2;
        QTest::newRow("tabs") << QByteArray("Guest Name\tTable\nAnna Lee\t3\nBo, Jr.\t4\n")
                              << QStringList{"Anna Lee", "Bo, Jr."} << QStringList() << 2;
        QTest::newRow("first and last name")
            << QByteArray("first_name,Last Name,Email\nAnna,Lee,a@x\nBo,,b@x\n,Dahl,c@x\n")
            << QStringList{"Anna Lee", "Bo", "Dahl"} << QStringList() << 3;
        QTest::newRow("header Guest")
            << QByteArray("GUEST,RSVP\nAnna,yes\n") << QStringList{"Anna"} << QStringList() << 1;
        QTest::newRow("no header") << QByteArray("Anna Lee,3\nBo,4")
                                   << QStringList{"Anna Lee", "Bo"} << QStringList() << 2;
        QTest::newRow("one column keeps commas")
            << QByteArray("Bo\nLee, Anna\n") << QStringList{"Bo", "Lee, Anna"} << QStringList()
            << 2;
        QTest::newRow("space after separator")
            << QByteArray("City, Name\nOslo, Anna Lee\nRome,  \"Bo, Jr.\" \n")
            << QStringList{"Anna Lee", "Bo, Jr."} << QStringList() << 2;
        QTest::newRow("empty name skipped")
            << QByteArray("Name,City\nAnna,Oslo\n,Rome\n\n,\nBo,Paris\n")
            << QStringList{"Anna", "Bo"} << QStringList{"row 3: no name"} << 3;
        QTest::newRow("over-long name skipped")
            << "Name\nAnna\n" + QByteArray(201, 'x') + "\n" + party.toUtf8() + "\n"
            << QStringList{"Anna", party} << QStringList{"row 3: a name over 200 characters"} << 3;

        QTest::newRow("vCard 2.1 quoted-printable")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                   "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=85ngstr=C3=B6m;Zo=C3=AB\r\n"
                   "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Zo=C3=AB =C3=85ngstr=\r\n"
                   "=C3=B6m\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                   "FN;CHARSET=ISO-8859-1;QUOTED-PRINTABLE:Andr=E9 L=F8vik\r\nEND:VCARD\r\n"
                   "begin:vcard\r\nversion:2.1\r\nfn:Anna\r\n Lee\r\nend:vcard\r\n")
            << QStringList{"Zoë Ångström", "André Løvik", "Anna Lee"} << QStringList() << 3;
        const QByteArray folded =
            "\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nitem1.FN:Anna-Lena\r\n  Berg\\, Jr.\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\nVERSION:3.0\nFN;LANGUAGE=sv:Åsa\n\t Lind\nEND:VCARD\n"
            "BEGIN:VCARD\nVERSION:3.0\nTEL:123\nEND:VCARD\n";
        QTest::newRow("vCard 3.0 folded")
            << folded << QStringList{"Anna-Lena Berg, Jr.", "Åsa Lind"}
            << QStringList{"card 3: no name"} << 3;
        QTest::newRow("vCard 4.0 N only")
            << QByteArray("BEGIN:VCARD\nVERSION:4.0\nN:Lee;Anna;Marie,Louise;Dr.;\nEND:VCARD\n")
            << QStringList{"Dr. Anna Marie Louise Lee"} << QStringList() << 1;

        QTest::newRow("UTF-8 BOM")
            << QByteArray("\xEF\xBB\xBFName\nZoë\n") << QStringList{"Zoë"} << QStringList() << 1;
        QTest::newRow("UTF-16LE BOM")
            << utf16(QStringEncoder::Utf16LE, QStringLiteral("Name\r\nZo\u00eb \U0001F389\r\n"))
            << QStringList{"Zoë 🎉"} << QStringList() << 1;
        QTest::newRow("UTF-16BE BOM")
            << utf16(QStringEncoder::Utf16BE, QStringLiteral("Name\nZo\u00eb \U0001F389\n"))
            << QStringList{"Zoë 🎉"} << QStringList() << 1;
        QTest::newRow("Latin-1") << QByteArray("Name\nAndr\xE9\nJ\xF6rg\n")
                                 << QStringList{"André", "Jörg"} << QStringList() << 2;
        QTest::newRow("Windows quote") << QByteArray("O\x92"
                                                     "Brien\n")
                                       << QStringList{"O’Brien"} << QStringList() << 1;
    }
    void readsFile()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("guests.csv"));
        writeFile(path, bytes);
        const Import import = readFile(path);
        QCOMPARE(import.refusal, QString());
        QTEST(import.names, "names");
        QTEST(import.skipped, "skipped");
        QTEST(import.read, "read");
    }

    void refusesFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("reason");
        QTest::newRow("over 5 MB") << "large" << QByteArray("Name\n") << 0 << "larger than 5 MB";
        QTest::newRow("PNG") << "file" << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << 0
                             << "a picture";
        QTest::newRow("ELF") << "file"
                             << QByteArray("\x7F"
                                           "ELF\x02\x01\x01\0\0",
                                           9)
                             << 0 << "a program";
        QTest::newRow("xlsx") << "file" << QByteArray("PK\x03\x04\x14\0\x06\0", 8) << 0 << "CSV";
        QTest::newRow("NUL byte") << "file" << QByteArray("Anna\0Lee\n", 9) << 0
                                  << "not a text file";
        QTest::newRow("empty") << "file" << QByteArray() << 0 << "is empty";
        QTest::newRow("header only") << "file" << QByteArray("Name\n\n") << 0 << "no guests";
        QTest::newRow("unreadable")
            << "unreadable" << QByteArray("Anna\n") << 0 << "cannot be read";
        QTest::newRow("folder") << "folder" << QByteArray() << 0 << "a folder";
        QTest::newRow("FIFO") << "fifo" << QByteArray() << 0 << "a pipe";
        QTest::newRow("dangling link") << "dangling" << QByteArray() << 0 << "not there";
        QTest::newRow("1001 guests") << "file" << lines(kMostGuests + 1) << 0 << "at most 1000";
        QTest::newRow("995 listed and 10 more") << "file" << lines(10) << 995 << "already listed";
    }
    void refusesFile()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(int, listed);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("guests.csv"));
        if (kind == u"folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == u"dangling")
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.csv")), path));
        else
            writeFile(path, bytes);
        if (kind == u"large")
            QVERIFY(QFile::resize(path, kLargestFile + 1));
        if (kind == u"unreadable") {
            if (::geteuid() == 0)
                QSKIP("root reads a file whatever its mode");
            QVERIFY(QFile::setPermissions(path, {}));
        }
        const Import import = readFile(path, listed);
        QVERIFY2(import.refusal.contains(u"\"guests.csv\""), qPrintable(import.refusal));
        QVERIFY2(import.refusal.contains(reason), qPrintable(import.refusal));
        QVERIFY(import.names.isEmpty());
    }

    void fromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("blank lines and spaces") << "  Anna Lee  \n\n\t Bo\r\n   \r\nZoë\n"
                                                << QStringList{"Anna Lee", "Bo", "Zoë"};
        QTest::newRow("duplicates kept") << "Anna\nBo\nAnna" << QStringList{"Anna", "Bo", "Anna"};
    }
    void fromText()
    {
        QFETCH(QString, text);
        QTEST(velmora::guests::fromText(text), "names");
    }

    void savesAndLoads()
    {
        const QString folder = mData.filePath(QStringLiteral("data/velmora"));
        QCOMPARE(storePath(), folder + QStringLiteral("/guests.txt"));
        QCOMPARE(load(), QStringList());

        save({"Zoë Ångström", " Bo ", "Two\nlines", "", "Anna", "Anna"});
        QCOMPARE(load(), (QStringList{"Zoë Ångström", "Bo", "Two lines", "Anna", "Anna"}));
        struct stat made = {};
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &made), 0);
        QCOMPARE(made.st_mode & 0777, 0700u);

        // A store grown beyond the bound is not read at all.
        QVERIFY(QFile::resize(storePath(), kLargestFile + 1));
        QCOMPARE(load(), QStringList());
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<QStringList>("guests");
        QTest::addColumn<QStringList>("names");
        const QString long1 = QString(150, QChar(0xe9));
        QTest::newRow("accents") << "Invitation" << QStringList{"Zoë Ångström"}
                                 << QStringList{"Invitation - Zoë Ångström.pdf"};
        QTest::newRow("separators and Windows")
            << "Invitation" << QStringList{"AC/DC", "Back\\slash", "Why? <Me>|\"x\":*"}
            << QStringList{"Invitation - AC_DC.pdf", "Invitation - Back_slash.pdf",
                           "Invitation - Why_ _Me___x___.pdf"};
        QTest::newRow("control characters")
            << "Invitation" << QStringList{"Anna\tLee", "Bo\x07"}
            << QStringList{"Invitation - Anna_Lee.pdf", "Invitation - Bo_.pdf"};
        QTest::newRow("leading dot")
            << "" << QStringList{".hidden", "..two"} << QStringList{"_hidden.pdf", "__two.pdf"};
        QTest::newRow("Windows device") << "" << QStringList{"Con", "lpt1", "Console"}
                                        << QStringList{"Con_.pdf", "lpt1_.pdf", "Console.pdf"};
        QTest::newRow("leading dot of the stem")
            << ".party" << QStringList{"Anna"} << QStringList{"_party - Anna.pdf"};
        // 14 bytes of stem and 4 of suffix leave 237: 118 two-byte letters.
        QTest::newRow("300 bytes cut")
            << "Invitations" << QStringList{long1, long1}
            << QStringList{"Invitations - " + long1.left(118) + ".pdf",
                           "Invitations - " + long1.left(116) + " (2).pdf"};
        QTest::newRow("duplicates")
            << "Invitation" << QStringList{"Anna", "anna", "ANNA", "Bo"}
            << QStringList{"Invitation - Anna.pdf", "Invitation - anna (2).pdf",
                           "Invitation - ANNA (3).pdf", "Invitation - Bo.pdf"};
        QTest::newRow("number already taken")
            << "" << QStringList{"Anna", "Anna (2)", "Anna"}
            << QStringList{"Anna.pdf", "Anna (2).pdf", "Anna (3).pdf"};
    }
    void fileNames()
    {
        QFETCH(QString, stem);
        QFETCH(QStringList, guests);
        const QStringList names = velmora::guests::fileNames(stem, guests, QStringLiteral(".pdf"));
        for (const QString& name : names)
            QVERIFY(name.toUtf8().size() <= 255);
        QTEST(names, "names");
    }
};

QTEST_GUILESS_MAIN(GuestListTest)
#include "test_guest_list.moc"
