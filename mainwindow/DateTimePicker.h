#pragma once

#include <QDateTimeEdit>

namespace velmora {

// A date/time picker that holds a full date-and-time value whatever part of it
// its display format shows. (QDateTimeEdit pins the date of a time-only format
// to one day, which would lose the stored date.)
class DateTimePicker : public QDateTimeEdit {
    Q_OBJECT
public:
    static inline const QDateTime kEarliest{QDate(1601, 1, 1), QTime(0, 0)};
    static inline const QDateTime kLatest{QDate(9999, 12, 31), QTime(23, 59, 59)};

    explicit DateTimePicker(const QString& displayFormat, QWidget* parent = nullptr);

    QDateTime value() const { return mValue; }
    // Values outside 1601..9999 are brought inside.
    void setValue(const QDateTime& value);

signals:
    // Every change of the value, by the user or by setValue.
    void valueChanged(const QDateTime& value);

protected:
    // Tab leaves the picker, as in every other field, instead of walking its sections.
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

private:
    void edited(const QDateTime& shown);
    void show(const QDateTime& value);

    QDateTime mValue;
    bool mShowing = false;
};

} // namespace velmora
