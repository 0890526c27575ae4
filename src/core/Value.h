#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// What kind of data a column holds, as far as the program cares.
enum class ColumnType {
    Integer, // TINYINT, SMALLINT, MEDIUMINT, INT, YEAR
    BigInt,  // BIGINT
    Double,  // FLOAT, DOUBLE
    Decimal, // DECIMAL
    Date,
    Time,
    DateTime, // DATETIME, TIMESTAMP
    Text,     // CHAR, VARCHAR, ENUM, SET
    Memo,     // TEXT (a BLOB holding text)
    Blob,     // binary BLOB
    Binary,   // BINARY, VARBINARY
    Other,
};

bool IsNumericType(ColumnType t);

// A nullable field value as the server sent it: raw bytes in the connection's code page (latin2),
// converted only when asked for, so a grid decodes only the cells it paints.
class Value {
public:
    Value() = default; // NULL
    Value(QByteArray bytes, ColumnType type = ColumnType::Text)
        : m_bytes(std::move(bytes)), m_type(type), m_null(false) {}
    static Value fromText(const QString& text, ColumnType type = ColumnType::Text);
    static Value fromInt(qint64 v) { return Value(QByteArray::number(v), ColumnType::Integer); }
    static Value fromDouble(double v) { return Value(QByteArray::number(v, 'g', 17), ColumnType::Double); }
    static Value fromDate(QDate d);

    bool isNull() const { return m_null; }
    ColumnType type() const { return m_type; }
    const QByteArray& bytes() const { return m_bytes; }

    QString text() const;                      // NULL gives empty text
    qint64 toInt64(bool* ok = nullptr) const;  // decimal whole number
    int toInt(bool* ok = nullptr) const;       // 32-bit; out of range is not ok
    double toDouble(bool* ok = nullptr) const; // "." as decimal separator, whatever the locale
    QDate toDate() const;                      // "yyyy-mm-dd" (also the date part of a date-time)
    QDateTime toDateTime() const;
    QTime toTime() const;

    bool operator==(const Value& o) const { return m_null == o.m_null && m_bytes == o.m_bytes; }

private:
    QByteArray m_bytes;
    ColumnType m_type = ColumnType::Text;
    bool m_null = true;
};
