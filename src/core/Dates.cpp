#include "Dates.h"

QString SqlDate(QDate d) {
    return u'\'' + d.toString(u"yyyy-MM-dd") + u'\'';
}

QString PeriodText(QDate first, QDate last) {
    return first.toString(u"yyyy.MM.dd") + QStringLiteral(" - ") + last.toString(u"yyyy.MM.dd");
}

int DateYear(QDate d) {
    return d.year();
}
int DateMonth(QDate d) {
    return d.month();
}
int DateWeek(QDate d) {
    return d.weekNumber();
}

Period ThisWeek(QDate today) {
    const QDate monday = today.addDays(1 - today.dayOfWeek());
    return {monday, monday.addDays(6)};
}

Period ThisMonth(QDate today) {
    const QDate first(today.year(), today.month(), 1);
    return {first, first.addMonths(1).addDays(-1)};
}

Period LastMonth(QDate today) {
    return ThisMonth(QDate(today.year(), today.month(), 1).addMonths(-1));
}

Period ThisYear(QDate today) {
    return {QDate(today.year(), 1, 1), QDate(today.year(), 12, 31)};
}

Period MonthUntilToday(QDate today) {
    return {today.addMonths(-1), today};
}
