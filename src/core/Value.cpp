#include "Value.h"

#include "Codec.h"

#include <cmath>

bool IsNumericType(ColumnType t) {
    return t == ColumnType::Integer || t == ColumnType::BigInt || t == ColumnType::Double ||
           t == ColumnType::Decimal;
}

Value Value::fromText(const QString& text, ColumnType type) {
    return Value(EncodeOrThrow(Codec::latin2(), text), type);
}

Value Value::fromDate(QDate d) {
    return d.isValid() ? Value(d.toString(u"yyyy-MM-dd").toLatin1(), ColumnType::Date) : Value();
}

QString Value::text() const {
    return m_null ? QString() : Codec::latin2().decode(m_bytes);
}

qint64 Value::toInt64(bool* ok) const {
    bool good = false;
    const qint64 v = m_null ? 0 : m_bytes.trimmed().toLongLong(&good, 10);
    if (ok) *ok = good;
    return good ? v : 0;
}

int Value::toInt(bool* ok) const {
    bool good = false;
    const qint64 v = toInt64(&good);
    good = good && v >= INT32_MIN && v <= INT32_MAX;
    if (ok) *ok = good;
    return good ? static_cast<int>(v) : 0;
}

double Value::toDouble(bool* ok) const {
    bool good = false;
    const double v = m_null ? 0.0 : m_bytes.trimmed().toDouble(&good); // QByteArray is locale-free
    good = good && std::isfinite(v); // "inf" and "nan" are no numbers a column can hold
    if (ok) *ok = good;
    return good ? v : 0.0;
}

QDate Value::toDate() const {
    if (m_null || m_bytes.size() < 10) return {};
    return QDate::fromString(QString::fromLatin1(m_bytes.left(10)), u"yyyy-MM-dd");
}

QDateTime Value::toDateTime() const {
    if (m_null) return {};
    if (m_bytes.size() <= 10) return QDateTime(toDate(), QTime(0, 0));
    return QDateTime::fromString(QString::fromLatin1(m_bytes.left(19)), u"yyyy-MM-dd HH:mm:ss");
}

QTime Value::toTime() const {
    if (m_null) return {};
    return QTime::fromString(QString::fromLatin1(m_bytes.left(8)), u"HH:mm:ss");
}
