#pragma once

#include "core/Value.h"

#include <QList>
#include <QString>

struct Column {
    QString name;
    QString table; // the table (or view) it comes from, empty for a computed column
    ColumnType type = ColumnType::Text;
    int serverType = 0;       // the client library's field type
    unsigned flags = 0;       // the client library's field flags
    unsigned long length = 0; // width in bytes (= characters in latin2)
    unsigned decimals = 0;
    bool isBlob() const { return type == ColumnType::Memo || type == ColumnType::Blob; }
    bool autoIncrement() const;
    bool primaryKey() const;
};

// Rows and columns with random access: a buffered result of the server, or rows built in memory.
class DataSet {
public:
    virtual ~DataSet() = default;
    virtual int columnCount() const = 0;
    virtual const Column& column(int index) const = 0;
    virtual qsizetype rowCount() const = 0;
    virtual Value value(qsizetype row, int column) const = 0;
    virtual bool isNull(qsizetype row, int column) const { return value(row, column).isNull(); }

    int columnIndex(QStringView name) const; // -1 when there is none; names compare without case
    Value value(qsizetype row, QStringView columnName) const;
    QStringList columnNames() const;
};

// A data set made in memory: fixtures of the tests, computed rows.
class MemoryDataSet : public DataSet {
public:
    MemoryDataSet() = default;
    explicit MemoryDataSet(QList<Column> columns) : m_columns(std::move(columns)) {}

    int columnCount() const override { return static_cast<int>(m_columns.size()); }
    const Column& column(int index) const override { return m_columns[index]; }
    qsizetype rowCount() const override { return m_rows.size(); }
    using DataSet::value;
    Value value(qsizetype row, int column) const override { return m_rows[row][column]; }

    void addColumn(Column c);
    void addRow(QList<Value> row) { m_rows << std::move(row); }
    void setValue(qsizetype row, int column, Value v) { m_rows[row][column] = std::move(v); }

private:
    QList<Column> m_columns;
    QList<QList<Value>> m_rows;
};
