#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <source_location>
#include <stdexcept>

namespace velmora::testing {

// The windows keep their controls to themselves: tests and benchmarks find
// them by their objectName, as accessibility tools do. A control that is not
// there throws, naming it and the caller, so that a renamed control fails the
// test at the line that looks for it instead of crashing on a null pointer.
template <class T>
T* control(const QWidget& window, const QString& name,
           std::source_location caller = std::source_location::current())
{
    T* found = window.findChild<T*>(name, Qt::FindChildrenRecursively);
    if (!found) {
        throw std::logic_error(QStringLiteral("%1:%2: %3 has no %4 named \"%5\"")
                                   .arg(QString::fromUtf8(caller.file_name()))
                                   .arg(caller.line())
                                   .arg(window.objectName(),
                                        QString::fromLatin1(T::staticMetaObject.className()), name)
                                   .toStdString());
    }
    return found;
}

// One element of a control array: ("Text1", 2) is the control named "Text1_2".
template <class T>
T* control(const QWidget& window, const QString& array, int index,
           std::source_location caller = std::source_location::current())
{
    return control<T>(window, array + QLatin1Char('_') + QString::number(index), caller);
}

// Every element of a control array, by index from 0 up to the first missing one.
template <class T>
QList<T*> controls(const QWidget& window, const QString& array,
                   std::source_location caller = std::source_location::current())
{
    QList<T*> elements;
    const auto element = [&](qsizetype index) {
        return window.findChild<T*>(array + QLatin1Char('_') + QString::number(index),
                                    Qt::FindChildrenRecursively);
    };
    while (T* found = element(elements.size()))
        elements << found;
    if (elements.isEmpty())
        control<T>(window, array, 0, caller); // throws, naming the first element
    return elements;
}

} // namespace velmora::testing
