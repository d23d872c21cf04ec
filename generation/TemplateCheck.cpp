#include "generation/TemplateCheck.h"

#include "platform/Files.h"

#include "generation/Invitation.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::templatecheck {

namespace {

quint32 little32(const QByteArray& bytes, qsizetype at)
{
    if (at < 0 || at + 4 > bytes.size())
        return 0;
    return quint32(uchar(bytes[at])) | quint32(uchar(bytes[at + 1])) << 8
           | quint32(uchar(bytes[at + 2])) << 16 | quint32(uchar(bytes[at + 3])) << 24;
}

quint16 little16(const QByteArray& bytes, qsizetype at)
{
    if (at < 0 || at + 2 > bytes.size())
        return 0;
    return quint16(uchar(bytes[at]) | uchar(bytes[at + 1]) << 8);
}

// What the entries of a zip file say they unpack to, from its central
// directory; -1 when the directory cannot be read or a size is a Zip64 one.
qint64 unpackedSize(const QByteArray& zip)
{
    const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0)
        return -1;
    const quint16 entries = little16(zip, end + 10);
    qsizetype at = little32(zip, end + 16);
    qint64 total = 0;
    for (int i = 0; i < entries; ++i) {
        if (little32(zip, at) != 0x02014b50)
            return -1;
        const quint32 size = little32(zip, at + 24);
        if (size == 0xffffffffu)
            return -1;
        total += size;
        at += 46 + little16(zip, at + 28) + little16(zip, at + 30) + little16(zip, at + 32);
    }
    return total;
}

QString placeName(office::Place place)
{
    switch (place) {
    case office::Place::MainText:
        return QStringLiteral("the main text");
    case office::Place::TextBox:
        return QStringLiteral("a text box");
    case office::Place::HeaderFooter:
        return QStringLiteral("a header or footer");
    case office::Place::Table:
        return QStringLiteral("a table");
    case office::Place::Note:
        return QStringLiteral("a footnote or endnote");
    }
    return {};
}

// Lower case letters only: "[RSVP No]" and "[rsvpno]" are the same word.
QString normalised(const QString& word)
{
    QString letters;
    for (const QChar c : word)
        if (c.isLetter())
            letters += c.toLower();
    return letters;
}

int editDistance(const QString& a, const QString& b)
{
    std::vector<int> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

QString tokenOf(const QString& word)
{
    for (const QString& token : tokens())
        if (word.compare(token, Qt::CaseInsensitive) == 0)
            return token;
    return {};
}

// The places a word stands in, each with how often: "the main text (2), a table".
QString placesText(const std::map<office::Place, int>& places)
{
    QStringList parts;
    for (const auto& [place, count] : places)
        parts << (count > 1 ? QStringLiteral("%1 (%2)").arg(placeName(place)).arg(count)
                            : placeName(place));
    return parts.join(QStringLiteral(", "));
}

// The first field of an RTF whose instruction reads another file or asks
// another program (INCLUDEPICTURE, INCLUDETEXT, LINK, DDE…): the office's
// RTF reader follows such a field while it reads the file, before anything
// could take it out. Empty when there is none.
QString rtfFieldThatReadsElsewhere(const QByteArray& bytes)
{
    static const QRegularExpression controlWord(QStringLiteral("\\\\[A-Za-z]+-?[0-9]* ?|[{}]"));
    static const QStringList reading = {
        QStringLiteral("INCLUDEPICTURE"), QStringLiteral("INCLUDETEXT"), QStringLiteral("INCLUDE"),
        QStringLiteral("IMPORT"),         QStringLiteral("LINK"),        QStringLiteral("DDE"),
        QStringLiteral("DDEAUTO")};
    for (qsizetype at = bytes.indexOf("fldinst"); at >= 0; at = bytes.indexOf("fldinst", at + 1)) {
        const QString instruction =
            QString::fromLatin1(bytes.mid(at + 7, 400)).remove(controlWord).trimmed();
        const QString word = instruction.section(u' ', 0, 0).toUpper();
        if (reading.contains(word))
            return word;
    }
    return {};
}

bool looksEncrypted(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(kLargestFile);
    // An encrypted .docx is a compound file holding an "EncryptedPackage";
    // an encrypted OpenDocument names its encryption in the manifest.
    static const QString package = QStringLiteral("EncryptedPackage");
    const QByteArray packageName(reinterpret_cast<const char*>(package.utf16()),
                                 package.size() * 2);
    return (bytes.startsWith("\xD0\xCF\x11\xE0") && bytes.contains(packageName))
           || bytes.contains("encryption-data");
}

} // namespace

