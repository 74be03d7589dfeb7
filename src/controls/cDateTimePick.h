#pragma once

#include <QDateTimeEdit>
#include <QTime>

// The date/time picker, showing a time of day: Value is the time without a
// date part. Change is raised whenever the value changes, also when the
// program sets it.
class cDateTimePick : public QDateTimeEdit {
    Q_OBJECT
public:
    explicit cDateTimePick(QWidget* parent = nullptr);

    QTime Value() const { return time(); }
    // An invalid time leaves the value as it was.
    void setValue(const QTime& value);
    // The display format in the picker's own notation ("HH:mm:ss").
    void setCustomFormat(const QString& format) { setDisplayFormat(format); }
    QString CustomFormat() const { return displayFormat(); }

signals:
    void Change(const QTime& dtValue);
};
