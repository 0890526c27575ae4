#include "QueryHelpers.h"

#include "core/SqlText.h"

void ExecSql(Connection& db, const QString& statement) {
    db.exec(statement);
}

QString SelectText(Connection& db, const QString& query, const QString& defaultText) {
    const ResultSet rs = db.query(query);
    if (rs.rowCount() == 0 || rs.columnCount() == 0) return defaultText;
    return rs.value(0, 0).text();
}

int SelectInt(Connection& db, const QString& query, int defaultValue) {
    const ResultSet rs = db.query(query);
    if (rs.rowCount() == 0 || rs.columnCount() == 0) return defaultValue;
    return rs.value(0, 0).toInt();
}

double SelectFloat(Connection& db, const QString& query, double defaultValue) {
    const ResultSet rs = db.query(query);
    if (rs.rowCount() == 0 || rs.columnCount() == 0) return defaultValue;
    return rs.value(0, 0).toDouble();
}

void FillListFromQuery(Connection& db, QStringList& list, const QString& query) {
    StreamingResult rows = db.stream(query);
    while (rows.next())
        list << rows.value(0).text();
}

QString LookupName(Connection& db, qint64 key, const QString& table, const QString& defaultText) {
    return SelectText(db,
                      QStringLiteral("SELECT ") + table + QStringLiteral("_nev FROM ") + table +
                          QStringLiteral(" WHERE ") + table + u'=' + QString::number(key) + u';',
                      defaultText);
}

QString RecordPositionText(qsizetype rowCount, qsizetype currentRow) {
    return QString::number(rowCount) + QStringLiteral(": ") +
           QString::number(rowCount == 0 ? 0 : currentRow + 1);
}

void DataSetToLines(const DataSet& data, QStringList& lines, const DisplayTextFunction& displayText) {
    QString header;
    for (int c = 0; c < data.columnCount(); ++c)
        header += data.column(c).name + u';';
    lines << header;
    for (qsizetype r = 0; r < data.rowCount(); ++r) {
        QString line;
        for (int c = 0; c < data.columnCount(); ++c) {
            QString text = displayText ? displayText(r, c) : data.value(r, c).text();
            text.replace(u';', u',');
            line += text + u';';
        }
        lines << line;
    }
}

void ListQuery::replaceWhere(const QString& condition) {
    ReplaceWhere(m_lines, condition);
}
void ListQuery::replaceOrderBy(const QString& column) {
    ReplaceOrderBy(m_lines, column);
}
