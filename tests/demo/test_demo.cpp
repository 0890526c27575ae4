#include "core/Codec.h"
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Patients = 300, Exams = 900;

QByteArray Generate(const QStringList& args) {
    QProcess p;
    p.start(u"python3"_s, QStringList{SourcePath(u"scripts/demo-data"_s)} + args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("scripts/demo-data failed: " + p.readAllStandardError().toStdString());
    return p.readAllStandardOutput();
}

QStringList Args(int seed) {
    return {u"--seed"_s,  QString::number(seed),  u"--patients"_s, QString::number(Patients),
            u"--exams"_s, QString::number(Exams), u"--today"_s,    u"2026-03-16"_s};
}

class DemoData : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static inline QByteArray sql;
    static void SetUpTestSuite() {
        sql = Generate(Args(7));
        tdb = new TestDatabase(u"demo"_s);
        tdb->runSql(sql); // throws with the client's message when a statement fails
    }
    static void TearDownTestSuite() { delete tdb; }
    Connection& db() { return tdb->db(); }
    int count(const QString& sql) { return SelectInt(db(), sql, -1); }
};

TEST_F(DemoData, OutputIsUtf8AndTheSameForTheSameSeed) {
    EXPECT_TRUE(sql.startsWith("SET NAMES utf8mb4;"));
    EXPECT_TRUE(QString::fromUtf8(sql).contains(u"Doppler vizsgálata"_s));
    EXPECT_EQ(Generate(Args(7)), sql);
    EXPECT_NE(Generate(Args(8)), sql);
}

TEST_F(DemoData, CountsAndTheSchemaRowsUpdatedNotDuplicated) {
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM ugyfel;"_s), Patients);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap;"_s), Exams);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap m WHERE (SELECT COUNT(*) FROM munkalap_tetel t "
                    u"WHERE t.munkalap = m.munkalap) NOT BETWEEN 1 AND 3;"_s),
              0);
    EXPECT_GE(count(u"SELECT COUNT(*) FROM tetel;"_s), 25);
    EXPECT_GE(count(u"SELECT COUNT(*) FROM szotar;"_s), 30);
    EXPECT_GE(count(u"SELECT COUNT(DISTINCT irsz, varos) FROM irsz;"_s), 150);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM verzio;"_s), 1);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM beallit;"_s), 1);
    EXPECT_EQ(
        count(u"SELECT COUNT(*) FROM tulajdonos WHERE tulajdonos <> '' AND varos <> '' AND irsz <> '';"_s),
        1);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM tulajdonos;"_s), 1);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM felhasznalo WHERE felhasznalo = 'admin' AND jelszo = 'admin' "
                    u"AND rendszergazda = 'I';"_s),
              1);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM felhasznalo;"_s), 3);
    // All four types, mostly finished, some closed, a few cancelled; a few deleted patients.
    EXPECT_EQ(count(u"SELECT COUNT(DISTINCT mlaptipus) FROM munkalap WHERE mlaptipus BETWEEN 1 AND 4;"_s), 4);
    EXPECT_GT(count(u"SELECT COUNT(*) FROM munkalap WHERE statusz = 1;"_s), Exams / 2);
    EXPECT_GT(count(u"SELECT COUNT(*) FROM munkalap WHERE statusz = 3;"_s), 0);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap WHERE statusz NOT IN (1, 3);"_s), 0);
    EXPECT_GT(count(u"SELECT COUNT(*) FROM munkalap WHERE storno = 'I';"_s), 0);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM vw_munkalap;"_s),
              count(u"SELECT COUNT(*) FROM munkalap WHERE storno = 'N';"_s));
    EXPECT_GT(count(u"SELECT COUNT(*) FROM ugyfel WHERE torolve = 'I';"_s), 0);
    EXPECT_GT(count(u"SELECT COUNT(*) FROM ugyfel WHERE dat_figyelmeztet <= '2026-03-16';"_s), 0);
}

TEST_F(DemoData, EveryTajNumberHasItsCheckDigitAndTheTextFormats) {
    const ResultSet rs = db().query(u"SELECT taj, szuldatum, telefon, emil FROM ugyfel;"_s);
    ASSERT_EQ(rs.rowCount(), Patients);
    const QRegularExpression tajForm(u"^\\d{3}-\\d{3}-\\d{3}$"_s),
        dateForm(u"^(19|20)\\d\\d\\.[01]\\d\\.[0-3]\\d$"_s), phoneForm(u"^\\+36 \\d{1,2} \\d{3} \\d{3,4}$"_s),
        mailForm(u"^[a-z0-9.]+@[a-z0-9.-]+$"_s);
    QSet<QString> seen;
    for (qsizetype r = 0; r < rs.rowCount(); ++r) {
        const QString taj = rs.value(r, 0).text();
        ASSERT_TRUE(tajForm.match(taj).hasMatch()) << taj.toStdString();
        const QString digits = QString(taj).remove(u'-');
        int sum = 0;
        for (int i = 0; i < 8; ++i)
            sum += digits[i].digitValue() * (i % 2 == 0 ? 3 : 7);
        EXPECT_EQ(sum % 10, digits[8].digitValue()) << taj.toStdString();
        EXPECT_FALSE(seen.contains(taj)) << taj.toStdString();
        seen.insert(taj);
        EXPECT_TRUE(dateForm.match(rs.value(r, 1).text()).hasMatch()) << rs.value(r, 1).text().toStdString();
        EXPECT_TRUE(phoneForm.match(rs.value(r, 2).text()).hasMatch()) << rs.value(r, 2).text().toStdString();
        if (!rs.isNull(r, 3)) {
            EXPECT_TRUE(mailForm.match(rs.value(r, 3).text()).hasMatch())
                << rs.value(r, 3).text().toStdString();
        }
    }
}

