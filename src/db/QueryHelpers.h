#pragma once

#include "Connection.h"

#include <QStringList>

#include <functional>

// Single statements and single values on a connection. Errors of the server reach the caller.
void ExecSql(Connection& db, const QString& statement);
// The first column of the first row (NULL as empty text), or the default when there is no row.
QString SelectText(Connection& db, const QString& query, const QString& defaultText);
// Like SelectText; a value that is no whole number (NULL too) gives 0, no row the default.
int SelectInt(Connection& db, const QString& query, int defaultValue);
// "." is the decimal separator whatever the locale; an unreadable value gives 0.
double SelectFloat(Connection& db, const QString& query, double defaultValue);
// Appends the first column of every row, read forward only.
void FillListFromQuery(Connection& db, QStringList& list, const QString& query);
// SELECT table_nev FROM table WHERE table=key.
QString LookupName(Connection& db, qint64 key, const QString& table, const QString& defaultText);
// "rows: current" with the current row counted from 1 (0 in an empty list).
QString RecordPositionText(qsizetype rowCount, qsizetype currentRow);

using DisplayTextFunction = std::function<QString(qsizetype row, int column)>;
// A line of the column names, then a line per row; every value followed by ";", a ";" inside a value
// turned into ",". displayText gives a cell as the list shows it (the plain value when empty).
void DataSetToLines(const DataSet& data, QStringList& lines, const DisplayTextFunction& displayText = {});

// A list's SELECT held as lines (SELECT, WHERE, ORDER BY) so one line can be replaced.
class ListQuery {
public:
    ListQuery() = default;
    explicit ListQuery(QStringList lines) : m_lines(std::move(lines)) {}
    void replaceWhere(const QString& condition);
    void replaceOrderBy(const QString& column);
    void setLines(QStringList lines) { m_lines = std::move(lines); }
    const QStringList& lines() const { return m_lines; }
    QString sql() const { return m_lines.join(u'\n'); }

private:
    QStringList m_lines;
};
