#include "generation/GuestList.h"

#include "platform/Failure.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::guests {

namespace {

QString shownName(const QString& path)
{
    return QFileInfo(QDir::cleanPath(path)).fileName();
}

struct FileBytes {
    QByteArray bytes;
    QString refusal;
};

// The bytes of a file the user brings, or why there are none. Everything is
// decided from the file system before a byte is read, and the file is opened
// without waiting in case it was swapped for a pipe meanwhile.
FileBytes readBounded(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const QString shown = shownName(path);
    const auto refused = [](const QString& text) { return FileBytes{{}, text}; };
    struct stat link = {};
    if (lstat(name.constData(), &link) != 0)
        return refused(QStringLiteral("\"%1\" cannot be read: %2.").arg(shown, systemError()));
    struct stat target = {};
    if (stat(name.constData(), &target) != 0)
        return refused(
            errno == ENOENT
                ? QStringLiteral("\"%1\" is a link to a file that is not there.").arg(shown)
                : QStringLiteral("\"%1\" cannot be read: %2.").arg(shown, systemError()));
    if (S_ISDIR(target.st_mode))
        return refused(QStringLiteral("\"%1\" is a folder, not a guest list.").arg(shown));
    if (S_ISFIFO(target.st_mode))
        return refused(QStringLiteral("\"%1\" is a pipe, not a guest list.").arg(shown));
    if (S_ISCHR(target.st_mode) || S_ISBLK(target.st_mode))
        return refused(QStringLiteral("\"%1\" is a device, not a guest list.").arg(shown));
    if (!S_ISREG(target.st_mode))
        return refused(QStringLiteral("\"%1\" is not a regular file.").arg(shown));
    const QString tooLarge =
        QStringLiteral("\"%1\" is larger than %2 MB: too large for a guest list.")
            .arg(shown)
            .arg(kLargestFile / (1024 * 1024));
    if (target.st_size > kLargestFile)
        return refused(tooLarge);

    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return refused(QStringLiteral("\"%1\" cannot be read: %2.").arg(shown, systemError()));
    QFile file;
    struct stat opened = {};
    if (fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)
        || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return refused(QStringLiteral("\"%1\" is not a regular file.").arg(shown));
    }
    // One byte more than allowed tells a file that grew since stat().
    FileBytes read{file.read(kLargestFile + 1), {}};
    if (read.bytes.size() > kLargestFile)
        return refused(tooLarge);
    if (read.bytes.isEmpty())
        return refused(
            file.error() == QFileDevice::NoError
                ? QStringLiteral("\"%1\" is empty.").arg(shown)
                : QStringLiteral("\"%1\" cannot be read: %2.").arg(shown, file.errorString()));
    return read;
}

// What a file that is no text most likely is, from its first bytes; empty
// when they are no known format's.
QString kindOf(const QByteArray& bytes)
{
    struct Kind {
        QByteArray start;
        const char* what;
    };
    static const char* const picture = "a picture, not a guest list";
    static const char* const program = "a program, not a guest list";
    static const char* const archive = "a compressed archive, not a guest list";
    static const std::array<Kind, 15> kinds = {{
        {QByteArray("\x89PNG\r\n\x1a\n"), picture},
        {QByteArray("\xFF\xD8\xFF"), picture},
        {QByteArray("GIF8"), picture},
        {QByteArray("II*\0", 4), picture},
        {QByteArray("MM\0*", 4), picture},
        {QByteArray("\x7F"
                    "ELF"),
         program},
        {QByteArray("\xCF\xFA\xED\xFE"), program},
        {QByteArray("\xCE\xFA\xED\xFE"), program},
        {QByteArray("%PDF-"), "a PDF document, not a guest list"},
        {QByteArray("PK\x03\x04"), "a spreadsheet (.xlsx, .ods) or another zip archive: save the "
                                   "list as CSV and import that"},
        {QByteArray("PK\x05\x06"), archive},
        {QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"),
         "an office document (an .xls or .doc): save the list as CSV and import that"},
        {QByteArray("\x1F\x8B"), archive},
        {QByteArray("7z\xBC\xAF\x27\x1C"), archive},
        {QByteArray("Rar!\x1A\x07"), archive},
    }};
    for (const Kind& kind : kinds)
        if (bytes.startsWith(kind.start))
            return QString::fromLatin1(kind.what);
    return {};
}

