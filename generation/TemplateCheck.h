#pragma once

#include "generation/Office.h"

#include <QString>
#include <QStringList>

// The check of a template the user brings: what of it the filling run will
// fill, what it will not and why, or why it cannot be used at all.
namespace velmora::templatecheck {

// Larger files are refused before any office opens them.
constexpr qint64 kLargestFile = 20 * 1024 * 1024;
// A zipped document (.docx, .odt, …) that would unpack to more is refused.
constexpr qint64 kLargestUnpacked = 200 * 1024 * 1024;

// The tokens the filling run replaces, in the order the report names them.
const QStringList& tokens();

// Why the file cannot be opened as a template, read from the file system and
// the file's first bytes only (never blocking on a pipe or a device); empty
// when it may be given to the office.
QString refusalOfFile(const QString& path);

// The token a bracketed word that is not one most likely means ("[Celebrent]"
// means "[Celebrant]"); empty when none is near.
QString likelyToken(const QString& word);

struct Report {
    bool accepted = false;
    QString text;
};

// The findings of the office in plain words.
Report describe(const office::TemplateFindings& findings);

// The whole check: the file, then the office (one instance of its own). An
// accepted template is also written to copyTo as a Word 97-2003 template.
Report check(office::Engine& engine, const QString& path, const QString& copyTo = {});

} // namespace velmora::templatecheck
