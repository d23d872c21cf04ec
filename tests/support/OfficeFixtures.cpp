#include "tests/support/OfficeFixtures.h"

#include "generation/FillingRun.h"
#include "generation/Invitation.h"
#include "generation/OfficeModule.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QXmlStreamReader>

#include <csignal>
#include <optional>
#include <unistd.h>

namespace velmora::testing {

namespace {

const char kStoriesFodt[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
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
  <style:style style:name="Teal" style:family="text">
   <style:text-properties fo:color="#1f8a80" fo:font-style="italic"/>
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
   <style:header><text:p>Head-[celebrant] Head-[BirthDate]</text:p>
    <table:table table:name="HeadTable"><table:table-column/>
     <table:table-row><table:table-cell><text:p>Hcell-[Celebrant]</text:p></table:table-cell></table:table-row>
    </table:table>
   </style:header>
  </style:master-page>
 </office:master-styles>
 <office:body>
  <office:text>
   <text:p>Body-[CELEBRANT] Body-[BirthDate] Body-[Bir<text:span text:style-name="Bold">thT</text:span>ime]
    Body-[Loc<text:span text:style-name="Bold">ati</text:span>on] Body-[Locations] Body-[GivenBy]x</text:p>
   <text:p><text:span text:style-name="Red">[RSVPNo]</text:span></text:p>
   <table:table table:name="BodyTable"><table:table-column table:number-columns-repeated="2"/>
    <table:table-row>
     <table:table-cell><text:p>Cell-[Celebrant]</text:p></table:table-cell>
     <table:table-cell>
      <table:table table:name="NestedTable"><table:table-column/>
       <table:table-row><table:table-cell><text:p>Nested-[Celebrant]</text:p></table:table-cell></table:table-row>
      </table:table>
     </table:table-cell>
    </table:table-row>
   </table:table>
   <text:p>Noted<text:note text:id="ftn1" text:note-class="footnote"><text:note-citation>1</text:note-citation>
     <text:note-body><text:p>Foot-[Celebrant]</text:p></text:note-body></text:note>
    and noted<text:note text:id="ftn2" text:note-class="footnote"><text:note-citation>2</text:note-citation>
     <text:note-body><text:p>Foot-[Celebrant]</text:p></text:note-body></text:note>
    at the end<text:note text:id="edn1" text:note-class="endnote"><text:note-citation>i</text:note-citation>
     <text:note-body><text:p>End-[Celebrant]</text:p></text:note-body></text:note></text:p>
   <text:p>
    <draw:frame draw:style-name="fr1" draw:name="Frame1" text:anchor-type="page" text:anchor-page-number="1"
     svg:x="1in" svg:y="5in" svg:width="4in" svg:height="1in">
     <draw:text-box><text:p>Frame-[Celebrant] Frame-[BirthDate]</text:p></draw:text-box>
    </draw:frame>
    <draw:rect draw:name="Shape1" text:anchor-type="page" text:anchor-page-number="1"
     svg:x="1in" svg:y="7in" svg:width="4in" svg:height="1in">
     <text:p>Shape-[Celebrant] Shape-[BIRTHDATE]</text:p><text:p>Shape-<text:span text:style-name="Teal">[BirthTime]</text:span></text:p>
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

// The fields of a /proc/.../stat file after the command's name: state, parent...
QByteArrayList statFields(const QString& path)
{
    QFile file(path);
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return text.mid(text.lastIndexOf(')') + 2).split(' ');
}

// Whether every thread of a process sent SIGSTOP stops within 5 s: a stop takes
// hold of a thread only when it is next scheduled, and until then a busy
// office may still answer a call. (A thread that has gone reads as empty.)
bool hasStopped(const QString& pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const auto running = [&] {
        for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (!QByteArrayList{"", "T"}.contains(
                    statFields(tasks.filePath(task) + QStringLiteral("/stat"))[0]))
                return true;
        return false;
    };
    for (QDeadlineTimer deadline(5000); running(); QThread::msleep(1))
        if (deadline.hasExpired())
            return false;
    return true;
}

double points(QStringView length)
{
    static const QRegularExpression pattern(QStringLiteral("^(-?[0-9.]+)(in|cm|mm|pt)$"));
    const auto match = pattern.match(length);
    if (!match.hasMatch())
        return 0;
    const double value = match.captured(1).toDouble();
    const QString unit = match.captured(2);
    return unit == u"in"   ? value * 72
           : unit == u"cm" ? value * 72 / 2.54
           : unit == u"mm" ? value * 72 / 25.4
                           : value;
}

// A style of a flat ODF document: its parent and the text properties we compare.
struct Style {
    QString parent;
    QString displayName;
    bool automatic = false;
    QHash<QString, QString> text;
};

class FlatReader {
public:
    explicit FlatReader(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Failure(QStringLiteral("cannot read %1").arg(path));
        mXml.setDevice(&file);
        read();
        if (mXml.hasError())
            throw Failure(QStringLiteral("%1: %2").arg(path, mXml.errorString()));
    }

    FlatDocument document;

private:
    void read()
    {
        QString styleKey;
        QString metaField;
        QStringList spans;
        std::vector<Paragraph> paragraphs;
        std::vector<TextBox> boxes;
        QStringList paragraphStyles;
        while (!mXml.atEnd()) {
            mXml.readNext();
            const QStringView name = mXml.qualifiedName();
            const auto attributes = mXml.attributes();
            if (mXml.isStartElement()) {
                mElements.push_back(name.toString());
                if (name == u"style:style" || name == u"style:default-style") {
                    const QString family =
                        attributes.value(QStringLiteral("style:family")).toString();
                    styleKey =
                        family + u'/' + attributes.value(QStringLiteral("style:name")).toString();
                    Style& style = mStyles[styleKey];
                    style.parent =
                        attributes.value(QStringLiteral("style:parent-style-name")).toString();
                    style.displayName =
                        attributes.value(QStringLiteral("style:display-name")).toString();
                    if (style.displayName.isEmpty())
                        style.displayName =
                            attributes.value(QStringLiteral("style:name")).toString();
                    style.automatic = mElements.contains(QStringLiteral("office:automatic-styles"));
                } else if (name == u"style:text-properties" && !styleKey.isEmpty()) {
                    for (const auto& attribute : attributes)
                        mStyles[styleKey].text.insert(attribute.qualifiedName().toString(),
                                                      attribute.value().toString());
                } else if (name == u"meta:creation-date" || name == u"dc:date") {
                    metaField = name.toString();
                } else if (name == u"text:p" || name == u"text:h") {
                    paragraphs.emplace_back();
                    paragraphStyles
                        << attributes.value(QStringLiteral("text:style-name")).toString();
                    spans.clear();
                } else if (name == u"text:span") {
                    spans << attributes.value(QStringLiteral("text:style-name")).toString();
                } else if (name == u"text:s" && !paragraphs.empty()) {
                    const int count = attributes.hasAttribute(QStringLiteral("text:c"))
                                          ? attributes.value(QStringLiteral("text:c")).toInt()
                                          : 1;
                    append(paragraphs.back(), QString(count, u' '), paragraphStyles.back(), spans);
                } else if (name == u"text:tab" && !paragraphs.empty()) {
                    append(paragraphs.back(), QStringLiteral("\t"), paragraphStyles.back(), spans);
                } else if (name == u"text:line-break" && !paragraphs.empty()) {
                    append(paragraphs.back(), QStringLiteral("\n"), paragraphStyles.back(), spans);
                } else if (name == u"draw:text-box" && mFrame.has_value()) {
                    TextBox box;
                    const double minHeight =
                        points(attributes.value(QStringLiteral("fo:min-height")));
                    box.growsWithText = minHeight > 0;
                    box.box = QRectF(mFrame->x(), mFrame->y(), mFrame->width(),
                                     box.growsWithText ? minHeight : mFrame->height());
                    boxes.push_back(box);
                    mBoxParagraphDepth.push_back(paragraphs.size());
                } else if (name == u"draw:frame") {
                    mFrame = QRectF(points(attributes.value(QStringLiteral("svg:x"))),
                                    points(attributes.value(QStringLiteral("svg:y"))),
                                    points(attributes.value(QStringLiteral("svg:width"))),
                                    points(attributes.value(QStringLiteral("svg:height"))));
                }
            } else if (mXml.isEndElement()) {
                mElements.pop_back();
                if (name == u"style:style" || name == u"style:default-style") {
                    styleKey.clear();
                } else if (name == u"text:p" || name == u"text:h") {
                    document.paragraphs.push_back(paragraphs.back());
                    if (!mBoxParagraphDepth.empty()
                        && mBoxParagraphDepth.back() == paragraphs.size() - 1)
                        boxes.back().paragraphs.push_back(paragraphs.back());
                    paragraphs.pop_back();
                    paragraphStyles.removeLast();
                } else if (name == u"text:span" && !spans.isEmpty()) {
                    spans.removeLast();
                } else if (name == u"draw:text-box" && !mBoxParagraphDepth.empty()) {
                    document.boxes.push_back(boxes.back());
                    boxes.pop_back();
                    mBoxParagraphDepth.pop_back();
                } else if (name == u"draw:frame") {
                    mFrame.reset();
                }
                metaField.clear();
            } else if (mXml.isCharacters()) {
                if (metaField == u"meta:creation-date")
                    document.created += mXml.text();
                else if (metaField == u"dc:date")
                    document.modified += mXml.text();
                const QString parent = mElements.isEmpty() ? QString() : mElements.back();
                if (!paragraphs.empty()
                    && (parent == u"text:p" || parent == u"text:h" || parent == u"text:span"))
                    append(paragraphs.back(), mXml.text().toString(), paragraphStyles.back(),
                           spans);
            }
        }
    }

    // Properties of a style and its ancestors, nearest last so that it wins.
    void collect(const QString& family, const QString& name, QHash<QString, QString>& into,
                 QString* charStyle)
    {
        std::vector<const Style*> chain;
        for (QString current = name; !current.isEmpty() && chain.size() < 20;) {
            const auto found = mStyles.constFind(family + u'/' + current);
            if (found == mStyles.constEnd())
                break;
            chain.push_back(&found.value());
            if (charStyle && charStyle->isEmpty() && !found->automatic)
                *charStyle = found->displayName;
            current = found->parent;
        }
        for (auto style = chain.rbegin(); style != chain.rend(); ++style)
            for (auto property = (*style)->text.begin(); property != (*style)->text.end();
                 ++property)
                into.insert(property.key(), property.value());
    }

    CharLook lookOf(const QString& paragraphStyle, const QStringList& spans)
    {
        QHash<QString, QString> properties;
        const auto defaults = mStyles.constFind(QStringLiteral("paragraph/"));
        if (defaults != mStyles.constEnd())
            properties = defaults->text;
        collect(QStringLiteral("paragraph"), paragraphStyle, properties, nullptr);
        CharLook look;
        for (const QString& span : spans)
            collect(QStringLiteral("text"), span, properties, &look.style);
        look.size = properties.value(QStringLiteral("fo:font-size"));
        look.color = properties.value(QStringLiteral("fo:color")).toLower();
        const QString transform =
            properties.value(QStringLiteral("fo:text-transform"), QStringLiteral("none"));
        look.caseMap = transform != u"none" ? transform
                                            : properties.value(QStringLiteral("fo:font-variant"),
                                                               QStringLiteral("normal"));
        look.weight = properties.value(QStringLiteral("fo:font-weight"), QStringLiteral("normal"));
        if (look.weight == u"400")
            look.weight = QStringLiteral("normal");
        look.posture = properties.value(QStringLiteral("fo:font-style"), QStringLiteral("normal"));
        return look;
    }

    void append(Paragraph& paragraph, const QString& text, const QString& paragraphStyle,
                const QStringList& spans)
    {
        const CharLook look = lookOf(paragraphStyle, spans);
        if (!paragraph.runs.empty() && paragraph.runs.back().look == look)
            paragraph.runs.back().text += text;
        else
            paragraph.runs.push_back({text, look});
    }

    QXmlStreamReader mXml;
    QHash<QString, Style> mStyles;
    QStringList mElements;
    std::optional<QRectF> mFrame;
    std::vector<std::size_t> mBoxParagraphDepth;
};

} // namespace

std::unique_ptr<office::Engine> makeTestEngine(int preparedInstances, int callTimeoutMs)
{
    LibreOfficeSettings settings;
    settings.modulePath =
        QCoreApplication::applicationDirPath() + QStringLiteral("/velmora_libreoffice.so");
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

QString fillInvitation(office::Engine& engine, const QString& templatePath, const QString& folder,
                       const QString& celebrant, const QString& location)
{
    const QString result = folder + QStringLiteral("/tarvik12345678.doc");
    auto word = engine.createApplication();
    auto document = word->open(templatePath, true);
    const std::pair<QString, QString> values[] = {{invitation::kCelebrantTag, celebrant},
                                                  {invitation::kLocationTag, location}};
    for (const auto& range : document->storyRanges()) {
        for (const auto& [tag, value] : values) {
            range->find().text = tag;
            range->find().replacementText = value;
            range->execute(office::kReplaceAll);
        }
    }
    for (const auto& shape : document->shapes()) {
        if (shape->hasText())
            for (const auto& [tag, value] : values)
                shape->replaceText(tag, value, office::kReplaceAll);
    }
    document->saveAs(result);
    word->closeActiveDocument(false);
    word->quit();
    return result;
}

InvitationValues sampleValues(const QStringList& texts)
{
    InvitationValues values;
    for (int i = 0; i < 4; ++i)
        values.texts[i] = texts.value(i);
    values.birthDate = QDate(2021, 8, 31);
    values.birthTime = QTime(14, 5);
    return values;
}

QSizeF fillTemplate(office::Engine& engine, const QString& templatePath,
                    const InvitationValues& values, const QString& saved, const QString& spotToken)
{
    auto application = engine.createApplication();
    auto document = application->open(templatePath, true);
    const QSizeF spot = spotToken.isEmpty() ? QSizeF() : document->spotSize(spotToken);
    if (spotToken.isEmpty() || !spot.isEmpty()) {
        fillDocument(*document.get(), values);
        document->fitTextToBoxes(kSmallestTypePoints);
        document->saveAs(saved);
    }
    document->close();
    application->quit();
    return spot;
}

QString drawFirstPage(const QString& pdf, int dpi)
{
    const QString stem = pdf + QStringLiteral("-") + QString::number(dpi);
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QStringLiteral("1"),
         QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
         QStringLiteral("-png"), pdf, stem});
    return stem + QStringLiteral(".png");
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
        // Our offices are children of this process; what one forks (paperconf,
        // before its exec) has its command line but is no office.
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (statFields(QStringLiteral("/proc/%1/stat").arg(entry)).value(1).toInt() != getpid()
            || !cmdline.open(QIODevice::ReadOnly))
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
        .entryList({QStringLiteral("velmora-office-%1-*").arg(getpid())},
                   QDir::Dirs | QDir::Hidden);
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
            count += signal != SIGSTOP || hasStopped(process.section(u' ', 0, 0));
    return count;
}

QString convertDocument(const QString& path, const QString& format, const QString& folder,
                        const QString& fontconfigFile)
{
    return convertDocuments({path}, format, folder, fontconfigFile).front();
}

QStringList convertDocuments(const QStringList& paths, const QString& format, const QString& folder,
                             const QString& fontconfigFile)
{
    QTemporaryDir profile(QDir::tempPath()
                          + QStringLiteral("/velmora-office-%1-convert-XXXXXX").arg(getpid()));
    if (!profile.isValid())
        throw Failure(QStringLiteral("no folder for the converting office"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!fontconfigFile.isEmpty())
        environment.insert(QStringLiteral("FONTCONFIG_FILE"), fontconfigFile);
    // The wrapper, not soffice.bin: it waits for the office and restarts it once
    // when a new profile asks for that.
    run(QStringLiteral("/usr/lib/libreoffice/program/soffice"),
        QStringList{QStringLiteral("-env:UserInstallation=")
                        + QUrl::fromLocalFile(profile.path()).toString(),
                    QStringLiteral("--headless"), QStringLiteral("--norestore"),
                    QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), folder}
            + paths,
        environment);
    QStringList converted;
    for (const QString& path : paths) {
        converted << folder + u'/' + QFileInfo(path).completeBaseName() + u'.' + format;
        if (!QFile::exists(converted.back()))
            throw Failure(QStringLiteral("LibreOffice did not convert %1 to %2").arg(path, format));
    }
    return converted;
}

QString fontconfigWithout(const QString& folder, const QString& fileGlob)
{
    const QString path = folder + QStringLiteral("/fonts.conf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Failure(QStringLiteral("cannot write %1").arg(path));
    file.write(QStringLiteral(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
 <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
 <selectfont><rejectfont><glob>%1</glob></rejectfont></selectfont>
 <cachedir>%2/fontconfig-cache</cachedir>
</fontconfig>
)")
                   .arg(fileGlob, folder)
                   .toUtf8());
    return path;
}

PdfPage pdfFirstPage(const QString& pdf)
{
    const QString html = run(QStringLiteral("pdftotext"),
                             {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                              QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    PdfPage page;
    const auto size =
        QRegularExpression(QStringLiteral(R"re(<page width="([0-9.]+)" height="([0-9.]+)")re"))
            .match(html);
    if (size.hasMatch())
        page.size = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    auto words =
        QRegularExpression(
            QStringLiteral(
                R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re"))
            .globalMatch(html);
    while (words.hasNext()) {
        const auto word = words.next();
        QString text = word.captured(5);
        text.replace(QStringLiteral("&amp;"), QStringLiteral("&"))
            .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&apos;"), QStringLiteral("'"));
        page.words.push_back(
            {text, QRectF(QPointF(word.captured(1).toDouble(), word.captured(2).toDouble()),
                          QPointF(word.captured(3).toDouble(), word.captured(4).toDouble()))});
    }
    return page;
}

QStringList pdfFontNames(const QString& pdf)
{
    QStringList names;
    const QStringList lines =
        run(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        QString name = lines[i].section(u' ', 0, 0);
        names << name.mid(name.indexOf(u'+') + 1);
    }
    return names;
}

QString describe(const CharLook& look)
{
    return QStringLiteral("[style '%1', %2, %3, case %4, weight %5, %6]")
        .arg(look.style, look.size, look.color, look.caseMap, look.weight, look.posture);
}

QString Paragraph::text() const
{
    QString all;
    for (const TextRun& run : runs)
        all += run.text;
    return all;
}

std::vector<CharLook> Paragraph::looksOf(qsizetype from, qsizetype length) const
{
    std::vector<CharLook> looks;
    qsizetype at = 0;
    for (const TextRun& run : runs) {
        const qsizetype end = at + run.text.size();
        if (end > from && at < from + length)
            looks.push_back(run.look);
        at = end;
    }
    return looks;
}

QString TextBox::text() const
{
    QStringList lines;
    for (const Paragraph& paragraph : paragraphs)
        lines << paragraph.text();
    return lines.join(u'\n');
}

FlatDocument readFlatDocument(const QString& fodt)
{
    return FlatReader(fodt).document;
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

QString run(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& environment)
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.start(program, arguments);
    // Generous: a cold office on a busy machine may take a long while.
    if (!process.waitForFinished(240000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        throw Failure(QStringLiteral("%1 failed: %2")
                          .arg(program, QString::fromUtf8(process.readAllStandardError())));
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace velmora::testing
