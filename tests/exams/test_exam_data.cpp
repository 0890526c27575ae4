// The examination statements without a window.

#include "data/Examinations.h"
#include "db/QueryHelpers.h"
#include "db/RowEditor.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static std::string s(const QString& q) {
    return q.toStdString();
}

class ExamDataTest : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() { tdb = new TestDatabase(u"examdata"_s); }
    static void TearDownTestSuite() { delete tdb; }
    Connection& db() { return tdb->db(); }
    int count(const QString& sql) { return SelectInt(db(), sql, -1); }
};

TEST_F(ExamDataTest, LinesTotalFinishAndRemoval) {
    db().exec(u"INSERT INTO ugyfel (ugyfel_nev, taj) VALUES ('Nagy Ákos', '111-222-333');"_s);
    const int patient = static_cast<int>(db().lastInsertId());
    db().exec(
        u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('1', 'Doppler', 7000), ('2', 'Árnélküli', NULL);"_s);
    const int doppler = static_cast<int>(db().lastInsertId()), free = doppler + 1;

    const int key = CreateExamination(db(), patient, 3);
    EXPECT_DOUBLE_EQ(LineItemsTotal(db(), key), 0); // no lines
    for (int item : {doppler, free}) {
        RowEditor line(db(), u"munkalap_tetel"_s, u"munkalap_tetel"_s);
        line.startNew();
        line.setInt(u"munkalap"_s, key);
        TakeItem(db(), line, item);
        line.post();
    }
    const ResultSet lines = db().query(LineItemsQuery(key).join(u'\n'));
    ASSERT_EQ(lines.rowCount(), 2);
    EXPECT_EQ(s(lines.value(1, lines.columnIndex(u"tetel_nev"_s)).text()), "Árnélküli");
    EXPECT_DOUBLE_EQ(lines.value(1, lines.columnIndex(u"ar"_s)).toDouble(), 0); // an item without a price
    EXPECT_DOUBLE_EQ(LineItemsTotal(db(), key), 7000);
    DeleteLineItem(db(), lines.value(0, lines.columnIndex(u"munkalap_tetel"_s)).toInt());
    EXPECT_DOUBLE_EQ(LineItemsTotal(db(), key), 0);

    const ExaminationPatient shown = LoadExaminationPatient(db(), patient);
    EXPECT_EQ(s(shown.name + u'|' + shown.taj + u'|' + shown.examinations), "Nagy Ákos|111-222-333|1");
    const ExaminationPatient none = LoadExaminationPatient(db(), 999999);
    EXPECT_TRUE(none.name.isEmpty() && none.taj.isEmpty() && none.examinations.isEmpty());

    FinishExamination(db(), key);
    EXPECT_EQ(count(u"SELECT statusz FROM munkalap WHERE munkalap = %1;"_s.arg(key)), 1);

    // A patient's examinations: by key, the cancelled ones left out.
    const int second = CreateExamination(db(), patient, 1), cancelled = CreateExamination(db(), patient, 2);
    db().exec(u"UPDATE munkalap SET storno = 'I' WHERE munkalap = %1;"_s.arg(cancelled));
    const ResultSet list = db().query(PatientExaminationsQuery(patient).join(u'\n'));
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.value(0, 0).toInt(), key);
    EXPECT_EQ(list.value(1, 0).toInt(), second);

    // An abandoned new examination goes with its lines.
    DeleteNewExamination(db(), key);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap WHERE munkalap = %1;"_s.arg(key)), 0);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap_tetel WHERE munkalap = %1;"_s.arg(key)), 0);
}
