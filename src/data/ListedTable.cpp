#include "ListedTable.h"

#include "core/SqlText.h"
#include "core/TextRoutines.h"
#include "db/QueryHelpers.h"

using namespace Qt::StringLiterals;

QStringList ListedTable::listLines() const {
    return {u"SELECT * FROM "_s + (source.isEmpty() ? table : source), u"WHERE "_s + baseCondition,
            u"ORDER BY "_s + orderBy + u';'};
}

QString ListedTable::deleteStatement(const Value& key) const {
    return u"DELETE FROM %1 WHERE %2 = %3;"_s.arg(table, keyColumn, textKey ? SqlQuote(key) : IdText(key));
}

void DeleteListedRow(Connection& db, const ListedTable& table, const Value& key) {
    ExecSql(db, table.deleteStatement(key));
}
