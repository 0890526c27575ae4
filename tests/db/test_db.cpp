#include "core/Codec.h"
#include "core/Config.h"
#include "core/SqlText.h"
#include "db/QueryHelpers.h"
#include "db/RowEditor.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static std::string s(const QString& q) {
    return q.toStdString();
}

class DbTest : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() { tdb = new TestDatabase(u"db"_s); }
    static void TearDownTestSuite() { delete tdb; }
    Connection& db() { return tdb->db(); }
    void SetUp() override {
        db().exec(u"DROP TABLE IF EXISTS t;"_s);
        db().exec(
            u"CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, v VARCHAR(20), n DOUBLE, d DATE, "
            u"m TEXT, b BLOB, i INT) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;"_s);
    }
};

TEST_F(DbTest, EveryLatin2ByteSurvivesQuoteAndSelect) {
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const QString text = Codec::latin2().decode(all);
    db().exec(u"INSERT INTO t (m) VALUES ("_s + SqlQuote(text) + u");"_s);
    const ResultSet rs = db().query(u"SELECT m, LENGTH(m), @@collation_connection FROM t;"_s);
    ASSERT_EQ(rs.rowCount(), 1);
    EXPECT_EQ(rs.value(0, 0).bytes(), all);
    EXPECT_EQ(rs.value(0, 0).text(), text);
    EXPECT_EQ(rs.value(0, 1).toInt(), 255);
    EXPECT_EQ(s(rs.value(0, 2).text()), "latin2_hungarian_ci");
}

TEST_F(DbTest, CharacterLatin2LacksIsRefusedBeforeSending) {
    try {
        db().exec(u"INSERT INTO t (v) VALUES ("_s + SqlQuote(u"Жук 😀"_s) + u");"_s);
        FAIL();
    } catch (const EncodingError& e) {
        EXPECT_TRUE(e.message().contains(u"„Ж”"_s)) << s(e.message());
    }
    EXPECT_EQ(SelectInt(db(), u"SELECT COUNT(*) FROM t;"_s, -1), 0);
    // A search text with such a character simply finds nothing.
    db().exec(u"INSERT INTO t (v) VALUES ('x');"_s);
    EXPECT_EQ(db().query(u"SELECT * FROM t WHERE 1=1"_s + LikeFilter(u"v"_s, u"😀"_s) + u";"_s).rowCount(), 0);
}

TEST_F(DbTest, LikeFilterWithQuoteBackslashAndWildcards) {
    db().exec(u"INSERT INTO t (v) VALUES ('O''Brien'), ('c:\\\\temp'), ('100%'), ('a_b'), ('Öreg');"_s);
    struct Case {
        QString search;
        int rows;
    } cases[] = {
        {u"O'B"_s, 1}, {u"%"_s, 5}, {u"_"_s, 5}, {u"öREG"_s, 1}, {u"'); DROP TABLE t; --"_s, 0},
    };
    for (const auto& c : cases) {
        const QString sql =
            u"SELECT * FROM t WHERE (id > 0)"_s + LikeFilter(u"v;CONVERT(i USING latin2)"_s, c.search);
        EXPECT_EQ(db().query(sql).rowCount(), c.rows) << s(c.search);
    }
    // A backslash reaches LIKE as its escape character: the statement runs.
    EXPECT_NO_THROW(db().query(u"SELECT * FROM t WHERE (id > 0)"_s + LikeFilter(u"v"_s, u"c:\\"_s)));
}

