#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The guest list: typed in a text field, imported from a table or a contacts
// file, remembered between runs, and turned into one file name a guest.
namespace velmora::guests {

// The most guests one list holds, imported and typed together.
constexpr int kMostGuests = 1000;
// A longer name is not a guest's name but something pasted by mistake.
constexpr int kLongestName = 200;

// Whether the name has more than kLongestName characters.
bool tooLong(const QString& name);
// Larger guest-list files are refused before a byte is read.
constexpr qint64 kLargestFile = 5 * 1024 * 1024;

// The guests typed in a text field, one a line: blank lines are dropped and
// each name is trimmed; two lines of one name are two guests.
QStringList fromText(const QString& text);

struct Import {
    // Why the whole file is refused, naming it; empty when it was read. A
    // refused file leaves the other members empty.
    QString refusal;
    // The guests read, in the file's order.
    QStringList names;
    // The table's rows or the contact cards read as guests, taken or skipped;
    // a header row and blank rows are not counted.
    int read = 0;
    // One line for each row or card left out: "row 7: no name".
    QStringList skipped;
};

// Reads a guest list: a CSV or TSV table (comma, semicolon or tab; a header
// row naming a name column is used when there is one, otherwise the first
// column) or a vCard file (FN, else N). UTF-8 with or without a byte-order
// mark, UTF-16 with one, otherwise Latin-1. Imported names are the caller's
// to add to the alreadyListed guests it holds: a file that would make more
// than kMostGuests together is refused. Never blocks on a pipe or a device.
Import readFile(const QString& path, int alreadyListed = 0);

// Where the list is remembered: $XDG_DATA_HOME/velmora/guests.txt.
QString storePath();
// The remembered list; empty when there is none or it cannot be read (or is
// larger than kLargestFile). At most kMostGuests names.
QStringList load();
// Remembers the list, UTF-8, one name a line, replacing the file whole; the
// folder is made private (mode 0700) when it is created. Throws Failure.
void save(const QStringList& guests);

// The file names of "a file each": "Invitation - Zoë.pdf" for the stem
// "Invitation", the suffix ".pdf" (with its dot) and the guest "Zoë". Every
// name is safe on any file system, at most 255 bytes in UTF-8 with the suffix
// kept, and unique regardless of case: a second "Zoë" gets " (2)".
QStringList fileNames(const QString& chosenStem, const QStringList& guests, const QString& suffix);

} // namespace velmora::guests
