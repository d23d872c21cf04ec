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
};

// Every design, the default first, in the gallery's order.
const QList<Design>& all();
// The design with the id; the default one for an unknown or empty id.
const Design& find(const QString& id);

} // namespace velmora::designs