TEST_F(DbTest, SelectHelpers) {
    EXPECT_EQ(s(SelectText(db(), u"SELECT MAX(verzio) FROM verzio WHERE 1 = 0;"_s, u"def"_s)), "");
    EXPECT_EQ(s(SelectText(db(), u"SELECT verzio FROM verzio WHERE 1 = 0;"_s, u"def"_s)), "def");
    EXPECT_EQ(s(SelectText(db(), u"SELECT MAX(verzio) FROM verzio;"_s, {})), "17.0.0.21");
    EXPECT_EQ(SelectInt(db(), u"SELECT NULL;"_s, 7), 0);
    EXPECT_EQ(SelectInt(db(), u"SELECT 1 FROM t;"_s, 7), 7);
    EXPECT_EQ(SelectInt(db(), u"SELECT 'x';"_s, 7), 0);
    EXPECT_DOUBLE_EQ(SelectFloat(db(), u"SELECT 12.5;"_s, 0), 12.5);
    EXPECT_DOUBLE_EQ(SelectFloat(db(), u"SELECT SUM(n) FROM t;"_s, 3), 0);
    db().exec(u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('A1', 'Hasi ultrahang', 9500);"_s);
    EXPECT_EQ(s(LookupName(db(), db().lastInsertId(), u"tetel"_s, u"-"_s)), "Hasi ultrahang");
    EXPECT_EQ(s(LookupName(db(), 999999, u"tetel"_s, u"-"_s)), "-");
    QStringList list{u"first"_s};
    FillListFromQuery(db(), list, u"SELECT 2 UNION ALL SELECT NULL UNION ALL SELECT 'három';"_s);
    EXPECT_EQ(s(list.join(u'|')), "first|2||három");
    EXPECT_EQ(s(RecordPositionText(0, -1)), "0: 0");
    EXPECT_EQ(s(RecordPositionText(10, 2)), "10: 3");
}

TEST_F(DbTest, NullTypesAndRawBytes) {
    db().exec(u"INSERT INTO t (v, n, d, m, b, i) VALUES ('', 1.5, '2024-02-29', 'sor1\\r\\nsor2', "
              u"X'00FF0041', NULL), (NULL, NULL, NULL, NULL, NULL, 7);"_s);
    const ResultSet rs = db().query(u"SELECT v, n, d, m, b, i FROM t ORDER BY id;"_s);
    ASSERT_EQ(rs.rowCount(), 2);
    EXPECT_FALSE(rs.value(0, 0).isNull());
    EXPECT_TRUE(rs.value(1, 0).isNull());
    EXPECT_EQ(rs.value(0, 4).bytes(), QByteArray("\x00\xFF\x00\x41", 4));
    EXPECT_TRUE(rs.value(1, 5).toInt() == 7 && rs.isNull(0, 5));
    EXPECT_EQ(rs.value(0, 2).toDate(), QDate(2024, 2, 29));
    EXPECT_EQ(s(rs.value(0, 3).text()), "sor1\r\nsor2");
    const ColumnType want[] = {ColumnType::Text, ColumnType::Double, ColumnType::Date,
                               ColumnType::Memo, ColumnType::Blob,   ColumnType::Integer};
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(rs.column(c).type, want[c]) << c;
    EXPECT_TRUE(rs.column(3).isBlob() && rs.column(4).isBlob());
    EXPECT_EQ(s(rs.columnNames().join(u',')), "v,n,d,m,b,i");

    StreamingResult st = db().stream(u"SELECT b, v FROM t ORDER BY id;"_s);
    ASSERT_TRUE(st.next());
    EXPECT_EQ(st.rawBytes(0).toByteArray(), QByteArray("\x00\xFF\x00\x41", 4));
    ASSERT_TRUE(st.next());
    EXPECT_TRUE(st.isNull(0));
    EXPECT_FALSE(st.next());
    EXPECT_EQ(SelectInt(db(), u"SELECT 5;"_s, 0), 5); // the connection is free again
}

TEST_F(DbTest, ProcedureCallGivesTheHighestKey) {
    db().exec(u"INSERT INTO ugyfel (ugyfel_nev) VALUES ('Teszt Elek');"_s);
    const int patient = static_cast<int>(db().lastInsertId());
    db().exec(u"CALL sp_ujmunkalap(%1, 2);"_s.arg(patient));
    const int key = SelectInt(db(), u"SELECT LAST_INSERT_ID();"_s, 0);
    EXPECT_EQ(key, SelectInt(db(), u"SELECT MAX(munkalap) FROM munkalap;"_s, 0));
    const ResultSet row = db().query(
        u"SELECT ev, sorszam, datum, statusz, cim, ar_ossz FROM munkalap WHERE munkalap = %1;"_s.arg(key));
    ASSERT_EQ(row.rowCount(), 1);
    for (int c = 0; c < 6; ++c)
        EXPECT_FALSE(row.value(0, c).isNull()) << c;
    EXPECT_LT(row.value(0, 3).toInt(), 3);
    db().exec(u"CALL sp_munkalapkesz(%1);"_s.arg(key));
    EXPECT_EQ(SelectInt(db(), u"SELECT statusz FROM munkalap WHERE munkalap = %1;"_s.arg(key), -1), 1);
    EXPECT_EQ(SelectInt(db(), u"SELECT mlapdb FROM vw_mlapcount WHERE ugyfel = %1;"_s.arg(patient), 0), 1);
}

TEST_F(DbTest, ServerErrorKeepsTextAndNumber) {
    try {
        db().exec(u"SELECT * FROM nincs_ilyen_tabla;"_s);
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), 1146);
        EXPECT_TRUE(e.message().contains(u"nincs_ilyen_tabla"_s)) << s(e.message());
    }
    EXPECT_EQ(SelectInt(db(), u"SELECT 1;"_s, 0), 1);
}

