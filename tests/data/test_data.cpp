#include "data/MasterData.h"
#include "data/Patients.h"
#include "data/Users.h"
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
std::string s(const QString& q) {
    return q.toStdString();
}
} // namespace

// Each list's statement and delete statement, as the server gets them.
TEST(ListedTables, StatementsFollowFromTableKeyAndCondition) {
    struct Case {
        ListedTable table;
        Value key;
        const char* lines;
        const char* deletion;
    } cases[] = {
        {ItemsTable(), Value::fromInt(5), "SELECT * FROM tetel|WHERE (tetel > 0)|ORDER BY who;",
         "DELETE FROM tetel WHERE tetel = 5;"},
        {SnippetsTable(), Value::fromText(u"Epe's %1 \\"_s),
         "SELECT * FROM szotar|WHERE (cim <> '')|ORDER BY 1;",
         "DELETE FROM szotar WHERE cim = 'Epe''s %1 \\\\';"},
        {PostalCodesTable(), Value::fromInt(3), "SELECT * FROM irsz|WHERE (irsz <> '')|ORDER BY irsz;",
         "DELETE FROM irsz WHERE id = 3;"},
        {PatientsTable(), Value::fromInt(12),
         "SELECT * FROM vw_ugyfel|WHERE (ugyfel > 0)|ORDER BY ugyfel_nev;",
         "DELETE FROM ugyfel WHERE ugyfel = 12;"},
        {UsersTable(), Value::fromText(u"Ágnes"_s),
         "SELECT * FROM felhasznalo|WHERE felhasznalo IS NOT NULL|ORDER BY felhasznalo;",
         "DELETE FROM felhasznalo WHERE felhasznalo = 'Ágnes';"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(s(c.table.table));
        EXPECT_EQ(s(c.table.listLines().join(u'|')), c.lines);
        EXPECT_EQ(s(c.table.deleteStatement(c.key)), c.deletion);
    }
}

TEST(ListedTables, DeleteRemovesOnlyTheRowOfTheKey) {
    TestDatabase tdb(u"data"_s);
    Connection& db = tdb.db();
    db.exec(u"INSERT INTO szotar (cim, szoveg) VALUES ('Epe''s', 'a'), ('Epe', 'b');"_s);
    db.exec(u"INSERT INTO felhasznalo (felhasznalo, jelszo) VALUES ('Ágnes', 'x'), ('Béla', 'y');"_s);
    DeleteListedRow(db, SnippetsTable(), Value::fromText(u"Epe's"_s));
    DeleteListedRow(db, UsersTable(), Value::fromText(u"Ágnes"_s));
    EXPECT_EQ(s(SelectText(db, u"SELECT GROUP_CONCAT(cim) FROM szotar;"_s, {})), "Epe");
    EXPECT_EQ(
        s(SelectText(db, u"SELECT GROUP_CONCAT(felhasznalo) FROM felhasznalo WHERE felhasznalo <> 'Admin';"_s,
                     {})),
        "Béla");
}
