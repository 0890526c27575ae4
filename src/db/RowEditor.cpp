#include "RowEditor.h"

#include "core/Codec.h"
#include "core/SqlText.h"
#include "core/TextRoutines.h"

RowEditor::RowEditor(Connection& db, QString table, QString keyColumn)
    : m_db(db), m_table(std::move(table)), m_keyColumn(std::move(keyColumn)) {}

void RowEditor::readColumns() {
    if (!m_columns.isEmpty()) return;
    const ResultSet rs = m_db.query(QStringLiteral("SELECT * FROM ") + m_table + QStringLiteral(" LIMIT 0;"));
    for (int c = 0; c < rs.columnCount(); ++c)
        m_columns << rs.column(c);
}

int RowEditor::indexOf(const QString& column) const {
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name.compare(column, Qt::CaseInsensitive) == 0) return i;
    throw FormatError(QStringLiteral("A(z) %1 táblában nincs %2 oszlop.").arg(m_table, column));
}

void RowEditor::startNew() {
    readColumns();
    m_values = QList<Value>(m_columns.size());
    m_original = m_values;
    m_changed.clear();
    m_key = Value();
    m_new = true;
    m_active = true;
}

bool RowEditor::load(const Value& key) {
    readColumns();
    const int k = indexOf(m_keyColumn);
    const ResultSet rs =
        m_db.query(QStringLiteral("SELECT * FROM ") + m_table + QStringLiteral(" WHERE ") + m_keyColumn +
                   QStringLiteral(" = ") + SqlLiteral(m_columns[k], key) + u';');
    m_changed.clear();
    m_new = false;
    if (rs.rowCount() == 0) {
        m_active = false;
        return false;
    }
    m_values.clear();
    for (int c = 0; c < m_columns.size(); ++c)
        m_values << rs.value(0, c);
    m_original = m_values;
    m_key = m_values[k];
    m_active = true;
    return true;
}

int RowEditor::maxLength(const QString& column) const {
    const Column& c = m_columns[indexOf(column)];
    return (c.type == ColumnType::Text) ? static_cast<int>(c.length) : 0;
}

Value RowEditor::value(const QString& column) const {
    return m_values.isEmpty() ? Value() : m_values[indexOf(column)];
}

void RowEditor::set(const QString& column, const Value& v) {
    const int i = indexOf(column);
    const Column& c = m_columns[i];
    if (!v.isNull() && c.type == ColumnType::Text && c.length > 0 &&
        static_cast<unsigned long>(v.bytes().size()) > c.length)
        throw FormatError(QStringLiteral("A(z) „%1” érték túl hosszú: legfeljebb %2 karakter fér el.")
                              .arg(v.text())
                              .arg(c.length));
    if (!v.isNull() && IsNumericType(c.type)) {
        bool ok = false;
        v.toDouble(&ok);
        if (!ok) throw FormatError(QStringLiteral("A(z) „%1” nem szám.").arg(v.text()));
    }
    m_values[i] = v;
    if (!m_changed.contains(i)) m_changed << i;
}

void RowEditor::setText(const QString& column, const QString& text) {
    set(column, Value(EncodeOrThrow(Codec::latin2(), text), m_columns[indexOf(column)].type));
}

void RowEditor::setNumberText(const QString& column, const QString& text) {
    if (text.trimmed().isEmpty()) return setNull(column);
    const std::optional<double> d = TextToFloat(text);
    if (!d) throw FormatError(QStringLiteral("A(z) „%1” nem szám.").arg(text.trimmed()));
    setDouble(column, *d);
}

QString QuotedName(const QString& name) {
    QString quoted = name;
    return u'`' + quoted.replace(u'`', QStringLiteral("``")) + u'`';
}

qint64 UpdateShownRow(Connection& db, const QString& table, const DataSet& rows, qsizetype row, int column,
                      const Value& value) {
    QStringList where;
    for (int c = 0; c < rows.columnCount(); ++c)
        if (rows.column(c).primaryKey())
            where << QuotedName(rows.column(c).name) + QStringLiteral(" = ") +
                         SqlLiteral(rows.column(c), rows.value(row, c));
    QString limit;
    if (where.isEmpty()) {
        for (int c = 0; c < rows.columnCount(); ++c)
            where << QuotedName(rows.column(c).name) + QStringLiteral(" <=> ") +
                         SqlLiteral(rows.column(c), rows.value(row, c));
        limit = QStringLiteral(" LIMIT 1");
    }
    return db.exec(QStringLiteral("UPDATE ") + QuotedName(table) + QStringLiteral(" SET ") +
                   QuotedName(rows.column(column).name) + QStringLiteral(" = ") +
                   SqlLiteral(rows.column(column), value) + QStringLiteral(" WHERE ") +
                   where.join(QStringLiteral(" AND ")) + limit + u';');
}

QString SqlLiteral(const Column& column, const Value& v) {
    if (v.isNull()) return QStringLiteral("NULL");
    switch (column.type) {
    case ColumnType::Integer:
    case ColumnType::BigInt:
    case ColumnType::Double:
    case ColumnType::Decimal:
        return QString::fromLatin1(v.bytes());
    case ColumnType::Blob:
    case ColumnType::Binary:
        return QStringLiteral("X'") + QString::fromLatin1(v.bytes().toHex()) + u'\'';
    default:
        return SqlQuote(v.text());
    }
}

Value RowEditor::post() {
    if (!m_active) throw FormatError(QStringLiteral("Nincs szerkesztett sor."));
    const int k = indexOf(m_keyColumn);
    if (m_new) {
        QStringList names, values;
        for (int i : m_changed) {
            names << m_columns[i].name;
            values << SqlLiteral(m_columns[i], m_values[i]);
        }
        const QString sql = names.isEmpty()
                                ? QStringLiteral("INSERT INTO ") + m_table + QStringLiteral(" () VALUES ();")
                                : QStringLiteral("INSERT INTO ") + m_table + QStringLiteral(" (") +
                                      names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                                      values.join(QStringLiteral(", ")) + QStringLiteral(");");
        m_db.exec(sql);
        m_key = (m_columns[k].autoIncrement() && m_values[k].isNull()) ? Value::fromInt(m_db.lastInsertId())
                                                                       : m_values[k];
        m_values[k] = m_key;
        m_new = false;
    } else if (!m_changed.isEmpty()) {
        QStringList sets;
        for (int i : m_changed)
            sets << m_columns[i].name + QStringLiteral(" = ") + SqlLiteral(m_columns[i], m_values[i]);
        m_db.exec(QStringLiteral("UPDATE ") + m_table + QStringLiteral(" SET ") +
                  sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") + m_keyColumn +
                  QStringLiteral(" = ") + SqlLiteral(m_columns[k], m_key) + u';');
        m_key = m_values[k];
    }
    m_original = m_values;
    m_changed.clear();
    return m_key;
}

void RowEditor::cancel() {
    if (m_new) {
        m_active = false;
        m_values.clear();
    } else {
        m_values = m_original;
    }
    m_changed.clear();
}
