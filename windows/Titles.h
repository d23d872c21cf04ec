#pragma once

#include <QIcon>
#include <QString>

namespace velmora {

inline const QString kProductTitle = QStringLiteral("Velmora");

// The application short title of a product title: the text is cut before its
// last space, at least once, until it is 40 characters or fewer. A text with
// no space left to cut at is kept as it is, so "Velmora" stays "Velmora".
QString shortTitle(const QString& productTitle);

// Makes shortTitle(kProductTitle) the title of every message box that has
// none of its own.
void setApplicationShortTitle();

// The icon both windows and the message boxes carry.
QIcon programIcon();

} // namespace velmora
