#pragma once

#include <QRegularExpression>
#include <QString>

// The names of the program's working files in the temporary folder, and the
// rule that recognises them in a record.
namespace velmora::names {

inline const QString kTemplate = QStringLiteral("template.dot");
// The template of a design other than the default one: "template-balloons.dot".
inline QString designTemplate(const QString& designId)
{
    return QStringLiteral("template-%1.dot").arg(designId);
}
inline const QString kPicture = QStringLiteral("temp.bmp");

// A filled document: the prefix, eight digits 1 to 9, the suffix.
inline const QString kResultPrefix = QStringLiteral("tarvik");
constexpr int kResultDigits = 8;
inline const QString kResultSuffix = QStringLiteral(".doc");

// A name of ours: a filled document, a template or the picture, or the
// private name ("-" and six characters) one of those went under when its own
// name was taken. Never a path.
inline bool isWorkingName(const QString& name)
{
    const auto ownOrPrivate = [](const QString& file) {
        const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
        return QRegularExpression::escape(file.left(dot)) + QStringLiteral("(-[A-Za-z0-9]{6})?")
               + QRegularExpression::escape(file.mid(dot));
    };
    static const QRegularExpression rule(
        QStringLiteral("^(%1[1-9]{%2}%3|%4|%5|%6)$")
            .arg(QRegularExpression::escape(kResultPrefix))
            .arg(kResultDigits)
            .arg(QRegularExpression::escape(kResultSuffix), ownOrPrivate(kTemplate),
                 ownOrPrivate(kPicture),
                 QStringLiteral("template-[a-z0-9]+(-[A-Za-z0-9]{6})?\\.dot")));
    return rule.match(name).hasMatch();
}

} // namespace velmora::names
