// The check of a template the user brings, against the real LibreOffice, on
// small documents made here: where tokens stand and what will not be filled,
// mistyped tokens, refusals, and hostile files that must not get their way.
#include "generation/TemplateCheck.h"
#include "tests/support/OfficeFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace velmora;
using namespace velmora::testing;

namespace {

// The documents are made below the test class: moc does not read raw strings.
QString flat(const QString& body, const QString& before = {});
QString placesDocument();
QString macroDocument(const QString& marker);
QString linkedDocument(const QString& picture, quint16 port);
void write(const QString& path, const QByteArray& bytes);
extern const char kEncryptedDocument[];

// A listener on the loopback that counts who calls it and hangs up at once.
struct Listener {
    int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    quint16 port = 0;
    std::atomic<int> calls{0};
    std::atomic<bool> stopping{false};
    std::thread thread;
    Listener()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(socket, reinterpret_cast<sockaddr*>(&address), length) != 0
            || ::listen(socket, 16) != 0
            || ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            qFatal("no listener on the loopback");
        port = ntohs(address.sin_port);
        thread = std::thread([this] {
            while (!stopping) {
                pollfd waiting{socket, POLLIN, 0};
                if (::poll(&waiting, 1, 50) > 0) {
                    const int call = ::accept(socket, nullptr, nullptr);
                    if (call >= 0) {
                        ++calls;
                        ::close(call);
                    }
                }
            }
        });
    }
    ~Listener()
    {
        stopping = true;
        thread.join();
        ::close(socket);
    }
};

} // namespace

