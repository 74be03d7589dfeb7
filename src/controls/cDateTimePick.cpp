#include "controls/cDateTimePick.h"

cDateTimePick::cDateTimePick(QWidget* parent) : QDateTimeEdit(QTime(0, 0, 0), parent) {
    setDisplayFormat(QStringLiteral("HH:mm:ss"));
    setTimeRange(QTime(0, 0, 0), QTime(23, 59, 59));
    connect(this, &QDateTimeEdit::timeChanged, this, &cDateTimePick::Change);
}

void cDateTimePick::setValue(const QTime& value) {
    if (value.isValid()) setTime(value);
}
