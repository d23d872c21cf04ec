#include "mainwindow/DateTimePicker.h"

#include <QScopedValueRollback>

namespace velmora {

DateTimePicker::DateTimePicker(const QString& displayFormat, QWidget* parent)
    : QDateTimeEdit(parent)
{
    setDisplayFormat(displayFormat);
    if (displayedSections() & DateSections_Mask)
        setDateTimeRange(kEarliest, kLatest);
    mValue = dateTime();
    connect(this, &QDateTimeEdit::dateTimeChanged, this, &DateTimePicker::edited);
}

void DateTimePicker::setValue(const QDateTime& value)
{
    const QDateTime inside = qBound(kEarliest, value, kLatest);
    const bool changed = inside != mValue;
    mValue = inside;
    show(inside);
    if (changed)
        emit valueChanged(mValue);
}

void DateTimePicker::show(const QDateTime& value)
{
    const QScopedValueRollback showing(mShowing, true);
    const bool showsDate = displayedSections() & DateSections_Mask;
    setDateTime(showsDate ? value : QDateTime(date(), value.time()));
}

void DateTimePicker::edited(const QDateTime& shown)
{
    if (mShowing)
        return;
    // Only what the format shows was edited; the rest of the value stays.
    const bool showsDate = displayedSections() & DateSections_Mask;
    const bool showsTime = displayedSections() & TimeSections_Mask;
    QTime time = mValue.time();
    if (showsTime) {
        // The seconds are not shown, so they stay as they were.
        time = QTime(shown.time().hour(), shown.time().minute(), mValue.time().second(),
                     mValue.time().msec());
    }
    const QDateTime value(showsDate ? shown.date() : mValue.date(), time);
    if (value == mValue)
        return;
    mValue = value;
    emit valueChanged(mValue);
}

} // namespace velmora