const QStringList& tokens()
{
    static const QStringList all = {invitation::kCelebrantTag, invitation::kBirthDateTag,
                                    invitation::kBirthTimeTag, invitation::kLocationTag,
                                    invitation::kGivenByTag,   invitation::kRsvpTag,
                                    invitation::kGuestTag};
    return all;
}

QString refusalOfFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const QString shown = QFileInfo(path).fileName();
    struct stat link = {};
    if (lstat(name.constData(), &link) != 0)
        return QStringLiteral("\"%1\" cannot be read: %2.").arg(shown, systemError());
    struct stat target = {};
    if (stat(name.constData(), &target) != 0)
        return QStringLiteral("\"%1\" is a link to a file that is not there.").arg(shown);
    if (S_ISDIR(target.st_mode))
        return QStringLiteral("\"%1\" is a folder, not a document.").arg(shown);
    if (S_ISFIFO(target.st_mode))
        return QStringLiteral("\"%1\" is a pipe, not a document.").arg(shown);
    if (S_ISCHR(target.st_mode) || S_ISBLK(target.st_mode))
        return QStringLiteral("\"%1\" is a device, not a document.").arg(shown);
    if (!S_ISREG(target.st_mode))
        return QStringLiteral("\"%1\" is not a regular file.").arg(shown);
    if (target.st_size == 0)
        return QStringLiteral("\"%1\" is empty.").arg(shown);
    if (target.st_size > kLargestFile)
        return QStringLiteral("\"%1\" is larger than %2 MB: too large for an invitation template.")
            .arg(shown)
            .arg(kLargestFile / (1024 * 1024));

    // Opened without waiting, in case it was swapped for a pipe meanwhile.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return QStringLiteral("\"%1\" cannot be read: %2.").arg(shown, systemError());
    QFile file;
    struct stat opened = {};
    if (fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)
        || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return QStringLiteral("\"%1\" is not a regular file.").arg(shown);
    }
    const QByteArray bytes = file.read(kLargestFile);
    if (bytes.startsWith("{\\rtf")) {
        const QString field = rtfFieldThatReadsElsewhere(bytes);
        if (!field.isEmpty())
            return QStringLiteral("\"%1\" has a field (%2) that reads another file or asks another "
                                  "program, and Velmora never reads what a template points to. "
                                  "Remove the field, or save the template as a Word document, "
                                  "and bring it again.")
                .arg(shown, field);
    }
    if (bytes.startsWith("PK\x03\x04")) {
        const qint64 unpacked = unpackedSize(bytes);
        if (unpacked < 0 || unpacked > kLargestUnpacked)
            return QStringLiteral("\"%1\" would unpack to more than %2 MB (or its contents "
                                  "cannot be read): it is refused.")
                .arg(shown)
                .arg(kLargestUnpacked / (1024 * 1024));
    }
    return {};
}

QString likelyToken(const QString& word)
{
    const QString letters = normalised(word);
    if (letters.isEmpty())
        return {};
    QString best;
    int bestDistance = 0;
    for (const QString& token : tokens()) {
        const QString tokenLetters = normalised(token);
        const int distance = editDistance(letters, tokenLetters);
        // Two slips, or one in four letters of a long token, still point at it.
        const int allowed = std::max<int>(2, int(tokenLetters.size()) / 4);
        if (distance <= allowed && (best.isEmpty() || distance < bestDistance)) {
            best = token;
            bestDistance = distance;
        }
    }
    return best;
}

