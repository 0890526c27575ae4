#pragma once

#include <QDate>
#include <QString>

QString SqlDate(QDate d);                    // 'yyyy-mm-dd' with the quotes
QString PeriodText(QDate first, QDate last); // yyyy.mm.dd - yyyy.mm.dd
int DateYear(QDate d);
int DateMonth(QDate d);
int DateWeek(QDate d); // ISO 8601

struct Period {
    QDate from;
    QDate to;
    bool operator==(const Period&) const = default;
};

// The presets of the period dialog, for the day given as today.
Period ThisWeek(QDate today); // Monday to Sunday
Period ThisMonth(QDate today);
Period LastMonth(QDate today);
Period ThisYear(QDate today);
// The period the report actions propose: the same day a month earlier (clamped to that month's
// length) up to today.
Period MonthUntilToday(QDate today);