std::optional<QString> fromUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Latin-1, except that bytes 0x80-0x9f, control codes in Latin-1 that no text
// uses, are read as Windows-1252's letters and quotes: a list saved on Windows
// has "Š", "œ" or "’" there.
QString fromLatin1(QByteArrayView bytes)
{
    static constexpr std::array<char16_t, 32> windows1252 = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text = QString::fromLatin1(bytes);
    for (QChar& c : text)
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            c = QChar(windows1252[c.unicode() - 0x80]);
    return text;
}

QString fromUtf8OrLatin1(QByteArrayView bytes)
{
    std::optional<QString> text = fromUtf8(bytes);
    return text ? *text : fromLatin1(bytes);
}

struct Decoded {
    QString text;
    // The bytes without a byte-order mark; UTF-16 turned into UTF-8.
    QByteArray bytes;
    bool wasUtf16 = false;
};

Decoded decode(const QByteArray& bytes)
{
    const auto utf16 = [&](QStringDecoder::Encoding encoding) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
        return Decoded{text, text.toUtf8(), true};
    };
    if (bytes.startsWith("\xFF\xFE"))
        return utf16(QStringDecoder::Utf16LE);
    if (bytes.startsWith("\xFE\xFF"))
        return utf16(QStringDecoder::Utf16BE);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        const QByteArray rest = bytes.mid(3);
        return {QString::fromUtf8(rest), rest};
    }
    return {fromUtf8OrLatin1(bytes), bytes};
}

// Text has no control characters but line breaks and spacing: a NUL or an
// escape is a binary file, or UTF-16 without its byte-order mark.
bool isText(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f' && u != u'\v')
            return false;
    }
    return true;
}

// A name read from a file stands on one line: line breaks in a quoted cell or
// an escaped "\n" become spaces.
QString cleanName(const QString& name)
{
    return name.simplified();
}

// Adds the name, or the reason it is left out, for the row or card "where".
void take(Import& import, const QString& where, const QString& name)
{
    ++import.read;
    if (name.isEmpty())
        import.skipped << QStringLiteral("%1: no name").arg(where);
    else if (tooLong(name))
        import.skipped
            << QStringLiteral("%1: a name over %2 characters").arg(where).arg(kLongestName);
    else
        import.names << name;
}

// The separator of a table, decided by its first line that is not blank: the
// candidate giving the most cells outside quotes; none for a single column,
// so that a later "Smith, Anna" stays one name.
QChar separatorOf(const QString& text)
{
    // In this order on a tie: a tab or a semicolon is rarer in a name than a comma.
    static constexpr std::array<char16_t, 3> candidates = {u'\t', u';', u','};
    std::array<int, 3> counts = {};
    bool quoted = false;
    bool content = false;
    for (const QChar c : text) {
        if (c == u'"') {
            quoted = !quoted;
            content = true;
        } else if (!quoted && (c == u'\n' || c == u'\r')) {
            if (content)
                break;
        } else if (!quoted && c != u' ') {
            content = true;
            for (std::size_t i = 0; i < candidates.size(); ++i)
                counts[i] += c == candidates[i];
        }
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < candidates.size(); ++i)
        if (counts[i] > counts[best])
            best = i;
    return counts[best] > 0 ? QChar(candidates[best]) : QChar();
}