Report describe(const office::TemplateFindings& findings)
{
    if (!findings.hasText)
        return {false, QStringLiteral("The document is empty: there is nothing to fill.")};

    std::map<QString, std::map<office::Place, int>> found;
    std::map<QString, std::map<office::Place, int>> mistyped;
    QStringList others;
    bool phrase = false;
    bool photoSpot = false;
    for (const office::TemplateFindings::Word& word : findings.words) {
        // A text box that holds the photo's token alone is where the photo goes.
        if (word.text.compare(invitation::kPhotoTag, Qt::CaseInsensitive) == 0
            && word.place == office::Place::TextBox && word.following.trimmed().isEmpty()) {
            photoSpot = true;
            continue;
        }
        const QString token = tokenOf(word.text);
        if (!token.isEmpty()) {
            ++found[token][word.place];
            if (token == invitation::kCelebrantTag
                && word.following.startsWith(invitation::kFemalePhrase, Qt::CaseInsensitive))
                phrase = true;
        } else if (!likelyToken(word.text).isEmpty()) {
            ++mistyped[word.text][word.place];
        } else if (!others.contains(word.text)) {
            others << word.text;
        }
    }

    QStringList lines;
    const auto listMistyped = [&] {
        if (mistyped.empty())
            return;
        lines << QString()
              << QStringLiteral("These look like mistyped tokens and stay as written:");
        for (const auto& [word, places] : mistyped)
            lines << QStringLiteral("  %1 in %2: did you mean %3?")
                         .arg(word, placesText(places), likelyToken(word));
    };

    if (found.empty()) {
        lines << QStringLiteral("No token was found, so nothing would be filled. Velmora fills %1.")
                     .arg(tokens().join(QStringLiteral(", ")));
        listMistyped();
        return {false, lines.join(u'\n')};
    }

    lines << QStringLiteral("Tokens found:");
    for (const QString& token : tokens())
        if (found.count(token))
            lines << QStringLiteral("  %1 in %2").arg(token, placesText(found[token]));
    if (photoSpot)
        lines << QStringLiteral("  %1 in a text box: the spot for the celebrant's photo, which "
                                "fills the box")
                     .arg(invitation::kPhotoTag);

    QStringList unfilled;
    for (const QString& token : {invitation::kBirthDateTag, invitation::kBirthTimeTag}) {
        if (!found.count(token))
            continue;
        std::map<office::Place, int> outside = found[token];
        outside.erase(office::Place::TextBox);
        if (!outside.empty())
            unfilled << QStringLiteral("  %1 in %2: the date and time are replaced in text boxes "
                                       "only.")
                            .arg(token, placesText(outside));
    }
    QStringList absent;
    for (const QString& token : tokens())
        if (!found.count(token))
            absent << token;
    if (!absent.isEmpty())
        unfilled << QStringLiteral("  %1: not in the template, so what you type there will not "
                                   "appear.")
                        .arg(absent.join(QStringLiteral(", ")));
    if (!phrase)
        unfilled << QStringLiteral("  There is no \"%1%2\" phrase, so choosing Male changes "
                                   "nothing.")
                        .arg(invitation::kCelebrantTag, invitation::kFemalePhrase);
    if (!unfilled.isEmpty())
        lines << QString() << QStringLiteral("What will not be filled:") << unfilled;

    listMistyped();
    if (!others.isEmpty())
        lines << QString()
              << QStringLiteral("Other bracketed words stay as written: %1")
                     .arg(others.join(QStringLiteral(", ")));
    if (!findings.notKept.isEmpty())
        lines << QString()
              << QStringLiteral("Left out of your design, so that nothing is ever read or fetched "
                                "from elsewhere:")
              << findings.notKept;
    if (findings.pages > 1)
        lines << QString()
              << QStringLiteral("The template has %1 pages: only the first page is previewed, "
                                "printed and exported.")
                     .arg(findings.pages);
    return {true, lines.join(u'\n')};
}

Report check(office::Engine& engine, const QString& path, const QString& copyTo)
{
    const QString refusal = refusalOfFile(path);
    if (!refusal.isEmpty())
        return {false, refusal};
    const QString shown = QFileInfo(path).fileName();
    try {
        office::Ref<office::Application> office = engine.createApplication();
        const office::TemplateFindings findings = office->checkTemplate(path, copyTo);
        office->quit();
        Report report = describe(findings);
        if (!report.accepted && !copyTo.isEmpty())
            QFile::remove(copyTo);
        return report;
    } catch (const Failure& failure) {
        if (!copyTo.isEmpty())
            QFile::remove(copyTo);
        if (looksEncrypted(path)
            || failure.description().contains(u"password", Qt::CaseInsensitive))
            return {false, QStringLiteral("\"%1\" asks for a password: save it without one first.")
                               .arg(shown)};
        return {false, QStringLiteral("\"%1\" could not be opened as a document: %2")
                           .arg(shown, failure.description())};
    }
}

} // namespace velmora::templatecheck
