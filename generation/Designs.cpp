#include "generation/Designs.h"

#include "platform/Failure.h"
#include "platform/WorkingNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>

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

QString photoFrameOf(const QString& id)
{
    QFile description(QStringLiteral(":/velmora/designs/%1/design.json").arg(id));
    if (!description.open(QIODevice::ReadOnly))
        return QStringLiteral("plain");
    const QString frame = QJsonDocument::fromJson(description.readAll())
                              .object()
                              .value(QStringLiteral("photoFrame"))
                              .toString();
    return frame.isEmpty() ? QStringLiteral("plain") : frame;
}

QList<Design> readCatalogue()
{
    QList<Design> found;
    found << Design{kDefaultId, nameOf(kDefaultId), names::kTemplate, true,
                    QStringLiteral(":/velmora/template.dot")};
    found.back().photoFrame = photoFrameOf(kDefaultId);
    QFile list(QStringLiteral(":/velmora/designs/gallery.txt"));
    if (!list.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray& line : list.readAll().split('\n')) {
        const QString id = QString::fromUtf8(line.trimmed());
        if (id.isEmpty() || id.startsWith(u'#') || id == kDefaultId)
            continue;
        found << Design{id, nameOf(id), names::designTemplate(id), false,
                        QStringLiteral(":/velmora/designs/%1/template.dot").arg(id)};
        found.back().photoFrame = photoFrameOf(id);
    }
    return found;
}

QList<Design> ownDesigns(const QList<Design>& shipped)
{
    QList<Design> found;
    const QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                      + QStringLiteral("/velmora/templates"));
    for (const QFileInfo& file :
         folder.entryInfoList({QStringLiteral("*.dot")}, QDir::Files, QDir::Name)) {
        const QString name = file.completeBaseName();
        // No two items of the gallery read the same.
        const bool namesakes =
            std::any_of(shipped.begin(), shipped.end(), [&](const Design& design) {
                return design.name.compare(name, Qt::CaseInsensitive) == 0;
            });
        // The working copy's name is short whatever the design's name: a
        // name of 250 bytes and the copy's suffix would not fit a file name.
        const QString working = QString::fromLatin1(
            QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
        found << Design{kOwnPrefix + name, namesakes ? name + QStringLiteral(" (yours)") : name,
                        QStringLiteral("template-own-%1.dot").arg(working), false,
                        file.absoluteFilePath()};
    }
    return found;
}

QList<Design>& catalogue()
{
    static QList<Design> designs = readCatalogue() + ownDesigns(readCatalogue());
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

QString ownName(const QString& fileName)
{
    QString name = QFileInfo(fileName).completeBaseName();
    // A name of the file system's own use (".hidden", ".checking") would
    // never be listed, or would meet the check's scratch file.
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    while (name.startsWith(u'.') || name.startsWith(u' '))
        name.remove(0, 1);
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("My template") : name;
}

QString ownTemplatePath(const QString& name)
{
    return ownFolder() + u'/' + name + QStringLiteral(".dot");
}

void reload()
{
    const QList<Design> shipped = readCatalogue();
    catalogue() = shipped + ownDesigns(shipped);
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