// The records of an RFC 4180 table, every line one record, blank ones too,
// so that a record's place is the row a spreadsheet shows it in.
QList<QStringList> recordsOf(const QString& text, QChar separator)
{
    QList<QStringList> records;
    QStringList cells;
    QString cell;
    bool quoted = false;
    bool cellStart = true;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"')
                cell += c;
            else if (i + 1 < size && text[i + 1] == u'"')
                cell += text[++i];
            else
                quoted = false;
        } else if (c == separator) {
            cells << cell;
            cell.clear();
            cellStart = true;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
                ++i;
            cells << cell;
            records << cells;
            cells.clear();
            cell.clear();
            cellStart = true;
        } else if (cellStart && (c == u' ' || c == u'\t')) {
            cell += c;
        } else if (cellStart && c == u'"') {
            // The spaces before the opening quote are not the cell's.
            cell.clear();
            quoted = true;
            cellStart = false;
        } else {
            cell += c;
            cellStart = false;
        }
    }
    if (!cell.isEmpty() || !cells.isEmpty() || quoted) {
        cells << cell;
        records << cells;
    }
    return records;
}

// The columns a header row names; none are set when the row is a guest.
struct Columns {
    qsizetype full = -1;
    qsizetype first = -1;
    qsizetype last = -1;
    bool any() const { return full >= 0 || first >= 0 || last >= 0; }
};

Columns headerOf(const QStringList& cells)
{
    // "Guest Name", "guest_name" and "GuestName" are one key: its letters
    // (and digits, so that a guest called "Guest 1" is no header).
    static const QStringList full = {QStringLiteral("name"),       QStringLiteral("names"),
                                     QStringLiteral("guest"),      QStringLiteral("guests"),
                                     QStringLiteral("guestname"),  QStringLiteral("fullname"),
                                     QStringLiteral("displayname")};
    static const QStringList first = {QStringLiteral("firstname"), QStringLiteral("givenname"),
                                      QStringLiteral("forename")};
    static const QStringList last = {QStringLiteral("lastname"), QStringLiteral("surname"),
                                     QStringLiteral("familyname")};
    Columns columns;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        QString key;
        for (const QChar c : cells[i])
            if (c.isLetterOrNumber())
                key += c.toLower();
        if (columns.full < 0 && full.contains(key))
            columns.full = i;
        else if (columns.first < 0 && first.contains(key))
            columns.first = i;
        else if (columns.last < 0 && last.contains(key))
            columns.last = i;
    }
    return columns;
}

QString cellAt(const QStringList& cells, qsizetype column)
{
    return column >= 0 && column < cells.size() ? cells[column] : QString();
}

bool isBlank(const QStringList& cells)
{
    return std::all_of(cells.begin(), cells.end(),
                       [](const QString& cell) { return cell.trimmed().isEmpty(); });
}

Import fromTable(const QString& text)
{
    Import import;
    std::optional<Columns> columns;
    const QList<QStringList> records = recordsOf(text, separatorOf(text));
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QStringList& cells = records[i];
        if (isBlank(cells))
            continue;
        if (!columns) {
            columns = headerOf(cells);
            if (columns->any())
                continue;
        }
        QString name = cleanName(cellAt(cells, columns->any() ? columns->full : 0));
        // A contacts export may leave its name column empty where the given
        // and family names are filled.
        if (name.isEmpty() && (columns->first >= 0 || columns->last >= 0))
            name = cleanName(cellAt(cells, columns->first) + u' ' + cellAt(cells, columns->last));
        take(import, QStringLiteral("row %1").arg(i + 1), name);
    }
    return import;
}

struct Property {
    QByteArray name;
    QByteArrayList parameters;
    QByteArray value;
};

// "item1.FN;CHARSET=UTF-8:Anna" is the property FN with one parameter.
Property propertyOf(const QByteArray& line)
{
    Property property;
    QByteArrayList parts;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ';' || c == ':')) {
            parts << line.mid(start, i - start);
            start = i + 1;
            if (c == ':') {
                property.value = line.mid(start);
                property.name = parts.takeFirst().trimmed().toUpper();
                property.name = property.name.mid(property.name.lastIndexOf('.') + 1);
                property.parameters = parts;
                return property;
            }
        }
    }
    return {};
}

