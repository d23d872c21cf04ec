#include "OfficeFixtures.h"

#include "generation/OfficeModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <unistd.h>

namespace velmora::testing {

namespace {

const char kStoriesFodt[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:styles>
  <style:style style:name="Standard" style:family="paragraph">
   <style:text-properties fo:font-size="12pt" style:font-name="Liberation Sans"/>
  </style:style>
 </office:styles>
 <office:automatic-styles>
  <style:style style:name="Bold" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
  <style:style style:name="Red" style:family="text">
   <style:text-properties fo:color="#ff0000" fo:font-size="28pt" fo:font-weight="bold"/>
  </style:style>
  <style:style style:name="fr1" style:family="graphic">
   <style:graphic-properties style:wrap="none" style:vertical-pos="from-top" style:horizontal-pos="from-left"
    style:vertical-rel="page" style:horizontal-rel="page" fo:border="0.5pt solid #000000"/>
  </style:style>
  <style:page-layout style:name="pm1">
   <style:page-layout-properties fo:page-width="8.5in" fo:page-height="11in" fo:margin-top="0.5in"
    fo:margin-bottom="0.5in" fo:margin-left="1in" fo:margin-right="1in"/>
   <style:header-style/>
  </style:page-layout>
 </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Standard" style:page-layout-name="pm1">
   <style:header><text:p>Head-[celebrant] Head-[BirthDate]</text:p></style:header>
  </style:master-page>
 </office:master-styles>
 <office:body>
  <office:text>
   <text:p>Body-[CELEBRANT] Body-[BirthDate] Body-[Bir<text:span text:style-name="Bold">thT</text:span>ime]
    Body-[Loc<text:span text:style-name="Bold">ati</text:span>on] Body-[Locations] Body-[GivenBy]x</text:p>
   <text:p><text:span text:style-name="Red">[RSVPNo]</text:span></text:p>
   <text:p>
    <draw:frame draw:style-name="fr1" draw:name="Frame1" text:anchor-type="page" text:anchor-page-number="1"
     svg:x="1in" svg:y="5in" svg:width="4in" svg:height="1in">
     <draw:text-box><text:p>Frame-[Celebrant] Frame-[BirthDate]</text:p></draw:text-box>
    </draw:frame>
    <draw:rect draw:name="Shape1" text:anchor-type="page" text:anchor-page-number="1"
     svg:x="1in" svg:y="7in" svg:width="4in" svg:height="1in">
     <text:p>Shape-[Celebrant] Shape-[BIRTHDATE]</text:p><text:p>Shape-[BirthTime]</text:p>
    </draw:rect>
   </text:p>
  </office:text>
 </office:body>
</office:document>
)";

bool isOurProfile(const QString& text)
{
    return text.contains(QStringLiteral("velmora-office-%1-").arg(getpid()));
}

} // namespace

std::unique_ptr<office::Engine> makeTestEngine(int preparedInstances, int callTimeoutMs)
{
    LibreOfficeSettings settings;
    settings.modulePath = QCoreApplication::applicationDirPath() + QStringLiteral("/velmora_libreoffice.so");
    settings.preparedInstances = preparedInstances;
    settings.callTimeoutMs = callTimeoutMs;
    return makeLibreOfficeEngine(settings);
}

QString makeStoriesDocument(office::Engine& engine, const QString& folder)
{
    const QString source = folder + QStringLiteral("/stories.fodt");
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly) || file.write(kStoriesFodt) < 0)
        throw Failure(QStringLiteral("cannot write the fixture"));
    file.close();
    const QString document = folder + QStringLiteral("/stories.doc");
    auto application = engine.createApplication();
    application->open(source, true)->saveAs(document);
    application->closeActiveDocument(false);
    application->quit();
    QFile::remove(source);
    return document;
}

QString documentText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QString text;
    for (int offset = 0; offset < 2; ++offset) {
        QString run;
        for (qsizetype i = offset; i + 1 < bytes.size(); i += 2) {
            const QChar c(char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8)));
            if (c.isPrint() && c.unicode() < 0x3000) {
                run += c;
            } else {
                if (run.size() > 3)
                    text += run + u'\n';
                run.clear();
            }
        }
    }
    return text + QString::fromLatin1(bytes);
}

QStringList ourOfficeProcesses()
{
    QStringList found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        entry.toInt(&isPid);
        if (!isPid)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QString arguments = QString::fromUtf8(cmdline.readAll().replace('\0', ' '));
        if (arguments.contains(QStringLiteral("soffice.bin")) && isOurProfile(arguments))
            found << entry + u' ' + arguments;
    }
    return found;
}

QStringList ourProfileFolders()
{
    return QDir(QDir::tempPath())
        .entryList({QStringLiteral("velmora-office-%1-*").arg(getpid())}, QDir::Dirs | QDir::Hidden);
}

QStringList lockFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".~lock.*")}, QDir::Files | QDir::Hidden);
}

QStringList leftovers(const QString& documentFolder)
{
    // Offices that agreed to end are given 10 s before they are killed; a
    // slow machine may need all of it.
    for (int i = 0; i < 300 && !ourOfficeProcesses().isEmpty(); ++i)
        QThread::msleep(100);
    return ourOfficeProcesses() + ourProfileFolders() + lockFiles(documentFolder);
}

int killOurOffices(int signal)
{
    int count = 0;
    for (const QString& process : ourOfficeProcesses())
        if (::kill(process.section(u' ', 0, 0).toInt(), signal) == 0)
            ++count;
    return count;
}

int redPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                ++count;
        }
    return count;
}

} // namespace velmora::testing