TEST_F(DbTest, KilledConnectionComesBackWithTheCollation) {
    Connection victim;
    victim.open(tdb->params());
    victim.exec(u"SET NAMES latin1;"_s); // proves that the handler, not the old session, sets it
    const unsigned long before = victim.threadId();
    db().exec(u"KILL CONNECTION %1;"_s.arg(before));
    // The statement that meets the dead session may fail; the one after it must work.
    QString collation;
    try {
        collation = SelectText(victim, u"SELECT @@collation_connection;"_s, {});
    } catch (const DbError& e) {
        EXPECT_TRUE(e.connectionLost()) << s(e.message());
        collation = SelectText(victim, u"SELECT @@collation_connection;"_s, {});
    }
    EXPECT_EQ(s(collation), "latin2_hungarian_ci");
    EXPECT_EQ(s(SelectText(victim, u"SELECT @@character_set_client;"_s, {})), "latin2");
    EXPECT_NE(victim.threadId(), before);
    EXPECT_EQ(victim.reconnects(), 1);
}

TEST_F(DbTest, PortThatIsNoNumberIsAConnectionError) {
    ConnectionProfile p = ConnectionProfile::parse(u"db;127.0.0.1;33x6;u;p;Név"_s);
    EXPECT_THROW(ConnectionParams::fromProfile(p), DbError);
    Connection c;
    ConnectionParams wrong = tdb->params();
    wrong.password = u"rossz"_s;
    try {
        c.open(wrong);
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), 1045);
    }
}

TEST_F(DbTest, RowEditorInsertUpdateAndChecks) {
    RowEditor ed(db(), u"t"_s, u"id"_s);
    ed.startNew();
    ed.setText(u"v"_s, u"Árvíztűrő"_s);
    ed.setNumberText(u"n"_s, u"12,5"_s);
    ed.setDate(u"d"_s, QDate(2024, 1, 31));
    ed.setText(u"m"_s, u"a'b\\c\r\nd"_s);
    const Value key = ed.post();
    EXPECT_EQ(key.toInt(), static_cast<int>(db().lastInsertId()));
    EXPECT_THROW(ed.setText(u"v"_s, u"123456789012345678901"_s), FormatError); // 21 > 20
    EXPECT_THROW(ed.setText(u"v"_s, u"Жук"_s), EncodingError);
    for (const QString& bad : {u"abc"_s, u"inf"_s, u"nan"_s, u"1e999"_s}) {
        EXPECT_THROW(ed.setNumberText(u"n"_s, bad), FormatError) << s(bad);
        EXPECT_THROW(ed.set(u"n"_s, Value(bad.toLatin1())), FormatError) << s(bad);
    }
    EXPECT_FALSE(ed.isModified()); // nothing waits to be sent

    // Two workstations change different fields of the same row: neither undoes the other.
    RowEditor a(db(), u"t"_s, u"id"_s), b(db(), u"t"_s, u"id"_s);
    ASSERT_TRUE(a.load(key));
    ASSERT_TRUE(b.load(key));
    a.setText(u"v"_s, u"első"_s);
    b.setInt(u"i"_s, 42);
    a.post();
    b.post();
    const ResultSet rs = db().query(u"SELECT v, n, d, m, i FROM t WHERE id = %1;"_s.arg(key.toInt()));
    EXPECT_EQ(s(rs.value(0, 0).text()), "első");
    EXPECT_DOUBLE_EQ(rs.value(0, 1).toDouble(), 12.5);
    EXPECT_EQ(rs.value(0, 2).toDate(), QDate(2024, 1, 31));
    EXPECT_EQ(s(rs.value(0, 3).text()), "a'b\\c\r\nd");
    EXPECT_EQ(rs.value(0, 4).toInt(), 42);

    RowEditor c(db(), u"t"_s, u"id"_s);
    EXPECT_FALSE(c.load(999999));
    ASSERT_TRUE(c.load(key));
    c.setText(u"v"_s, u"elvetve"_s);
    c.cancel();
    EXPECT_EQ(s(c.text(u"v"_s)), "első");

    RowEditor snippet(db(), u"szotar"_s, u"cim"_s); // a key that is not auto-increment
    snippet.startNew();
    snippet.setText(u"cim"_s, u"Normál lelet"_s);
    EXPECT_EQ(s(snippet.post().text()), "Normál lelet");
}

TEST_F(DbTest, DataSetToLinesReplacesSemicolons) {
    const ResultSet rs = db().query(u"SELECT 1 AS a, 'x;y' AS b;"_s);
    QStringList lines;
    DataSetToLines(rs, lines);
    EXPECT_EQ(s(lines.join(u'|')), "a;b;|1;x,y;");
}
