#include "generation/Designs.h"

#include "platform/Failure.h"
#include "platform/WorkingNames.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

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

} // namespace

QByteArray Design::templateBytes() const
{
    return resourceBytes(resource);
}

const QList<Design>& all()
{
    static const QList<Design> catalogue = readCatalogue();
    return catalogue;
}

const Design& find(const QString& id)
{
    for (const Design& design : all())
        if (design.id == id)
            return design;
    return all().first();
}

} // namespace velmora::designs
