// Serial numbers of new examinations when several workstations press "Új" at once, on one server.
#include "data/Examinations.h"
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

class NumberingTest : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() { tdb = new TestDatabase(u"numbering"_s); }
    static void TearDownTestSuite() { delete tdb; }
    Connection& db() { return tdb->db(); }
    void SetUp() override { db().exec(u"DELETE FROM munkalap;"_s); }
};

// Four connections call the procedure itself 150 times each, all at once: every call succeeds, the
// key it hands back is the caller's own row, and the year's numbers run from 1 to 600 without a
// gap or a repeat.
TEST_F(NumberingTest, FourConnectionsAtOnceGetDistinctNumbers) {
    constexpr int Workers = 4, Calls = 150;
    std::vector<std::unique_ptr<Connection>> connections;
    for (int w = 0; w < Workers; ++w) {
        connections.push_back(std::make_unique<Connection>());
        connections.back()->open(tdb->params());
    }
    std::atomic<int> errors = 0, foreignKeys = 0;
    std::vector<std::thread> threads;
    for (int w = 0; w < Workers; ++w) {
        threads.emplace_back([&, w] {
            Connection& c = *connections[w];
            const int patient = 1000 + w;
            for (int i = 0; i < Calls; ++i) {
                try {
                    c.exec(u"CALL sp_ujmunkalap(%1, %2);"_s.arg(patient).arg(i % 4 + 1));
                    const int key = SelectInt(c, u"SELECT LAST_INSERT_ID();"_s, 0);
                    if (SelectInt(c, u"SELECT ugyfel FROM munkalap WHERE munkalap = %1;"_s.arg(key), 0) !=
                        patient)
                        ++foreignKeys;
                } catch (const DbError& e) {
                    ADD_FAILURE() << e.code() << ' ' << e.what();
                    ++errors;
                }
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(foreignKeys, 0);
    const ResultSet rs =
        db().query(u"SELECT COUNT(*), COUNT(DISTINCT ev, sorszam), MIN(sorszam), MAX(sorszam), "
                   u"COUNT(DISTINCT ev) FROM munkalap;"_s);
    EXPECT_EQ(rs.value(0, 0).toInt(), Workers * Calls);
    EXPECT_EQ(rs.value(0, 1).toInt(), Workers * Calls);
    EXPECT_EQ(rs.value(0, 2).toInt(), 1);
    EXPECT_EQ(rs.value(0, 3).toInt(), Workers * Calls);
    EXPECT_EQ(rs.value(0, 4).toInt(), 1);
}

// A cancelled examination keeps its number for good (it may have been printed), and an old database
// whose duplicate was cancelled still loads; two kept examinations of a year can never share one.
TEST_F(NumberingTest, CancelledExaminationsKeepTheirNumbersAndOldDataLoads) {
    // Rows as an older backup holds them: all columns in order, no column list.
    const auto row = [](int key, int year, int number, const char* storno) {
        QString values = u"%1, %2, %3, 1, 'Régi', 1, '2019-03-01', 1"_s.arg(key).arg(year).arg(number);
        for (int m = 0; m < 20; ++m)
            values += u", NULL"_s;
        return u"INSERT INTO munkalap VALUES (%1, NULL, NULL, NULL, 0, '%2');"_s.arg(
            values, QLatin1StringView(storno));
    };
    db().exec(row(1, 2019, 7, "N"));
    db().exec(row(2, 2019, 7, "I")); // a duplicate of the old days, cancelled
    db().exec(row(3, 2019, 8, "N"));
    try {
        db().exec(row(4, 2019, 8, "N"));
        ADD_FAILURE() << "a second kept examination with number 2019/8 was stored";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), 1062);
    }
    EXPECT_EQ(SelectInt(db(), u"SELECT COUNT(*) FROM munkalap;"_s, -1), 3);
    // "SELECT *" shows the columns it always did.
    EXPECT_EQ(db().query(u"SELECT * FROM munkalap;"_s).columnCount(), 33);

    const int first = CreateExamination(db(), 5, 2);
    const int year = SelectInt(db(), u"SELECT ev FROM munkalap WHERE munkalap = %1;"_s.arg(first), 0);
    db().exec(u"UPDATE munkalap SET storno = 'I' WHERE munkalap = %1;"_s.arg(first));
    const int second = CreateExamination(db(), 5, 2);
    const ResultSet rs = db().query(u"SELECT munkalap, sorszam, mlaptipus, ugyfel, statusz FROM munkalap "
                                    u"WHERE ev = %1 ORDER BY sorszam;"_s.arg(year));
    ASSERT_EQ(rs.rowCount(), 2);
    const qsizetype last = 1;
    EXPECT_EQ(rs.value(last, 0).toInt(), second);
    EXPECT_EQ(rs.value(last, 1).toInt(),
              rs.value(last - 1, 1).toInt() + 1); // the cancelled number is not reused
    EXPECT_EQ(rs.value(last, 2).toInt(), 2);
    EXPECT_EQ(rs.value(last, 3).toInt(), 5);
    EXPECT_EQ(rs.value(last, 4).toInt(), 0);
}
