#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// How the entry form's values are written to and read from the Settings store.
namespace velmora::stored {

// The general date form of the regional settings: the date, followed by the
// time of day when that is not midnight; a value on the zero date (30 December
// 1899) gives the time alone. Years always have four digits and the time keeps
// its seconds, so that reading the text back gives the same value.
QString generalDateText(const QDateTime& value, const QLocale& locale = QLocale::system());

// Reads a text written by generalDateText. Throws Failure ("Type mismatch")
// when the text is no date of these regional settings.
QDateTime parseGeneralDate(const QString& text, const QLocale& locale = QLocale::system());

// Reads a stored date: in the regional form of this run's locale or, when an
// earlier run wrote it under another one, of the first locale that reads it
// exactly (its own form of the value is the text itself). Throws Failure
// ("Type mismatch") when no locale reads it.
QDateTime readStoredDate(const QString& text, const QLocale& locale = QLocale::system());

// A stored number taken to the nearest whole number, ties to the even one.
// Throws Failure when the text is no number.
int wholeNumber(const QString& text);

} // namespace velmora::stored
