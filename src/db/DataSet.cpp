#include "DataSet.h"

#include <mysql.h>

bool Column::autoIncrement() const {
    return flags & AUTO_INCREMENT_FLAG;
}
bool Column::primaryKey() const {
    return flags & PRI_KEY_FLAG;
}

int DataSet::columnIndex(QStringView name) const {
    for (int i = 0, n = columnCount(); i < n; ++i)
        if (column(i).name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

Value DataSet::value(qsizetype row, QStringView columnName) const {
    const int c = columnIndex(columnName);
    return c < 0 || row < 0 || row >= rowCount() ? Value() : value(row, c);
}

QStringList DataSet::columnNames() const {
    QStringList names;
    for (int i = 0, n = columnCount(); i < n; ++i)
        names << column(i).name;
    return names;
}

void MemoryDataSet::addColumn(Column c) {
    m_columns << std::move(c);
    for (auto& row : m_rows)
        row << Value();
}