QByteArray parameter(const Property& property, const QByteArray& key)
{
    for (const QByteArray& parameter : property.parameters) {
        const qsizetype equals = parameter.indexOf('=');
        if (equals >= 0 && parameter.left(equals).trimmed().toUpper() == key) {
            QByteArray value = parameter.mid(equals + 1).trimmed().toUpper();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

QByteArray encodingOf(const Property& property)
{
    const QByteArray named = parameter(property, "ENCODING");
    if (!named.isEmpty())
        return named;
    // vCard 2.1 may name the encoding alone: "FN;QUOTED-PRINTABLE:…".
    for (const QByteArray& parameter : property.parameters) {
        const QByteArray bare = parameter.trimmed().toUpper();
        if (bare == "QUOTED-PRINTABLE" || bare == "BASE64")
            return bare;
    }
    return {};
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Soft line breaks are joined before a line is read as a property.
QByteArray fromQuotedPrintable(const QByteArray& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '=' && i + 2 < text.size();
        const int high = escape ? hexValue(text[i + 1]) : -1;
        const int low = escape ? hexValue(text[i + 2]) : -1;
        if (high >= 0 && low >= 0) {
            bytes += char(high << 4 | low);
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// The property's value as text: its encoding undone and its bytes read in
// the character set it names, or as UTF-8 when they are that, else Latin-1.
QString textOf(const Property& property, bool fileWasUtf16)
{
    const QByteArray encoding = encodingOf(property);
    QByteArray bytes = property.value;
    if (encoding == "QUOTED-PRINTABLE")
        bytes = fromQuotedPrintable(bytes);
    else if (encoding == "BASE64" || encoding == "B")
        bytes = QByteArray::fromBase64(bytes);
    else if (fileWasUtf16)
        return QString::fromUtf8(bytes);
    const QByteArray charset = parameter(property, "CHARSET");
    if (charset == "UTF-8" || charset == "UTF8")
        return QString::fromUtf8(bytes);
    if (charset == "ISO-8859-1" || charset == "ISO_8859-1" || charset == "LATIN1"
        || charset == "WINDOWS-1252" || charset == "CP1252" || charset == "US-ASCII")
        return fromLatin1(bytes);
    return fromUtf8OrLatin1(bytes);
}

// Splits at the separators a backslash does not escape; the parts keep
// their escapes.
QStringList splitUnescaped(const QString& value, QChar separator)
{
    QStringList parts(1);
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            parts.last() += value[i];
            parts.last() += value[++i];
        } else if (value[i] == separator) {
            parts << QString();
        } else {
            parts.last() += value[i];
        }
    }
    return parts;
}

QString unescaped(const QString& value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar next = i + 1 < value.size() ? value[i + 1] : QChar();
        if (value[i] == u'\\' && (next == u'n' || next == u'N')) {
            text += u'\n';
            ++i;
        } else if (value[i] == u'\\' && (next == u',' || next == u';' || next == u'\\')) {
            text += next;
            ++i;
        } else {
            text += value[i];
        }
    }
    return text;
}

// N is family;given;additional;prefix;suffix, each part a list of values
// separated by commas; a name reads prefix, given, additional, family, suffix.
QString nameFromParts(const QString& value)
{
    const QStringList parts = splitUnescaped(value, u';');
    QStringList words;
    for (const int part : {3, 1, 2, 0, 4})
        if (part < parts.size())
            for (const QString& word : splitUnescaped(parts[part], u','))
                words << unescaped(word);
    return cleanName(words.join(u' '));
}

QByteArrayList physicalLines(const QByteArray& bytes)
{
    QByteArrayList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        lines << bytes.mid(start, i - start);
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines << bytes.mid(start);
    return lines;
}

bool isQuotedPrintable(const QByteArray& line)
{
    const qsizetype colon = line.indexOf(':');
    return colon >= 0 && line.left(colon).toUpper().contains("QUOTED-PRINTABLE");
}

Import fromCards(const Decoded& decoded)
{
    Import import;
    int depth = 0;
    int cards = 0;
    // vCard 2.1 unfolds as mail headers do, keeping the space that starts
    // the continuation; 3.0 and 4.0 drop it.
    bool keepFoldSpace = false;
    QString formatted;
    QString fromParts;
    const auto finish = [&] {
        take(import, QStringLiteral("card %1").arg(cards),
             formatted.isEmpty() ? fromParts : formatted);
    };
    const auto read = [&](const QByteArray& line) {
        const Property property = propertyOf(line);
        const bool vcard = property.value.trimmed().toUpper() == "VCARD";
        if (property.name == "BEGIN" && vcard) {
            // A 2.1 AGENT holds a card of its own; only the outer card counts.
            if (depth++ == 0) {
                ++cards;
                formatted.clear();
                fromParts.clear();
                keepFoldSpace = false;
            }
        } else if (property.name == "END" && vcard) {
            if (depth > 0 && --depth == 0)
                finish();
        } else if (depth == 1) {
            if (property.name == "VERSION")
                keepFoldSpace = property.value.trimmed() == "2.1";
            else if (property.name == "FN" && formatted.isEmpty())
                formatted = cleanName(unescaped(textOf(property, decoded.wasUtf16)));
            else if (property.name == "N" && fromParts.isEmpty())
                fromParts = nameFromParts(textOf(property, decoded.wasUtf16));
        }
    };

    std::optional<QByteArray> pending;
    for (const QByteArray& line : physicalLines(decoded.bytes)) {
        if (pending && pending->endsWith('=') && isQuotedPrintable(*pending)) {
            pending->chop(1);
            *pending += line;
        } else if (pending && (line.startsWith(' ') || line.startsWith('\t'))) {
            *pending += keepFoldSpace ? line : line.mid(1);
        } else {
            if (pending)
                read(*pending);
            pending = line;
        }
    }
    if (pending)
        read(*pending);
    // A last card cut short still had its name.
    if (depth > 0)
        finish();
    return import;
}

Import refused(const QString& refusal)
{
    Import import;
    import.refusal = refusal;
    return import;
}

bool isVCard(const QString& text)
{
    return QStringView(text).trimmed().startsWith(u"BEGIN:VCARD", Qt::CaseInsensitive);
}

// Characters no file system or file manager should get: the path
// separators, control characters, what Windows refuses on a shared drive,
// and the direction overrides that make "…fdp.exe" read "…exe.pdf".
QString safeCharacters(const QString& text)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|\u2028\u2029\u202A\u202B\u202C"
                                                  "\u202D\u202E\u2066\u2067\u2068\u2069");
    QString safe = text;
    for (QChar& c : safe)
        if (c.category() == QChar::Other_Control || refused.contains(c))
            c = u'_';
    return safe;
}

// Windows takes "con.pdf" for its console, whatever the suffix.
bool isWindowsDevice(const QString& name)
{
    static const QRegularExpression devices(QStringLiteral("^(con|prn|aux|nul|com\\d|lpt\\d)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return devices.match(name).hasMatch();
}

qsizetype utf8Size(QStringView text)
{
    return text.toUtf8().size();
}

// The longest start of the text that takes at most the bytes, cut between
// two characters as a reader sees them (an accent stays on its letter).
QString cutToBytes(const QString& text, qsizetype bytes)
{
    if (utf8Size(text) <= bytes)
        return text;
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    qsizetype kept = 0;
    qsizetype used = 0;
    for (qsizetype at = boundaries.toNextBoundary(); at > 0; at = boundaries.toNextBoundary()) {
        used += utf8Size(QStringView(text).mid(kept, at - kept));
        if (used > bytes)
            break;
        kept = at;
    }
    QString cut = text.left(kept);
    while (cut.endsWith(u' '))
        cut.chop(1);
    return cut;
}

} // namespace

QStringList fromText(const QString& text)
{
    QStringList names;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\n' && text[i] != u'\r')
            continue;
        const QStringView name = QStringView(text).mid(start, i - start).trimmed();
        if (!name.isEmpty())
            names << name.toString();
        start = i + 1;
    }
    return names;
}

Import readFile(const QString& path, int alreadyListed)
{
    const FileBytes file = readBounded(path);
    if (!file.refusal.isEmpty())
        return refused(file.refusal);
    const QString shown = shownName(path);
    const QString kind = kindOf(file.bytes);
    if (!kind.isEmpty())
        return refused(QStringLiteral("\"%1\" is %2.").arg(shown, kind));
    const Decoded decoded = decode(file.bytes);
    if (!isText(decoded.text))
        return refused(
            QStringLiteral("\"%1\" is not a text file, so not a guest list.").arg(shown));

    Import import = isVCard(decoded.text) ? fromCards(decoded) : fromTable(decoded.text);
    if (import.read == 0)
        return refused(QStringLiteral("\"%1\" holds no guests.").arg(shown));
    const qsizetype count = import.names.size();
    if (alreadyListed + count > kMostGuests)
        return refused(
            alreadyListed == 0
                ? QStringLiteral("\"%1\" holds %2 guests: a guest list holds at most %3.")
                      .arg(shown)
                      .arg(count)
                      .arg(kMostGuests)
                : QStringLiteral("\"%1\" holds %2 guests: with the %3 already listed that is "
                                 "more than %4, the most a guest list holds.")
                      .arg(shown)
                      .arg(count)
                      .arg(alreadyListed)
                      .arg(kMostGuests));
    return import;
}

QString storePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/velmora/guests.txt");
}

