#include "DisplayText.h"

#include "core/NumberFormat.h"

#include <QLocale>

static const QLocale& hungarian() {
    static const QLocale l(QLocale::Hungarian, QLocale::Hungary);
    return l;
}

QString ShortDateText(QDate d) {
    return d.isValid() ? d.toString(u"yyyy. MM. dd.") : QString();
}

QString DateTimeText(const QDateTime& t) {
    return ShortDateText(t.date()) + u' ' + t.time().toString(u"H:mm:ss");
}

QString FormatDateTimePattern(const QString& pattern, const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    QString out;
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = pattern[i];
        const QChar lc = c.toLower();
        if (c == u'"' || c == u'\'') {
            const qsizetype end = pattern.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? n : end;
            out += pattern.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && pattern[i + run].toLower() == lc)
            ++run;
        auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QChar(u'0')); };
        if (lc == u'y') {
            out += run <= 2 ? two(d.year() % 100) : QString::number(d.year());
        } else if (lc == u'm') {
            if (run >= 4)
                out += hungarian().monthName(d.month(), QLocale::LongFormat);
            else if (run == 3)
                out += hungarian().monthName(d.month(), QLocale::ShortFormat);
            else
                out += run == 2 ? two(d.month()) : QString::number(d.month());
        } else if (lc == u'd') {
            if (run >= 4)
                out += hungarian().dayName(d.dayOfWeek(), QLocale::LongFormat);
            else if (run == 3)
                out += hungarian().dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else
                out += run == 2 ? two(d.day()) : QString::number(d.day());
        } else if (lc == u'h') {
            out += run >= 2 ? two(tm.hour()) : QString::number(tm.hour());
        } else if (lc == u'n') {
            out += run >= 2 ? two(tm.minute()) : QString::number(tm.minute());
        } else if (lc == u's') {
            out += run >= 2 ? two(tm.second()) : QString::number(tm.second());
        } else {
            out += pattern.mid(i, run);
        }
        i += run;
    }
    return out;
}

QString DisplayText(const Value& v, const DisplayFormat& format) {
    if (v.isNull()) return {};
    switch (format.kind) {
    case DisplayFormat::NumericMask: {
        bool ok = false;
        const double x = v.toDouble(&ok);
        return ok ? FormatNumeric(format.pattern, x) : v.text();
    }
    case DisplayFormat::DatePattern: {
        const QDateTime t =
            v.type() == ColumnType::DateTime ? v.toDateTime() : QDateTime(v.toDate(), QTime(0, 0));
        return t.date().isValid() ? FormatDateTimePattern(format.pattern, t) : v.text();
    }
    case DisplayFormat::None:
        break;
    }
    switch (v.type()) {
    case ColumnType::Date: {
        const QDate d = v.toDate();
        return d.isValid() ? ShortDateText(d) : v.text();
    }
    case ColumnType::DateTime: {
        const QDateTime t = v.toDateTime();
        return t.isValid() ? DateTimeText(t) : v.text();
    }
    default:
        return v.text();
    }
}
