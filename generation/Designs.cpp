#include "generation/Designs.h"

#include "platform/Failure.h"
#include "platform/WorkingNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace velmora::designs {

namespace {

QByteArray resourceBytes(const QString& path)
{
    QFile resource(path);
    if (!resource.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Resource not found: %1").arg(path));
    return resource.readAll();
}

QString nameOf(const QString& id)
{
    QFile description(QStringLiteral(":/velmora/designs/%1/design.json").arg(id));
    if (!description.open(QIODevice::ReadOnly))
        return id;
    const QString name = QJsonDocument::fromJson(description.readAll())
                             .object()
                             .value(QStringLiteral("name"))
                             .toString();
    return name.isEmpty() ? id : name;
}

QList<Design> readCatalogue()
{
    QList<Design> found;
    found << Design{kDefaultId, nameOf(kDefaultId), names::kTemplate, true,
                    QStringLiteral(":/velmora/template.dot")};
    QFile list(QStringLiteral(":/velmora/designs/gallery.txt"));
    if (!list.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray& line : list.readAll().split('\n')) {
        const QString id = QString::fromUtf8(line.trimmed());
        if (id.isEmpty() || id.startsWith(u'#') || id == kDefaultId)
            continue;
        found << Design{id, nameOf(id), names::designTemplate(id), false,
                        QStringLiteral(":/velmora/designs/%1/template.dot").arg(id)};
    }
    return found;
}

QList<Design> ownDesigns()
{
    QList<Design> found;
    const QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                      + QStringLiteral("/velmora/templates"));
    for (const QFileInfo& file :
         folder.entryInfoList({QStringLiteral("*.dot")}, QDir::Files, QDir::Name)) {
        const QString name = file.completeBaseName();
        found << Design{kOwnPrefix + name, name, QStringLiteral("template-own-%1.dot").arg(name),
                        false, file.absoluteFilePath()};
    }
    return found;
}

QList<Design>& catalogue()
{
    static QList<Design> designs = readCatalogue() + ownDesigns();
    return designs;
}

} // namespace

QByteArray Design::templateBytes() const
{
    return resourceBytes(resource);
}

bool Design::own() const
{
    return id.startsWith(kOwnPrefix);
}

const QList<Design>& all()
{
    return catalogue();
}

bool usable(const QString& id)
{
    for (const Design& design : all())
        if (design.id == id)
            return !design.own() || QFileInfo(design.resource).isReadable();
    return false;
}

QString ownFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                           + QStringLiteral("/velmora/templates");
    QDir().mkpath(folder);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder;
}

QString ownTemplatePath(const QString& name)
{
    return ownFolder() + u'/' + name + QStringLiteral(".dot");
}

void reload()
{
    catalogue() = readCatalogue() + ownDesigns();
}

bool removeOwn(const QString& id)
{
    for (const Design& design : all()) {
        if (design.id == id && design.own()) {
            QFile::remove(design.resource);
            reload();
            return true;
        }
    }
    return false;
}

const Design& find(const QString& id)
{
    for (const Design& design : all())
        if (design.id == id)
            return design;
    return all().first();
}

} // namespace velmora::designs