QStringList load()
{
    const FileBytes file = readBounded(storePath());
    if (!file.refusal.isEmpty())
        return {};
    QStringList names = fromText(decode(file.bytes).text);
    if (names.size() > kMostGuests)
        names.resize(kMostGuests);
    return names;
}

void save(const QStringList& guests)
{
    const QString path = storePath();
    // Private to this user: a guest list names people.
    makePrivateFolder(QFileInfo(path).path());
    QByteArray bytes;
    for (const QString& guest : guests) {
        // A line break inside a name would read back as two guests.
        const QString name = fromText(guest).join(u' ');
        if (!name.isEmpty())
            bytes += name.toUtf8() + '\n';
    }
    replaceFileWhole(path, bytes);
}

QStringList fileNames(const QString& chosenStem, const QStringList& guests, const QString& suffix)
{
    const QString stem = safeCharacters(chosenStem).simplified();
    const QString end = safeCharacters(suffix);
    QStringList names;
    QSet<QString> taken;
    // The next number to try for a name, so that many guests of one name
    // take linear time.
    QHash<QString, int> nextNumber;
    for (const QString& guest : guests) {
        // One form of "ë" for all: a file system that normalises names
        // would otherwise see two guests' files as one.
        const QString name =
            safeCharacters(guest).simplified().normalized(QString::NormalizationForm_C);
        QString base =
            stem.isEmpty() || name.isEmpty() ? stem + name : stem + QStringLiteral(" - ") + name;
        // A leading dot hides the file; trailing dots and spaces are dropped
        // by Windows when nothing follows them.
        for (qsizetype i = 0; i < base.size() && base[i] == u'.'; ++i)
            base[i] = u'_';
        while (end.isEmpty() && (base.endsWith(u'.') || base.endsWith(u' ')))
            base.chop(1);
        if (base.isEmpty() || isWindowsDevice(base))
            base += u'_';

        const QString key = base.toCaseFolded();
        int& number = nextNumber[key];
        QString fileName;
        for (number = std::max(number, 1);; ++number) {
            const QString counted = number == 1 ? QString() : QStringLiteral(" (%1)").arg(number);
            fileName = cutToBytes(base, 255 - utf8Size(counted + end)) + counted + end;
            if (!taken.contains(fileName.toCaseFolded()))
                break;
        }
        taken.insert(fileName.toCaseFolded());
        names << fileName;
    }
    return names;
}

bool tooLong(const QString& name)
{
    // Characters as a reader counts them: a surrogate pair is one.
    qsizetype count = 0;
    for (const QChar c : name)
        count += !c.isLowSurrogate();
    return count > kLongestName;
}

} // namespace velmora::guests