TEST_F(DemoData, TotalsLinesSerialNumbersAndMeasurements) {
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap m WHERE m.ar_ossz <> "
                    u"(SELECT SUM(ar) FROM munkalap_tetel t WHERE t.munkalap = m.munkalap);"_s),
              0);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap_tetel l JOIN tetel i ON i.tetel = l.tetel "
                    u"WHERE l.tetel_nev = i.tetel_nev AND l.ar = i.ar;"_s),
              count(u"SELECT COUNT(*) FROM munkalap_tetel;"_s));
    EXPECT_EQ(
        count(u"SELECT COUNT(*) FROM munkalap WHERE ev <> YEAR(datum) OR datum > '2026-03-16' OR cim = '' "
              u"OR ugyfel NOT BETWEEN 1 AND 300;"_s),
        0);
    // Serial numbers run 1, 2, ... within each year, in the order of the keys.
    EXPECT_EQ(
        count(u"SELECT COUNT(*) FROM (SELECT ev, COUNT(*) n, MAX(sorszam) mx, COUNT(DISTINCT sorszam) d "
              u"FROM munkalap GROUP BY ev) y WHERE n <> mx OR n <> d;"_s),
        0);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap a JOIN munkalap b ON b.munkalap = a.munkalap + 1 "
                    u"WHERE b.datum < a.datum;"_s),
              0);
    EXPECT_GE(count(u"SELECT COUNT(DISTINCT ev) FROM munkalap;"_s), 4);
    struct Case {
        int type;
        QString filled, empty;
    } cases[] = {
        {1, u"1=0"_s, u"m01 IS NOT NULL"_s},
        {2, u"m01 REGEXP '^[0-9]+ \\\\* [0-9]+ \\\\* [0-9]+$' AND m03 IS NOT NULL"_s, u"m04 IS NOT NULL"_s},
        {3, u"m01 LIKE '% cm/s' AND m07 LIKE '% cm/s'"_s, u"m08 IS NOT NULL"_s},
        {4, u"m01 LIKE '% cm/s' AND m14 LIKE '% cm/s'"_s, u"m15 IS NOT NULL"_s},
    };
    for (const Case& c : cases) {
        const QString type = u" FROM munkalap WHERE mlaptipus = "_s + QString::number(c.type);
        const int all = count(u"SELECT COUNT(*)"_s + type);
        EXPECT_GT(all, 0);
        if (c.type > 1) {
            EXPECT_EQ(count(u"SELECT COUNT(*)"_s + type + u" AND "_s + c.filled), all) << c.type;
        }
        EXPECT_EQ(count(u"SELECT COUNT(*)"_s + type + u" AND ("_s + c.empty + u");"_s), 0) << c.type;
        EXPECT_EQ(
            count(u"SELECT COUNT(*)"_s + type + u" AND (panaszok = '' OR szoveg = '' OR velemeny = '');"_s),
            0);
    }
}

TEST_F(DemoData, HungarianLettersArriveAsLatin2) {
    // Every accented letter of the language occurs, stored as its latin2 byte (never as "?").
    const QString letters = u"áéíóöőúüűÁÉÍÓÖŐÚÜ"_s;
    const QString all =
        u"SELECT CONCAT_WS(' ', ugyfel_nev, cim_varos, cim_cim, szulhely, anyjaneve) FROM ugyfel "
        u"UNION ALL SELECT CONCAT_WS(' ', cim, panaszok, szoveg, velemeny) FROM munkalap "
        u"UNION ALL SELECT tetel_nev FROM tetel UNION ALL SELECT CONCAT(cim, szoveg) FROM szotar;"_s;
    const ResultSet rs = db().query(all);
    QString text;
    for (qsizetype r = 0; r < rs.rowCount(); ++r) {
        EXPECT_FALSE(rs.rawBytes(r, 0).contains('?'));
        text += rs.value(r, 0).text();
    }
    for (QChar c : letters)
        EXPECT_TRUE(text.contains(c)) << QString(c).toStdString();
    const ResultSet owner = db().query(u"SELECT tulajdonos FROM tulajdonos;"_s);
    EXPECT_EQ(owner.rawBytes(0, 0),
              QByteArrayView(*Codec::latin2().encode(u"Sonoria Ultrahang és Doppler Rendelő"_s)));
    EXPECT_EQ(SelectText(db(), u"SELECT varos FROM irsz WHERE irsz = '6800';"_s, {}), u"Hódmezővásárhely"_s);
}

} // namespace
