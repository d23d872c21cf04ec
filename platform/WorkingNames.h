#pragma once

#include <QRegularExpression>
#include <QString>

// The names of the program's working files in the temporary folder, and the
// rule that recognises them in a record.
namespace velmora::names {

inline const QString kTemplate = QStringLiteral("template.dot");
inline const QString kPicture = QStringLiteral("temp.bmp");

// A filled document: the prefix, eight digits 1 to 9, the suffix.
inline const QString kResultPrefix = QStringLiteral("tarvik");
constexpr int kResultDigits = 8;
inline const QString kResultSuffix = QStringLiteral(".doc");

// A name of ours: a filled document, the template or the picture, or the
// private name ("-" and six characters) one of those went under when its own
// name was taken. Never a path.
inline bool isWorkingName(const QString& name)
{
    const auto ownOrPrivate = [](const QString& file) {
        const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
        return QRegularExpression::escape(file.left(dot)) + QStringLiteral("(-[A-Za-z0-9]{6})?")
               + QRegularExpression::escape(file.mid(dot));
    };
    static const QRegularExpression rule(QStringLiteral("^(%1[1-9]{%2}%3|%4|%5)$")
                                             .arg(QRegularExpression::escape(kResultPrefix))
                                             .arg(kResultDigits)
                                             .arg(QRegularExpression::escape(kResultSuffix),
                                                  ownOrPrivate(kTemplate), ownOrPrivate(kPicture)));
    return rule.match(name).hasMatch();
}

} // namespace velmora::names