class TestOwnTemplates : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() GUARDED_TEST
    {
        QVERIFY(mFolder.isValid());
        mEngine = makeTestEngine();
        const QString folder = mFolder.path();
        write(folder + QStringLiteral("/places.fodt"), placesDocument().toUtf8());
        // The same document as Word 97 writes it.
        auto office = mEngine->createApplication();
        office->open(folder + QStringLiteral("/places.fodt"), true)
            ->saveAs(folder + QStringLiteral("/places.doc"));
        office->closeActiveDocument(false);
        office->quit();
        // A drawing shape with text: a shape of its own in a .doc, a shape with
        // a text box in a .docx.
        write(folder + QStringLiteral("/shape.fodt"),
              flat(QStringLiteral("<text:p>[Celebrant] celebrate her<draw:rect draw:name=\"S\" "
                                  "text:anchor-type=\"paragraph\" svg:width=\"3in\" "
                                  "svg:height=\"1in\"><text:p>At [BirthTime]</text:p><text:p>Dear "
                                  "[Guest],</text:p>"
                                  "</draw:rect></text:p>"))
                  .toUtf8());
        office = mEngine->createApplication();
        office->open(folder + QStringLiteral("/shape.fodt"), true)
            ->saveAs(folder + QStringLiteral("/shape.doc"));
        office->closeActiveDocument(false);
        office->quit();
        convertDocument(folder + QStringLiteral("/shape.fodt"), QStringLiteral("docx"), folder);
        write(folder + QStringLiteral("/photo.fodt"),
              flat(QStringLiteral("<text:p>[Celebrant] celebrate her<draw:frame draw:name=\"P\" "
                                  "text:anchor-type=\"paragraph\" svg:width=\"2in\" "
                                  "svg:height=\"2in\"><draw:text-box><text:p>[Photo]</text:p>"
                                  "</draw:text-box></draw:frame></text:p>"))
                  .toUtf8());
        write(folder + QStringLiteral("/mistyped.fodt"),
              flat(QStringLiteral("<text:p>[Celebrant] and [Celebrent], call [RSVP No] on my "
                                  "[Birthday] at [Party Hall]</text:p>"))
                  .toUtf8());
        write(folder + QStringLiteral("/none.fodt"),
              flat(QStringLiteral("<text:p>A party, and [Cake] for all.</text:p>"))
                  .replace(QStringLiteral("[GivenBy]"), QStringLiteral("us"))
                  .toUtf8());
        write(folder + QStringLiteral("/macro.fodt"),
              macroDocument(folder + QStringLiteral("/macro-ran.txt")).toUtf8());
        write(folder + QStringLiteral("/secret.png"), QByteArray("\x89PNG not really", 15));
        write(folder + QStringLiteral("/linked.fodt"),
              linkedDocument(folder + QStringLiteral("/secret.png"), mListener.port).toUtf8());
        write(folder + QStringLiteral("/page.doc"),
              "<html><head><link rel=\"stylesheet\" href=\"http://127.0.0.1:9/s.css\"></head>"
              "<body><p>[Celebrant] celebrate her birthday</p></body></html>");
        // Entities that multiply, in a document the office takes for its own.
        write(folder + QStringLiteral("/laughs.fodt"),
              flat(QStringLiteral("<text:p>&g;</text:p>"))
                  .replace(QStringLiteral("?>\n"),
                           QStringLiteral(
                               "?>\n<!DOCTYPE office:document [<!ENTITY a \"[Celebrant]\">"
                               "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
                               "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;"
                               "&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;"
                               "&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g "
                               "\"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">]>\n"))
                  .toUtf8());
        write(folder + QStringLiteral("/empty.doc"), QByteArray());
        QByteArray noise(4096, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919) % 251);
        write(folder + QStringLiteral("/noise.doc"), noise);
        QVERIFY(mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.doc")).constData(), 0600)
                == 0);
        QVERIFY(QDir(folder).mkdir(QStringLiteral("folder.doc")));
        QVERIFY(QFile::link(folder + QStringLiteral("/pipe.doc"),
                            folder + QStringLiteral("/link-to-pipe.doc")));
        QFile big(folder + QStringLiteral("/big.doc"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(25 * 1024 * 1024));
        big.close();
        // A few hundred KB that unpack to 300 MB.
        // A document whose content only a password opens.
        run(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(kEncryptedDocument),
                                        folder + QStringLiteral("/locked.odt")});
        run(QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import zipfile,sys\n"
                            "z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n"
                            "w=z.open('word/document.xml','w',force_zip64=False)\n"
                            "b=b' '*(1<<20)\n"
                            "[w.write(b) for i in range(300)]\n"
                            "w.close();z.close()\n"),
             folder + QStringLiteral("/bomb.docx")});
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cleanupTestCase()
    {
        mEngine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }

    void reportOfEachTemplate_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("says");
        QTest::addColumn<QStringList>("doesNotSay");

        const QStringList places = {
            QStringLiteral("[Celebrant] in the main text"),
            QStringLiteral("[BirthDate] in the main text, a text box"),
            QStringLiteral("[BirthTime] in a text box"),
            QStringLiteral("[Location] in a table"),
            QStringLiteral("[GivenBy] in a header or footer"),
            QStringLiteral("[RSVPNo] in the main text"),
            QStringLiteral("[BirthDate] in the main text: the date and time are replaced in text "
                           "boxes only"),
            QStringLiteral("has 2 pages: only the first page is previewed")};
        const QStringList placesNot = {QStringLiteral("Male changes nothing"),
                                       QStringLiteral("[BirthTime] in a text box:")};
        QTest::newRow("every place, flat OpenDocument")
            << "places.fodt" << true << places << placesNot;
        QTest::newRow("every place, Word 97") << "places.doc" << true << places << placesNot;
        for (const char* shape : {"shape.doc", "shape.docx"})
            QTest::newRow(shape) << shape << true
                                 << QStringList{QStringLiteral("[BirthTime] in a text box\n"),
                                                QStringLiteral("[Guest] in a text box")}
                                 << QStringList{QStringLiteral("[BirthTime] in the main text"),
                                                QStringLiteral("[BirthTime] in a text box (")};
        QTest::newRow("a photo spot")
            << "photo.fodt" << true
            << QStringList{QStringLiteral("[Photo] in a text box: the spot for the celebrant's "
                                          "photo")}
            << QStringList{QStringLiteral("stay as written: [Photo]")};
        QTest::newRow("mistyped tokens")
            << "mistyped.fodt" << true
            << QStringList{QStringLiteral(
                               "[Celebrent] in the main text: did you mean [Celebrant]?"),
                           QStringLiteral("[RSVP No] in the main text: did you mean [RSVPNo]?"),
                           QStringLiteral("[Birthday] in the main text: did you mean [BirthDate]?"),
                           QStringLiteral("Other bracketed words stay as written: [Party Hall]"),
                           QStringLiteral("choosing Male changes nothing"),
                           QStringLiteral("[BirthTime], [Location]")}
            << QStringList{QStringLiteral("pages")};
        QTest::newRow("no token") << "none.fodt" << false
                                  << QStringList{QStringLiteral("No token was found"),
                                                 QStringLiteral(
                                                     "Velmora fills [Celebrant], [BirthDate]")}
                                  << QStringList{QStringLiteral("did you mean")};
        QTest::newRow("a macro that runs on opening")
            << "macro.fodt" << true << QStringList{QStringLiteral("[Celebrant] in the main text")}
            << QStringList{};
        QTest::newRow("empty file")
            << "empty.doc" << false << QStringList{QStringLiteral("\"empty.doc\" is empty")}
            << QStringList{};
        QTest::newRow("not a document")
            << "noise.doc" << false
            << QStringList{QStringLiteral("could not be opened as a document")} << QStringList{};
        QTest::newRow("asks for a password")
            << "locked.odt" << false << QStringList{QStringLiteral("asks for a password")}
            << QStringList{};
        QTest::newRow("a pipe") << "pipe.doc" << false
                                << QStringList{QStringLiteral("is a pipe, not a document")}
                                << QStringList{};
        QTest::newRow("a link to a pipe")
            << "link-to-pipe.doc" << false << QStringList{QStringLiteral("is a pipe")}
            << QStringList{};
        QTest::newRow("a folder") << "folder.doc" << false
                                  << QStringList{QStringLiteral("is a folder")} << QStringList{};
        QTest::newRow("over 20 MB")
            << "big.doc" << false << QStringList{QStringLiteral("larger than 20 MB")}
            << QStringList{};
        QTest::newRow("a zip bomb")
            << "bomb.docx" << false << QStringList{QStringLiteral("unpack to more than 200 MB")}
            << QStringList{};
        QTest::newRow("a web page under a document's name")
            << "page.doc" << false
            << QStringList{QStringLiteral("is not a word-processor document")} << QStringList{};
        QTest::newRow("entities that multiply")
            << "laughs.fodt" << false
            << QStringList{QStringLiteral("damaged, or not a document LibreOffice can read")}
            << QStringList{};
        QTest::newRow("not there")
            << "missing.doc" << false << QStringList{QStringLiteral("cannot be read")}
            << QStringList{};
    }
    void reportOfEachTemplate() GUARDED_TEST
    {
        QFETCH(QString, file);
        QFETCH(bool, accepted);
        QFETCH(QStringList, says);
        QFETCH(QStringList, doesNotSay);
        const QString path = mFolder.filePath(file);
        const QString copy = mFolder.filePath(QStringLiteral("copy.dot"));
        QFile::remove(copy);

        const templatecheck::Report report = templatecheck::check(*mEngine, path, copy);

        QVERIFY(!QFile::exists(mFolder.filePath(QStringLiteral("macro-ran.txt"))));
        QVERIFY2(report.accepted == accepted, qPrintable(report.text));
        for (const QString& words : says)
            QVERIFY2(report.text.contains(words), qPrintable(words + u'\n' + report.text));
        for (const QString& words : doesNotSay)
            QVERIFY2(!report.text.contains(words), qPrintable(words + u'\n' + report.text));
        // An accepted template is kept as a Word 97-2003 template.
        QFile kept(copy);
        QCOMPARE(kept.exists(), accepted);
        if (accepted) {
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QVERIFY(kept.read(4).startsWith("\xD0\xCF\x11\xE0"));
        }
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // The pictures the template links to (an address and a local file, in the
    // text and in the header) are real links: an office that draws the page
    // without our profile reads the file and calls the address. Ours never
    // does, neither in the check nor when the kept copy is filled, pictured
    // and exported; the kept copy holds neither link, and the report says so.
    void linkedPicturesNeverReached() GUARDED_TEST
    {
        const QString secret = mFolder.filePath(QStringLiteral("secret.png"));
        const auto reached = [&](const std::function<void()>& work) {
            const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            inotify_add_watch(watcher, QFile::encodeName(secret).constData(), IN_OPEN | IN_ACCESS);
            const int calls = mListener.calls;
            work();
            char events[4096];
            const ssize_t seen = read(watcher, events, sizeof events);
            ::close(watcher);
            return seen > 0 || mListener.calls > calls;
        };
        const QString linked = mFolder.filePath(QStringLiteral("linked.fodt"));
        QTemporaryDir converted;
        const int calls = mListener.calls;
        QVERIFY(reached([&] { convertDocument(linked, QStringLiteral("pdf"), converted.path()); }));
        QVERIFY(mListener.calls > calls);

        // An RTF that includes the picture by a field, which the office's
        // reader follows as it reads: refused before any office sees it.
        const QString included = mFolder.filePath(QStringLiteral("included.rtf"));
        write(included, QStringLiteral("{\\rtf1\\ansi {\\field{\\*\\fldinst INCLUDEPICTURE "
                                       "\"%1\" \\\\d}{\\fldrslt }}[Celebrant] celebrate her\\par}")
                            .arg(secret)
                            .toUtf8());
        templatecheck::Report refused;
        QVERIFY(!reached([&] { refused = templatecheck::check(*mEngine, included); }));
        QVERIFY(!refused.accepted);
        QVERIFY2(refused.text.contains(QStringLiteral("has a field (INCLUDEPICTURE)")),
                 qPrintable(refused.text));

        const QString copy = mFolder.filePath(QStringLiteral("linked-copy.dot"));
        templatecheck::Report report;
        QVERIFY(!reached([&] { report = templatecheck::check(*mEngine, linked, copy); }));
        QVERIFY2(report.accepted, qPrintable(report.text));
        const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(mListener.port);
        for (const QString& link :
             {address + QStringLiteral("body.png"), address + QStringLiteral("header.png"),
              QUrl::fromLocalFile(secret).toString()})
            QVERIFY2(report.text.contains(
                         QStringLiteral("A picture linked to %1 is not kept.").arg(link)),
                     qPrintable(report.text));
        QFile kept(copy);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        const QByteArray bytes = kept.readAll();
        for (const QString& trace : {QStringLiteral("127.0.0.1"), secret}) {
            QVERIFY(!bytes.contains(trace.toUtf8()));
            QVERIFY(!bytes.contains(
                QByteArray(reinterpret_cast<const char*>(trace.utf16()), trace.size() * 2)));
        }
        QVERIFY(!reached([&] {
            auto office = mEngine->createApplication();
            auto document = office->open(copy, true);
            QVERIFY(!document->pagePicture(QSize(170, 220)).isNull());
            QVERIFY(document->pagePdf(QStringLiteral("Linked")).startsWith("%PDF"));
            office->closeActiveDocument(false);
            office->quit();
        }));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    // A document that takes the office longer than the watchdog allows: the
    // office is ended, the check says so, and the next check works.
    void slowTemplateEndedByWatchdog() GUARDED_TEST
    {
        QString body;
        for (int i = 0; i < 60000; ++i)
            body += QStringLiteral("<text:p>[Celebrant] line %1 of a very long invitation</text:p>")
                        .arg(i);
        const QString slow = mFolder.filePath(QStringLiteral("slow.fodt"));
        write(slow, flat(body).toUtf8());
        auto impatient = makeTestEngine(0, 300);
        const templatecheck::Report report = templatecheck::check(*impatient, slow);
        QVERIFY2(!report.accepted, qPrintable(report.text));
        QVERIFY2(report.text.contains(QStringLiteral("could not be opened")),
                 qPrintable(report.text));
        impatient.reset();
        QVERIFY(templatecheck::check(*mEngine, mFolder.filePath(QStringLiteral("places.fodt")))
                    .accepted);
    }
    FAIL_ON_UNEXPECTED_FAILURE

private:
    Listener mListener;
    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;
};

namespace {

const char kHead[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink"
 xmlns:script="urn:oasis:names:tc:opendocument:xmlns:script:1.0"
 xmlns:ooo="http://openoffice.org/2004/office"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
)";

const char kStyles[] = R"(
 <office:automatic-styles>
  <style:style style:name="Bold" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
  <style:style style:name="Break" style:family="paragraph"><style:paragraph-properties fo:break-before="page"/></style:style>
  <style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="8.5in" fo:page-height="11in"/>
   <style:header-style/></style:page-layout>
 </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Standard" style:page-layout-name="pm1">
   <style:header><text:p>Given by [GivenBy]</text:p></style:header>
  </style:master-page>
 </office:master-styles>
)";

const char kEncryptedDocument[] =
    "import zipfile,sys,os\n"
    "z=zipfile.ZipFile(sys.argv[1],'w')\n"
    "z.writestr(zipfile.ZipInfo('mimetype'),'application/vnd.oasis.opendocument.text')\n"
    "m='''<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
    "manifest:version=\"1.3\">\n"
    " <manifest:file-entry manifest:full-path=\"/\" "
    "manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>\n"
    " <manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\" "
    "manifest:size=\"1000\">\n"
    "  <manifest:encryption-data "
    "manifest:checksum-type=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0#sha256-1k\" "
    "manifest:checksum=\"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=\">\n"
    "   <manifest:algorithm "
    "manifest:algorithm-name=\"http://www.w3.org/2001/04/xmlenc#aes256-cbc\" "
    "manifest:initialisation-vector=\"AAAAAAAAAAAAAAAAAAAAAA==\"/>\n"
    "   <manifest:start-key-generation "
    "manifest:start-key-generation-name=\"http://www.w3.org/2000/09/xmldsig#sha256\" "
    "manifest:key-size=\"32\"/>\n"
    "   <manifest:key-derivation manifest:key-derivation-name=\"PBKDF2\" manifest:key-size=\"32\" "
    "manifest:iteration-count=\"100000\" manifest:salt=\"AAAAAAAAAAAAAAAAAAAAAA==\"/>\n"
    "  </manifest:encryption-data>\n"
    " </manifest:file-entry>\n"
    "</manifest:manifest>\n"
    "'''\n"
    "z.writestr(zipfile.ZipInfo('META-INF/manifest.xml'),m)\n"
    "z.writestr(zipfile.ZipInfo('content.xml'),os.urandom(1008))\n"
    "z.close()\n";

QString flat(const QString& body, const QString& before)
{
    return QString::fromUtf8(kHead) + before + QString::fromUtf8(kStyles)
           + QStringLiteral("<office:body><office:text>") + body
           + QStringLiteral("</office:text></office:body></office:document>\n");
}

// Every kind of place, a token split by formatting, the date in the main text
// and in a text box, and a second page.
QString placesDocument()
{
    return flat(QStringLiteral(
        R"(<text:p>[Celebrant] celebrate her birthday on [BirthDate]. Call [RSV<text:span text:style-name="Bold">PN</text:span>o]</text:p>
   <table:table table:name="T"><table:table-column/><table:table-row><table:table-cell><text:p>At [Location]</text:p></table:table-cell></table:table-row></table:table>
   <text:p><draw:frame draw:name="Box" text:anchor-type="paragraph" svg:width="3in" svg:height="1in">
    <draw:text-box><text:p>[BirthDate] at [BirthTime]</text:p></draw:text-box></draw:frame></text:p>
   <text:p text:style-name="Break">Second page</text:p>)"));
}

QString macroDocument(const QString& marker)
{
    return flat(QStringLiteral("<text:p>[Celebrant] is invited</text:p>"),
                QStringLiteral(R"(<office:scripts><office:script script:language="ooo:Basic">
  <ooo:libraries><ooo:library-embedded ooo:name="Standard"><ooo:module ooo:name="Module1">
   <ooo:source-code>Sub Main
  Dim n As Integer
  n = FreeFile
  Open "%1" For Output As #n
  Print #n, "ran"
  Close #n
End Sub
</ooo:source-code></ooo:module></ooo:library-embedded></ooo:libraries></office:script>
  <office:event-listeners><script:event-listener script:language="ooo:script" script:event-name="dom:load"
   xlink:href="vnd.sun.star.script:Standard.Module1.Main?language=Basic&amp;location=document" xlink:type="simple"/>
  </office:event-listeners></office:scripts>)")
                    .arg(marker));
}

QString linkedDocument(const QString& picture, quint16 port)
{
    const QString frame = QStringLiteral(
        R"(<draw:frame draw:name="%1" text:anchor-type="as-char" svg:width="1in" svg:height="1in"><draw:image xlink:href="%2" xlink:type="simple" xlink:show="embed" xlink:actuate="onLoad"/></draw:frame>)");
    const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    QString document =
        flat(QStringLiteral("<text:p>[Celebrant] %1 %2</text:p>")
                 .arg(frame.arg(QStringLiteral("Pic"), QUrl::fromLocalFile(picture).toString()),
                      frame.arg(QStringLiteral("Remote"), address + QStringLiteral("body.png"))));
    return document.replace(
        QStringLiteral("<text:p>Given by [GivenBy]</text:p>"),
        QStringLiteral("<text:p>Given by [GivenBy] %1</text:p>")
            .arg(frame.arg(QStringLiteral("Head"), address + QStringLiteral("header.png"))));
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

QTEST_GUILESS_MAIN(TestOwnTemplates)
#include "test_own_templates.moc"
