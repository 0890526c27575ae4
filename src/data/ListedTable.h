#pragma once

#include "core/Value.h"

#include <QStringList>

class Connection;

// A table kept through a list window: the table, its key, and the condition every listing of it
// keeps. The list's statement and the delete statement are derived from these.
struct ListedTable {
    QString table;
    QString keyColumn;
    bool textKey = false;  // the key is a text, quoted in statements
    QString baseCondition; // "(tetel > 0)"
    QString orderBy;       // what the list is ordered by when it opens
    QString source;        // what the list reads when that is not the table itself (a view)

    // SELECT, WHERE, ORDER BY: "SELECT * FROM tetel" / "WHERE (tetel > 0)" / "ORDER BY who;".
    QStringList listLines() const;
    // "DELETE FROM tetel WHERE tetel = 5;", a text key quoted.
    QString deleteStatement(const Value& key) const;
};

// Deletes the row of the table with the key.
void DeleteListedRow(Connection& db, const ListedTable& table, const Value& key);
