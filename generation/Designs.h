#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The invitation designs the program carries: each a Word template of its own
// with the same tokens, filled by the same run. Data, not code: a design is a
// folder of resources named in the gallery's list.
namespace velmora::designs {

// The settings store's key for the chosen design (in the program's section).
inline const QString kSettingsKey = QStringLiteral("Design");
// The design that the program has always made: the embedded template.
inline const QString kDefaultId = QStringLiteral("party");

struct Design {
    QString id; // what the settings store keeps: "party", "balloons", …
    QString name; // what the gallery shows: "Party Hats", …
    // The file the filling run writes the template to in the temporary
    // folder, and whether a file of that name that is the user's own is kept
    // there instead (the default design's "template.dot" is).
    QString templateFileName;
    bool keepsUsersFile = false;
    // The template, read whole. Throws Failure when the resource is absent.
    QByteArray templateBytes() const;
    QString resource;
    // Brought by the user (kept in ownFolder()), not shipped: it can go.
    bool own() const;
    // The frame of the photo in its "[Photo]" spot, from its design.json
    // ("round", "arch", "print"); "plain" without one, and for a user's own.
    QString photoFrame = QStringLiteral("plain");
};

// The ids of the user's own designs: "own:" and the file's stem.
inline const QString kOwnPrefix = QStringLiteral("own:");

// Every design, the default first, in the gallery's order: the shipped ones,
// then the user's own. Read again by reload().
const QList<Design>& all();
// The design with the id; the default one for an unknown or empty id.
const Design& find(const QString& id);
// Whether a design with the id is in the catalogue and its template can be read.
bool usable(const QString& id);

// Where the user's own designs are kept ($XDG_DATA_HOME/velmora/templates),
// made (mode 0700) when it is not there.
QString ownFolder();
// The name a design brought in the file gets: the file's name without its
// suffix, without leading dots and control characters.
QString ownName(const QString& fileName);
// The file a user's design of that name is kept in.
QString ownTemplatePath(const QString& name);
// Reads the catalogue again, after a design was added or removed.
void reload();
// Removes one of the user's own designs; false for a shipped one.
bool removeOwn(const QString& id);

} // namespace velmora::designs
