#pragma once

#include "Value.h"

#include <QString>
#include <QStringList>

QString EscapeSqlText(const QString& text);
QString EscapeSqlText(const Value& v);
QString SqlQuote(const QString& text); // '...' ready to stand in SQL
QString SqlQuote(const Value& v);      // NULL gives ''
QString CleanExportText(const Value& v);
QString CleanExportText(const QString& text);

// " AND ((a LIKE '%x%') OR (b LIKE '%x%'))" for the columns "a;b" and the text x; empty for an empty
// text. At most 15 columns take part.
QString LikeFilter(const QString& columns, const QString& text);

// Rewrite the first WHERE / ORDER line of a query held as lines; nothing changes without one.
void ReplaceWhere(QStringList& lines, const QString& condition);
void ReplaceOrderBy(QStringList& lines, const QString& column);
