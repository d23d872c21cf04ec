#include "windows/Titles.h"

#include "platform/Dialogs.h"

namespace velmora {

namespace {
constexpr qsizetype kShortTitleLength = 40;
}

QString shortTitle(const QString& productTitle)
{
    QString title = productTitle;
    do {
        const qsizetype space = title.lastIndexOf(QLatin1Char(' '));
        if (space < 0)
            break;
        title.truncate(space);
    } while (title.size() > kShortTitleLength);
    return title;
}

void setApplicationShortTitle()
{
    Dialogs::setApplicationShortTitle(shortTitle(kProductTitle));
}

QIcon programIcon()
{
    return QIcon(QStringLiteral(":/velmora/icon.png"));
}

} // namespace velmora
