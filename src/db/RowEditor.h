#pragma once

#include "Connection.h"

#include <QDate>
#include <QHash>

// A value as it stands in SQL for a column of its type: NULL, a bare number, X'..' for binary data, or
// a quoted text.
QString SqlLiteral(const Column& column, const Value& v);

// A table or column name between backquotes (a backquote in it doubled), so that a name with a space or
// a word of SQL stands as one name.
QString QuotedName(const QString& name);

// Sets one column of a row that a grid shows, the row found by its shown values: by the table's primary
// key columns, or, for a table without a key, by all of its values (the first such row). Returns the
// rows changed.
qint64 UpdateShownRow(Connection& db, const QString& table, const DataSet& rows, qsizetype row, int column,
                      const Value& value);

// One row of one table, held for editing in insert or edit mode. post() writes an INSERT, or an
// UPDATE of the columns that changed, and hands back the key. Every editing dialog works through it.
class RowEditor {
public:
    // keyColumn: the primary key; auto-increment keys come back from the connection after an INSERT.
    RowEditor(Connection& db, QString table, QString keyColumn);

    void startNew();             // insert mode, every column NULL until set
    bool load(const Value& key); // edit mode; false when the row does not exist
    bool load(qint64 key) { return load(Value::fromInt(key)); }
    bool isNew() const { return m_new; }
    bool isActive() const { return m_active; }
    bool isModified() const { return !m_changed.isEmpty(); }

    const QList<Column>& columns() const { return m_columns; }
    int maxLength(const QString& column) const; // characters a text column can hold, 0 if unknown
    Value value(const QString& column) const;
    QString text(const QString& column) const { return value(column).text(); }

    // Setters check what the column can hold and throw FormatError (EncodingError for a character
    // latin2 lacks) with a message naming the value, before anything is sent.
    void set(const QString& column, const Value& v);
    void setText(const QString& column, const QString& text);
    void setNumberText(const QString& column, const QString& text); // "12,5" and "12.5" both read
    void setInt(const QString& column, qint64 v) { set(column, Value::fromInt(v)); }
    void setDouble(const QString& column, double v) { set(column, Value::fromDouble(v)); }
    void setDate(const QString& column, QDate d) { set(column, Value::fromDate(d)); }
    void setNull(const QString& column) { set(column, Value()); }

    Value post();  // the key of the saved row; the editor stays on it in edit mode
    void cancel(); // forgets the changes (and a new row)
    Value key() const { return m_key; }

private:
    int indexOf(const QString& column) const;
    void readColumns();
    Connection& m_db;
    QString m_table, m_keyColumn;
    QList<Column> m_columns;
    QList<Value> m_values, m_original;
    QList<int> m_changed;
    Value m_key;
    bool m_new = false;
    bool m_active = false;
};
