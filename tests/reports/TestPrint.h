#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure messages for Qt values.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << "{";
    for (const QString& s : l)
        *os << "\n  \"" << s.toStdString() << '"';
    *os << "}";
}
inline void PrintTo(const QPointF& p, std::ostream* os) {
    *os << "(" << p.x() << ", " << p.y() << ")";
}
