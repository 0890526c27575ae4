#pragma once

#include "ReportLayout.h"

#include "core/Value.h"

#include <QDate>
#include <QDateTime>

// The Hungarian short date "yyyy. MM. dd." and long time "H:mm:ss" of the program.
QString ShortDateText(QDate d);
QString DateTimeText(const QDateTime& t); // short date, a space, long time

// A date through a pattern of the kind "yyyy. mmmm. dd": yyyy/yy year, mmmm/mmm month name
// (Hungarian, as the locale writes it), mm/m month number, dddd/ddd day name, dd/d day, hh/h hour,
// nn/n minute, ss/s second; text in double or single quotes and any other character as it stands.
QString FormatDateTimePattern(const QString& pattern, const QDateTime& t);

// The display text of a field value: NULL is empty; a numeric mask through FormatNumeric; a date
// pattern; without a format dates in the short date, date-times with the time, everything else as
// the server sent it.
QString DisplayText(const Value& v, const DisplayFormat& format);
