#include "ResultSetModel.h"

#include "Conventions.h"
#include "core/NumberFormat.h"

#include <QLocale>

QString FormatValue(const Value& v, const QString& format) {
    if (v.isNull()) return {};
    switch (v.type()) {
    case ColumnType::Integer:
    case ColumnType::BigInt:
    case ColumnType::Double:
    case ColumnType::Decimal:
        if (format.isEmpty()) {
            if (v.type() == ColumnType::Integer || v.type() == ColumnType::BigInt) return v.text();
            return QLocale().toString(v.toDouble(), 'g', 15);
        }
        return FormatNumeric(format, v.toDouble());
    case ColumnType::Date:
        return format.isEmpty() ? QLocale().toString(v.toDate(), QLocale::ShortFormat)
                                : QLocale().toString(v.toDate(), format);
    case ColumnType::DateTime:
        return QLocale().toString(v.toDateTime(), QLocale::ShortFormat);
    case ColumnType::Blob:
    case ColumnType::Binary:
        return QStringLiteral("(BLOB)");
    default:
        return v.text();
    }
}

void ResultSetModel::setColumns(QList<GridColumn> columns) {
    beginResetModel();
    m_requested = std::move(columns);
    bindColumns();
    endResetModel();
}

void ResultSetModel::setColumnFormat(const QString& field, const QString& format) {
    for (GridColumn& c : m_requested)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0) c.format = format;
    for (GridColumn& c : m_columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0) c.format = format;
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void ResultSetModel::setResult(ResultSet result) {
    beginResetModel();
    m_result = std::move(result);
    bindColumns();
    endResetModel();
}

void ResultSetModel::bindColumns() {
    m_columns.clear();
    m_fieldOfColumn.clear();
    if (m_requested.isEmpty()) {
        for (int c = 0; c < m_result.columnCount(); ++c) {
            m_columns << GridColumn{m_result.column(c).name, m_result.column(c).name, {}, {}};
            m_fieldOfColumn << c;
        }
        return;
    }
    for (const GridColumn& c : m_requested) {
        m_columns << c;
        m_fieldOfColumn << m_result.columnIndex(c.field);
    }
}

int ResultSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_result.rowCount());
}

int ResultSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

int ResultSetModel::fieldIndex(int column) const {
    return column >= 0 && column < m_fieldOfColumn.size() ? m_fieldOfColumn[column] : -1;
}

QString ResultSetModel::displayText(int row, int column) const {
    const int f = fieldIndex(column);
    if (f < 0 || row < 0 || row >= rowCount()) return {};
    return FormatValue(m_result.value(row, f), m_columns[column].format);
}

QString ResultSetModel::displayTextOfField(int row, int field) const {
    if (field < 0 || row < 0 || row >= rowCount()) return {};
    QString format;
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_fieldOfColumn[i] == field) format = m_columns[i].format;
    return FormatValue(m_result.value(row, field), format);
}

QVariant ResultSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int f = fieldIndex(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::TextAlignmentRole: {
        Qt::Alignment a = m_columns[index.column()].alignment;
        if (!a) a = (f >= 0 && IsNumericType(m_result.column(f).type)) ? Qt::AlignRight : Qt::AlignLeft;
        return QVariant::fromValue(a | Qt::AlignVCenter);
    }
    case Qt::BackgroundRole: {
        const QColor c = background(index.row(), index.column());
        return c.isValid() ? QVariant(c) : QVariant();
    }
    default:
        return {};
    }
}

QVariant ResultSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_columns.size())
        return m_columns[section].title;
    return {};
}

Value ResultSetModel::value(int row, const QString& field) const {
    if (row < 0 || row >= rowCount()) return {};
    return m_result.value(row, field);
}

int ResultSetModel::locate(const QString& field, const Value& key) const {
    const int f = m_result.columnIndex(field);
    if (f < 0 || key.isNull()) return -1;
    const bool numeric = IsNumericType(m_result.column(f).type);
    for (qsizetype r = 0; r < m_result.rowCount(); ++r) {
        if (m_result.isNull(r, f)) continue;
        const QByteArrayView raw = m_result.rawBytes(r, f);
        if (numeric ? QByteArray(raw.data(), raw.size()).toDouble() == key.toDouble() : raw == key.bytes())
            return static_cast<int>(r);
    }
    return -1;
}

int ResultSetModel::firstRowStartingWith(const QString& field, const QString& text) const {
    const int f = m_result.columnIndex(field);
    if (f < 0) return -1;
    if (IsNumericType(m_result.column(f).type)) {
        bool ok = false;
        const double wanted = text.trimmed().toDouble(&ok);
        if (!ok) return -1;
        return locate(field, Value::fromDouble(wanted));
    }
    for (qsizetype r = 0; r < m_result.rowCount(); ++r)
        if (m_result.value(r, f).text().startsWith(text, Qt::CaseInsensitive)) return static_cast<int>(r);
    return -1;
}

void ResultSetModel::setHighlightedColumn(int column) {
    m_highlight = column;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

QColor ResultSetModel::background(int row, int column) const {
    if (column == m_highlight) return HighlightColour;
    return m_background ? m_background(row, column) : QColor();
}

QColor ResultSetModel::foreground(int row, int column, bool selected) const {
    return m_foreground ? m_foreground(row, column, selected) : QColor();
}
