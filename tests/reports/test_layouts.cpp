// Every layout over a small database: the queries, the key texts at their places, the PDF files.

#include "reports/layouts/Layouts.h"
#include "reports/layouts/ReportRuns.h"
#include "reports/model/ReportFonts.h"
#include "reports/model/ReportRender.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/SqlText.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

#include "TestPrint.h"

using namespace Qt::StringLiterals;

namespace {

const char* Fixture = R"SQL(
SET NAMES utf8mb4;
UPDATE tulajdonos SET tulajdonos = 'Dr. Ősz Ábel rendelője', telefon = '06-1-234-5678', irsz = '1051',
  varos = 'Budapest', cim = 'Fő utca 1.';
INSERT INTO ugyfel (ugyfel, ugyfel_nev, taj, telefon, cim_irsz, cim_varos, cim_cim, anyjaneve, szulhely, szuldatum, dat_utolso)
VALUES (1, 'Kovács Éva', '123 456 789', '06-30-111-2222', '6720', 'Szeged', 'Kárász utca 5.', 'Nagy Ilona', 'Pécs', '1970.05.12', '2024-01-15'),
       (2, 'Szűcs Ödön', '987 654 321', NULL, '9021', 'Győr', 'Baross út 3.', NULL, NULL, NULL, NULL),
       (3, 'Üres Péter', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
INSERT INTO tetel (tetel, who, tetel_nev, ar) VALUES (1, '12345', 'Hasi ultrahang', 12000), (2, '23456', 'Pajzsmirigy UH', 9000),
  (3, NULL, 'Konzultáció', 5000);
INSERT INTO munkalap (munkalap, ev, sorszam, mlaptipus, cim, ugyfel, datum, panaszok, szoveg, velemeny, ar_ossz,
  m01, m02, m03, m04, m05, m06, m07, m08, m14)
VALUES (1, 2024, 1, 1, 'Általános ultrahang vizsgálat', 1, '2024-01-05', 'Hasi fájdalom', 'Máj ép, epehólyag kőmentes.',
        'Kontroll fél év múlva.', 17000, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
       (2, 2024, 2, 2, 'Pajzsmirigy ultrahang vizsgálat', 1, '2024-01-05', NULL, 'Jobb lebeny ép.', NULL, 9000,
        '15*18*45', '14*17*44', '3', NULL, NULL, NULL, NULL, NULL, NULL),
       (3, 2024, 3, 3, 'Nyaki erek Doppler vizsgálata', 2, '2024-01-20', NULL, NULL, NULL, NULL,
        '81', '72', '63', '84', '75', '66', 'AV-érték: 55', NULL, NULL),
       (4, 2024, 4, 4, 'Alsó végtagi erek Doppler vizsgálata', 2, '2024-01-31', NULL, NULL, NULL, 0,
        '101', '102', '103', '104', '105', '106', '107', '108', '114'),
       (5, 2024, 5, 7, 'Ismeretlen', 2, '2024-02-01', NULL, NULL, NULL, 0,
        NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
       (6, 2024, 6, 1, 'Sok tétel', 2, '2024-02-10', NULL, NULL, NULL, 0,
        NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
       (7, 2024, 7, 1, 'Törölt', 2, '2024-01-06', NULL, NULL, NULL, 999, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
UPDATE munkalap SET storno = 'I' WHERE munkalap = 7;
INSERT INTO munkalap_tetel (munkalap_tetel, munkalap, tetel, tetel_nev, ar)
VALUES (1, 1, 3, 'Konzultáció', 5000), (2, 1, 1, 'Hasi ultrahang', 12000), (3, 2, 2, 'Pajzsmirigy UH', 9000),
       (4, 3, 1, 'Hasi ultrahang', NULL);
)SQL";

class LayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        database = new TestDatabase(u"reports"_s);
        database->runSql(Fixture);
        // Examination 6: forty items, more than fit under the title band.
        QStringList rows;
        for (int i = 0; i < 40; ++i)
            rows << u"(6, 1, 'Tétel %1', 100)"_s.arg(i + 1, 2, 10, QChar(u'0'));
        database->db().exec(u"INSERT INTO munkalap_tetel (munkalap, tetel, tetel_nev, ar) VALUES "_s +
                            rows.join(u", "_s));
    }
    static void TearDownTestSuite() {
        delete database;
        database = nullptr;
    }
    void SetUp() override { Beall.formatFt = u"### ### ##0"_s; }
    Connection& db() { return database->db(); }
    static TestDatabase* database;
    QTemporaryDir tmp;
    QString noLogo() const { return tmp.path(); }
};
TestDatabase* LayoutTest::database = nullptr;

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString& file) {
    return run(u"pdftotext"_s, {u"-layout"_s, file, u"-"_s});
}

QString pdfPageSize(const QString& file) {
    const QString info = run(u"pdfinfo"_s, {file});
    const QRegularExpressionMatch m = QRegularExpression(u"Page size:\\s*(.*)"_s).match(info);
    return m.hasMatch() ? m.captured(1).trimmed() : info;
}

int pdfPages(const QString& file) {
    const QRegularExpressionMatch m =
        QRegularExpression(u"Pages:\\s*(\\d+)"_s).match(run(u"pdfinfo"_s, {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// A text's line box relative to the band origin at the page margins.
QPointF at(const ReportPage& page, const QString& text, double left = 10, double top = 10) {
    const TextRun* t = page.findText(text);
    if (!t) {
        ADD_FAILURE() << "no text " << text.toStdString() << " in\n" << page.plainText().toStdString();
        return {};
    }
    return {t->box.left() - left, t->box.top() - top};
}

// The trimmed texts of a page, each followed by "|".
QString joinedTexts(const ReportPage& page) {
    QString all;
    for (const TextRun* t : page.texts())
        all += t->text.trimmed() + u'|';
    return all;
}

QRectF boxOf(const ReportPage& page, const QString& text) {
    const TextRun* t = page.findText(text);
    if (!t) ADD_FAILURE() << "no text " << text.toStdString() << " in\n" << page.plainText().toStdString();
    return t ? t->box : QRectF();
}

double fontSizeOf(const ReportPage& page, const QString& start) {
    for (const TextRun* t : page.texts())
        if (t->text.startsWith(start)) return t->font.pointSize;
    return 0;
}

} // namespace

TEST_F(LayoutTest, FindingsSheetOfEachTypeAndItsPages) {
    // Type 1: the items in key order, WHO code in parentheses, no code as "()".
    auto r = PrepareFindingsSheet(db(), 1, noLogo());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->layout.name, u"qrMunkalap"_s);
    auto pages = r->pages();
    ASSERT_EQ(pages.size(), 1u);
    const ReportPage& p = pages[0];
    const QPointF title = at(p, u"Betegvizsgálati eredmény"_s);
    EXPECT_NEAR(title.x(), 3.2, 1e-9);
    EXPECT_NEAR(title.y(), 1.1, 1e-9);
    EXPECT_NEAR(at(p, u"Kovács Éva"_s).x(), 23.3, 1e-9);
    EXPECT_NEAR(at(p, u"Kovács Éva"_s).y(), 16.9, 1e-9);
    EXPECT_NEAR(boxOf(p, u"Dr. Ősz Ábel rendelője"_s).right(), 10 + 108.0 + 79.1, 1e-6);
    EXPECT_NEAR(boxOf(p, u"Általános ultrahang vizsgálat"_s).center().x(), 105, 1e-6);
    const QPointF first = at(p, u"Konzultáció ()"_s), second = at(p, u"Hasi ultrahang (12345)"_s);
    EXPECT_NEAR(first.x(), 2.1, 1e-9);
    EXPECT_NEAR(first.y(), 199.8, 1e-9);
    EXPECT_NEAR(second.y(), 199.8 + 5.3, 1e-9);
    // The page footer sits on the bottom margin.
    const double footerTop = 297 - 10 - 29.6;
    EXPECT_NEAR(boxOf(p, u"2024. január. 05"_s).top(), footerTop + 5.3, 1e-9);
    EXPECT_NEAR(boxOf(p, u"oldal: 1"_s).top(), footerTop + 25.1, 1e-9);
    EXPECT_NEAR(boxOf(p, u"www.sonoria.hu"_s).center().x(), 105, 1e-6);
    EXPECT_NEAR(boxOf(p, u"Aláírás"_s).center().x(), 10 + 163.6, 1e-6);
    EXPECT_EQ(fontSizeOf(p, u"Máj ép"_s), 9);

    // Types 2 to 4: their own layouts and measurements on their sides.
    r = PrepareFindingsSheet(db(), 2, noLogo());
    EXPECT_EQ(r->layout.name, u"qrMunkalap2"_s);
    pages = r->pages();
    EXPECT_NEAR(at(pages[0], u"15*18*45"_s).x(), 62.4, 1e-9);
    EXPECT_NEAR(at(pages[0], u"Isthmus"_s).y(), 74.1, 1e-9);

    r = PrepareFindingsSheet(db(), 3, noLogo());
    EXPECT_EQ(r->layout.name, u"qrMunkalap3"_s);
    pages = r->pages();
    EXPECT_EQ(at(pages[0], u"AV-érték: 55"_s), QPointF(3.2, 67.7));
    EXPECT_EQ(at(pages[0], u"84"_s), QPointF(170.4, 67.7)); // m04: ACI under "Bal oldal"
    EXPECT_EQ(at(pages[0], u"63"_s), QPointF(43.4, 78.3));  // m03: ACC under "Jobb oldal"
    EXPECT_NE(pages[0].findText(u"Hasi ultrahang (12345)"_s), nullptr);

    r = PrepareFindingsSheet(db(), 4, noLogo());
    EXPECT_EQ(r->layout.name, u"qrMunkalap4"_s);
    pages = r->pages();
    EXPECT_EQ(at(pages[0], u"A.peronea"_s).x(), 104.8);
    EXPECT_EQ(at(pages[0], u"114"_s), QPointF(173.6, 116.4)); // m14: ADP, left side
    EXPECT_EQ(at(pages[0], u"101"_s), QPointF(87.8, 78.3));
    // No items: one detail line " ()".
    EXPECT_NE(pages[0].findText(u" ()"_s), nullptr);

    // Type 5 and more: nothing. A missing examination: the general sheet with empty fields.
    EXPECT_FALSE(PrepareFindingsSheet(db(), 5, noLogo()));
    r = PrepareFindingsSheet(db(), 999, noLogo());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->layout.name, u"qrMunkalap"_s);
    pages = r->pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].findText(u"Kovács Éva"_s), nullptr);

    // Forty items: a second page with only detail lines and the footer.
    r = PrepareFindingsSheet(db(), 6, noLogo());
    pages = r->pages();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].findText(u"Betegvizsgálati eredmény"_s), nullptr);
    EXPECT_NEAR(at(pages[1], u"Tétel 09 (12345)"_s).y(), 0, 1e-9);
    EXPECT_NE(pages[1].findText(u"oldal: 2"_s), nullptr);
    EXPECT_NE(pages[1].findText(u"PH"_s), nullptr);
    EXPECT_NE(pages[1].findText(u"2024. február. 10"_s), nullptr);
}

TEST_F(LayoutTest, ResultAndOpinionShrinkAt800And1600Characters) {
    auto textOf = [](QChar first, int length) {
        QString text(first);
        while (text.size() < length)
            text += u" abcdefgh"_s;
        text.truncate(length);
        return text;
    };
    struct Case {
        int result, opinion;
        double resultSize, opinionSize;
    } cases[] = {{800, 801, 9, 8}, {801, 10, 8, 9}, {1600, 1601, 8, 7}, {1601, 1600, 7, 8}};
    for (const Case& c : cases) {
        db().exec(u"UPDATE munkalap SET szoveg = %1, velemeny = %2 WHERE munkalap = 2;"_s.arg(
            SqlQuote(textOf(u'Ő', c.result)), SqlQuote(textOf(u'Ű', c.opinion))));
        const auto pages = PrepareFindingsSheet(db(), 2, noLogo())->pages();
        EXPECT_EQ(fontSizeOf(pages[0], u"Ő"_s), c.resultSize) << c.result;
        EXPECT_EQ(fontSizeOf(pages[0], u"Ű"_s), c.opinionSize) << c.opinion;
    }
    db().exec(u"UPDATE munkalap SET szoveg = 'Jobb lebeny ép.', velemeny = NULL WHERE munkalap = 2;"_s);
}

TEST_F(LayoutTest, NoTextVanishesFromTheFindingsSheet) {
    // Words with a prefix of their own, exactly a length long; the last one is the prefix, "VÉGSZÓ" and
    // as many "ó" as make up the length.
    auto words = [](const QString& prefix, int length) {
        QString text;
        for (int i = 1; text.size() + 2 * prefix.size() + 12 < length; ++i)
            text += prefix + QString::number(i) + u' ';
        return text + prefix + u"VÉGSZÓ"_s + QString(length - text.size() - prefix.size() - 6, u'ó');
    };
    // The runs of a text on all pages, joined by spaces: they read the whole text when nothing vanished.
    auto printed = [](const std::vector<ReportPage>& pages, const QString& prefix) {
        QStringList out;
        for (const ReportPage& p : pages)
            for (const TextRun* t : p.texts())
                if (t->text.startsWith(prefix)) out << t->text;
        return out.join(u' ');
    };

    // A thyroid sheet: 2 500 characters of findings, the longest complaint, an opinion with a lone LF.
    const QString findings = words(u"lelet"_s, 2500), complaint = words(u"panasz"_s, 255);
    ASSERT_EQ(findings.size(), 2500);
    ASSERT_EQ(complaint.size(), 255);
    const QString opinion = u"Első sor\nMásodik sor"_s;
    db().exec(u"UPDATE munkalap SET panaszok = %1, szoveg = %2, velemeny = %3 WHERE munkalap = 2;"_s.arg(
        SqlQuote(complaint), SqlQuote(findings), SqlQuote(opinion)));
    auto pages = PrepareFindingsSheet(db(), 2, noLogo())->pages();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(printed(pages, u"lelet"_s), findings);
    EXPECT_TRUE(printed({pages[1]}, u"lelet"_s).endsWith(findings.split(u' ').last())); // the last word
    for (const TextRun* t : pages[0].texts())
        if (t->text.startsWith(u"lelet"_s)) {
            EXPECT_LE(t->box.bottom(), 10 + 111.1 + 46.8 + 0.01); // inside the result box
            EXPECT_EQ(t->font.pointSize, 7);
        }
    // The continuation page: its caption, the patient, the examination, the footer with the page number.
    for (const QString& t : {u"Vizsgálati eredmény (folytatás)"_s, u"Kovács Éva"_s, u"2024/00002"_s,
                             u"Pajzsmirigy ultrahang vizsgálat"_s, u"oldal: 2"_s, u"Aláírás"_s})
        EXPECT_NE(pages[1].findText(t), nullptr) << t.toStdString();
    // The complaint whole inside its box (13.2 mm cell from 96.3), set smaller.
    EXPECT_EQ(printed(pages, u"panasz"_s), complaint);
    for (const TextRun* t : pages[0].texts())
        if (t->text.startsWith(u"panasz"_s)) {
            EXPECT_LE(t->box.bottom(), 10 + 96.3 + 13.2);
            EXPECT_GE(t->font.pointSize, 6);
        }
    // A lone LF breaks the line.
    const TextRun *first = pages[0].findText(u"Első sor"_s), *second = pages[0].findText(u"Második sor"_s);
    ASSERT_TRUE(first && second);
    EXPECT_NEAR(second->box.top() - first->box.top(), first->box.height(), 1e-9);
    EXPECT_EQ(FindingsContinued(2, complaint, findings, opinion), QStringList{u"Vizsgálati eredmény"_s});

    // Forty items fill two pages; eighty lines of opinion continue on the third.
    QStringList lines;
    for (int i = 1; i <= 80; ++i)
        lines << u"sor %1"_s.arg(i);
    db().exec(
        u"UPDATE munkalap SET velemeny = %1 WHERE munkalap = 6;"_s.arg(SqlQuote(lines.join(u"\r\n"_s))));
    pages = PrepareFindingsSheet(db(), 6, noLogo())->pages();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_NE(pages[1].findText(u"Tétel 40 (12345)"_s), nullptr);
    EXPECT_NE(pages[2].findText(u"Vélemény (folytatás)"_s), nullptr);
    EXPECT_NE(pages[2].findText(u"oldal: 3"_s), nullptr);
    EXPECT_EQ(printed(pages, u"sor "_s), lines.join(u' '));
    EXPECT_EQ(FindingsContinued(1, {}, {}, lines.join(u"\r\n"_s)), QStringList{u"Vélemény"_s});
    EXPECT_EQ(FindingsContinued(1, complaint, findings, opinion), QStringList());
    EXPECT_EQ(FindingsContinued(5, complaint, findings, lines.join(u"\n"_s)), QStringList());

    // For a look by eye.
    if (const QByteArray dir = qgetenv("SONORIA_REPORT_PNG"); !dir.isEmpty())
        PrepareFindingsSheet(db(), 2, noLogo())->writePdf(QString::fromLocal8Bit(dir) + u"/folytatas.pdf"_s);
    db().exec(u"UPDATE munkalap SET panaszok = NULL, szoveg = 'Jobb lebeny ép.', velemeny = NULL "
              "WHERE munkalap = 2;"_s);
    db().exec(u"UPDATE munkalap SET velemeny = NULL WHERE munkalap = 6;"_s);
}

TEST_F(LayoutTest, RevenueListGroupsDaysWithTotals) {
    const auto r = PrepareRevenueList(db(), QDate(2024, 1, 5), QDate(2024, 1, 31));
    EXPECT_EQ(
        r.qrySql,
        u"SELECT * FROM vw_arbevetel\nWHERE (datum BETWEEN '2024-01-05' AND '2024-01-31')\nORDER BY datum, munkalap;"_s);
    const auto pages = r.pages();
    ASSERT_EQ(pages.size(), 1u);
    const ReportPage& p = pages[0];
    QStringList texts;
    for (const TextRun* t : p.texts())
        texts << t->text.trimmed();
    const QString all = texts.join(u'|');
    // Both ends inclusive; one group per day in date order; the cancelled examination left out.
    EXPECT_TRUE(all.contains(u"2024. január 05.|00001|00001|Általános ultrahang vizsgálat|17 000|00002|00001|"
                             "Pajzsmirigy ultrahang vizsgálat|9 000|összesen|26 000|"_s))
        << all.toStdString();
    EXPECT_TRUE(all.contains(u"2024. január 20.|00003|00002|Nyaki erek Doppler vizsgálata|összesen|0|"_s))
        << all.toStdString();
    EXPECT_TRUE(all.contains(
        u"2024. január 31.|00004|00002|Alsó végtagi erek Doppler vizsgálata|0|összesen|0|mindösszesen|26 000"_s))
        << all.toStdString();
    EXPECT_FALSE(all.contains(u"999"_s));
    EXPECT_EQ(at(p, u"Árbevétel"_s), QPointF(0.7, 1.3));
    EXPECT_EQ(at(p, u"2024.01.05 - 2024.01.31"_s), QPointF(1.0, 9.3));
    EXPECT_NEAR(boxOf(p, u"Dr. Ősz Ábel rendelője"_s).right(), 200, 1e-6);
    EXPECT_NEAR(boxOf(p, u"bevétel"_s).right(), 10 + 113.8 + 25.5, 1e-6);
    EXPECT_NEAR(boxOf(p, u"qrArbevetel"_s).right(), 200, 1e-6);
    EXPECT_NEAR(boxOf(p, u"oldal: 1"_s).left(), 10, 1e-6);

    // A changed money format changes the detail lines and the totals of the next run.
    Beall.formatFt = u"#,##0.00 Ft"_s;
    const auto r2 = PrepareRevenueList(db(), QDate(2024, 1, 5), QDate(2024, 1, 5));
    const QString t2 = r2.pages()[0].plainText();
    EXPECT_TRUE(t2.contains(u"17 000,00 Ft"_s) || t2.contains(u"17\u00a0000,00 Ft"_s)) << t2.toStdString();
    EXPECT_TRUE(t2.contains(u"26 000,00 Ft"_s) || t2.contains(u"26\u00a0000,00 Ft"_s)) << t2.toStdString();
}

TEST_F(LayoutTest, PerformedAndTotalsListsAndAnEmptyPeriod) {
    auto r = PreparePerformedList(db(), QDate(2024, 1, 1), QDate(2024, 1, 31));
    QString all;
    all = joinedTexts(r.pages()[0]);
    // Grouped by item; the NULL price prints blank and adds nothing.
    EXPECT_TRUE(
        all.contains(u"Hasi ultrahang|00001|Általános ultrahang vizsgálat|2024. 01. 05.|Kovács Éva|12 000|"
                     "00003|Nyaki erek Doppler vizsgálata|2024. 01. 20.|Szűcs Ödön|összesen|12 000|"_s))
        << all.toStdString();
    EXPECT_TRUE(all.contains(u"mindösszesen|26 000|"_s)) << all.toStdString();

    r = PrepareExaminationTotals(db(), QDate(2024, 1, 5), QDate(2024, 1, 5));
    all.clear();
    all = joinedTexts(r.pages()[0]);
    EXPECT_TRUE(all.contains(u"2024/00001|2024. 01. 05.|Általános ultrahang vizsgálat|Kovács Éva|"_s) ||
                all.contains(u"00001|2024. 01. 05.|Általános ultrahang vizsgálat|Kovács Éva|"_s))
        << all.toStdString();
    EXPECT_TRUE(all.contains(u"Hasi ultrahang|12345|12 000|Konzultáció|5 000|összesen|17 000|"_s))
        << all.toStdString();

    // An empty period: headers, an empty line and a total of 0.
    r = PrepareRevenueList(db(), QDate(2023, 1, 1), QDate(2023, 1, 31));
    const auto pages = r.pages();
    ASSERT_EQ(pages.size(), 1u);
    all.clear();
    for (const TextRun* t : pages[0].texts())
        all += t->text.trimmed() + u'|';
    EXPECT_TRUE(all.contains(u"bevétel|mindösszesen|0|"_s)) << all.toStdString();
}

TEST_F(LayoutTest, PatientLayouts) {
    auto r = PreparePatientExamList(db(), 1);
    EXPECT_EQ(r.qrySql, u"SELECT * FROM vw_munkalap\nWHERE ugyfel = 1\nORDER BY 1;"_s);
    auto pages = r.pages();
    EXPECT_EQ(at(pages[0], u"Kovács Éva"_s), QPointF(1.3, 7.9));
    EXPECT_TRUE(pages[0].plainText().contains(u"26 000"_s));

    r = PrepareEnvelope(db(), 1, noLogo());
    pages = r.pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_FALSE(pages[0].a4);
    EXPECT_EQ(pages[0].paper, QSizeF(160, 113));
    const TextRun* owner = pages[0].findText(u"Dr. Ősz Ábel rendelője"_s);
    ASSERT_TRUE(owner);
    EXPECT_TRUE(owner->font.underline);
    EXPECT_EQ(owner->font.colour, QColor(0, 0, 0x80));
    EXPECT_EQ(at(pages[0], u"Budapest, Fő utca 1."_s), QPointF(1.3, 6.6));
    EXPECT_NEAR(boxOf(pages[0], u"részére"_s).center().x(), 10 + 60.9 + 74.4 / 2, 1e-6);
    EXPECT_NEAR(boxOf(pages[0], u"6720"_s).center().x(), 10 + 60.9 + 74.4 / 2, 1e-6);
    for (const Primitive& p : pages[0].items)
        EXPECT_NE(p.kind, Primitive::Image); // no Logo.bmp: nothing

    r = PrepareRegisteredSlip(db(), 2);
    pages = r.pages();
    EXPECT_EQ(at(pages[0], u"Budapest, Fő utca 1."_s), QPointF(25.1, 21.2 + 2)); // top margin 12 mm
    EXPECT_EQ(at(pages[0], u"Szűcs Ödön"_s), QPointF(30.1, 43.0 + 2));
    db().exec(u"UPDATE tulajdonos SET varos = NULL;"_s);
    r = PrepareRegisteredSlip(db(), 2);
    EXPECT_NE(r.pages()[0].findText(u", Fő utca 1."_s), nullptr);
    db().exec(u"UPDATE tulajdonos SET varos = 'Budapest';"_s);

    r = PreparePatientList(
        db(),
        u"SELECT * FROM vw_ugyfel\nWHERE ugyfel > 0 AND ugyfel_nev LIKE '%ö%'\nORDER BY ugyfel_nev DESC;"_s);
    pages = r.pages();
    QString all;
    for (const TextRun* t : pages[0].texts())
        all += t->text + u'|';
    EXPECT_TRUE(all.contains(u"névsorban|"_s));
    EXPECT_TRUE(all.contains(u"Szűcs Ödön|9021 Győr, Baross út 3.|987 654 321|"_s)) << all.toStdString();
    EXPECT_FALSE(all.contains(u"Kovács Éva"_s));
    r = PreparePatientList(db(), DefaultPatientListQuery());
    const QString list = r.pages()[0].plainText();
    EXPECT_TRUE(list.indexOf(u"Kovács Éva"_s) < list.indexOf(u"Szűcs Ödön"_s));
    EXPECT_TRUE(list.contains(u"2024. 01. 15."_s));
}

TEST_F(LayoutTest, NamesAndAddressesPrintWholeOnTheEnvelopeAndTheSlip) {
    const QString name = u"Özvegy Szentgyörgyiné Hollósy Erzsébet Mária Terézia Borbála Ann"_s;
    const QString street = u"Hunyadi János utca 123. B épület 4. emelet 12. ajt"_s;
    ASSERT_EQ(name.size(), 64);
    ASSERT_EQ(street.size(), 50);
    db().exec(u"INSERT INTO ugyfel (ugyfel, ugyfel_nev, cim_irsz, cim_varos, cim_cim) VALUES (4, %1, '8220', "
              "'Balatonalmádi', %2);"_s.arg(SqlQuote(name), SqlQuote(street)));
    struct Case {
        const char* report;
        PreparedReport r;
        double nameLeft, streetLeft, top; // the boxes on the paper, 74.4 mm wide
    } cases[] = {{"boritek", PrepareEnvelope(db(), 4, noLogo()), 10 + 60.9, 10 + 60.9, 10},
                 {"ajanlott", PrepareRegisteredSlip(db(), 4), 10 + 30.1, 10 + 30.4, 12}};
    for (const Case& c : cases) {
        const auto pages = c.r.pages();
        ASSERT_EQ(pages.size(), 1u) << c.report;
        // Set smaller, wrapped between words: the lines of each text follow one another and read it whole.
        QStringList lines;
        for (const TextRun* t : pages[0].texts())
            lines << t->text;
        const QString all = lines.join(u' ');
        EXPECT_TRUE(all.contains(name)) << c.report << ": " << all.toStdString();
        EXPECT_TRUE(all.contains(street)) << c.report << ": " << all.toStdString();
        for (const TextRun* t : pages[0].texts()) {
            const bool ofName = name.contains(t->text), ofStreet = street.contains(t->text);
            if (!ofName && !ofStreet) continue;
            const double left = ofName ? c.nameLeft : c.streetLeft;
            EXPECT_GE(t->font.pointSize, 6) << c.report;
            EXPECT_GE(t->box.left(), left - 0.01) << c.report << ": " << t->text.toStdString();
            EXPECT_LE(t->box.right(), left + 74.4 + 0.01) << c.report << ": " << t->text.toStdString();
        }
        if (const QByteArray dir = qgetenv("SONORIA_REPORT_PNG"); !dir.isEmpty())
            c.r.writePdf(QString::fromLocal8Bit(dir) + u'/' + QLatin1String(c.report) + u"_hosszu.pdf"_s);
    }
    // The findings sheet's patient panel: the name and the address whole, inside the panel (to 103.8 mm).
    db().exec(u"INSERT INTO munkalap (munkalap, ev, sorszam, mlaptipus, cim, ugyfel, datum) "
              "VALUES (8, 2024, 8, 1, 'Általános', 4, '2024-03-01');"_s);
    const auto sheet = PrepareFindingsSheet(db(), 8, noLogo())->pages();
    for (const QString& value : {name, u"8220 Balatonalmádi, "_s + street}) {
        const TextRun* t = sheet[0].findText(value);
        ASSERT_TRUE(t) << value.toStdString() << " in\n" << sheet[0].plainText().toStdString();
        EXPECT_LE(t->box.right(), 10 + 103.8);
        EXPECT_GE(t->font.pointSize, 6);
    }
    db().exec(u"DELETE FROM munkalap WHERE munkalap = 8;"_s);
    db().exec(u"DELETE FROM ugyfel WHERE ugyfel = 4;"_s);
}

TEST_F(LayoutTest, LogoFromTheFolderWhateverTheLetterCase) {
    QImage logo(169, 55, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(tmp.filePath(u"LOGO.BMP"_s), "BMP"));
    auto r = PrepareFindingsSheet(db(), 1, tmp.path());
    const ImageElement* e = r->layout.findImage(u"logo"_s);
    EXPECT_EQ(e->picture.pixelSize(), QSize(169, 55));
    EXPECT_EQ(e->picture.toImage(QSize(10, 10)).pixelColor(5, 5), QColor(Qt::red));
    // Centred at its natural size in the logo box.
    // The pages live in a variable: a loop over a temporary's member would read freed memory.
    const auto sheet = r->pages();
    for (const Primitive& p : sheet[0].items)
        if (p.kind == Primitive::Image && p.image.picture.pixelSize() == QSize(169, 55)) {
            EXPECT_NEAR(p.image.target.center().x(), 10 + 105.8 + 81.5 / 2, 1e-6);
        }
    const auto envelope = PrepareEnvelope(db(), 1, tmp.path()).pages();
    int images = 0;
    for (const Primitive& p : envelope[0].items)
        if (p.kind == Primitive::Image) {
            ++images;
            EXPECT_EQ(p.image.target.topLeft(), QPointF(11.3, 27.9));
        }
    EXPECT_EQ(images, 1);
    // A file by that name that is no picture stops the run with a message.
    QFile bad(tmp.filePath(u"LOGO.BMP"_s));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
    bad.write("no picture");
    bad.close();
    EXPECT_THROW(PrepareFindingsSheet(db(), 1, tmp.path()), FileError);
}

TEST_F(LayoutTest, EveryLayoutToPdfAndBack) {
    struct Case {
        QString name;
        std::function<PreparedReport()> make;
        QString size;
        QStringList texts;
    } cases[] = {
        {u"lelet1"_s,
         [&] { return *PrepareFindingsSheet(db(), 1, noLogo()); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"Betegvizsgálati eredmény"_s, u"Kovács Éva"_s, u"Máj ép, epehólyag kőmentes."_s, u"oldal: 1"_s,
          u"qrMunkalap"_s}},
        {u"lelet2"_s,
         [&] { return *PrepareFindingsSheet(db(), 2, noLogo()); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"Lebenyméretek (mm): a * b * c"_s, u"15*18*45"_s}},
        {u"lelet3"_s,
         [&] { return *PrepareFindingsSheet(db(), 3, noLogo()); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"Sebesség értékek (cm / sec)"_s, u"AV-érték: 55"_s}},
        {u"lelet4"_s,
         [&] { return *PrepareFindingsSheet(db(), 4, noLogo()); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"A.peronea"_s, u"Alsó végtagi erek Doppler vizsgálata"_s}},
        {u"lelet6"_s,
         [&] { return *PrepareFindingsSheet(db(), 6, noLogo()); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"oldal: 2"_s, u"Tétel 40 (12345)"_s}},
        {u"arbevetel"_s,
         [&] { return PrepareRevenueList(db(), QDate(2024, 1, 1), QDate(2024, 1, 31)); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"Árbevétel"_s, u"2024. január 05."_s, u"mindösszesen"_s, u"Dr. Ősz Ábel rendelője"_s}},
        {u"fogyas"_s,
         [&] { return PreparePerformedList(db(), QDate(2024, 1, 1), QDate(2024, 1, 31)); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"Végzett vizsgálatok"_s, u"Szűcs Ödön"_s, u"Fogyások"_s}},
        {u"osszesen"_s,
         [&] { return PrepareExaminationTotals(db(), QDate(2024, 1, 1), QDate(2024, 1, 31)); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"Konzultáció"_s, u"qrOsszesen"_s}},
        {u"bonglista"_s,
         [&] { return PreparePatientExamList(db(), 1); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"Pajzsmirigy"_s, u"qrBongLista"_s}},
        {u"boritek"_s,
         [&] { return PrepareEnvelope(db(), 2, noLogo()); },
         u"453.543 x 320.315 pts"_s,
         {u"Szűcs Ödön"_s, u"részére"_s, u"Győr"_s, u"9021"_s}},
        {u"ajanlott"_s,
         [&] { return PrepareRegisteredSlip(db(), 1); },
         u"453.543 x 320.315 pts"_s,
         {u"Kovács Éva"_s, u"Kárász utca 5."_s}},
        {u"ugyfel"_s,
         [&] { return PreparePatientList(db(), DefaultPatientListQuery()); },
         u"595.276 x 841.89 pts (A4)"_s,
         {u"Páciensek listája"_s, u"Üres Péter"_s, u"qrUgyfel"_s}},
    };
    for (const Case& c : cases) {
        const QString file = tmp.filePath(c.name + u".pdf"_s);
        const PreparedReport r = c.make();
        const int pages = r.writePdf(file);
        EXPECT_EQ(pdfPages(file), pages) << c.name.toStdString();
        EXPECT_TRUE(pdfPageSize(file).startsWith(c.size))
            << c.name.toStdString() << ": " << pdfPageSize(file).toStdString();
        const QString text = pdfText(file);
        for (const QString& t : c.texts)
            EXPECT_TRUE(text.contains(t)) << c.name.toStdString() << ": " << t.toStdString();
        EXPECT_TRUE(text.contains(u"www.sonoria.hu"_s) || c.name == u"boritek"_s || c.name == u"ajanlott"_s)
            << c.name.toStdString();
    }
    // Pictures for a look by eye: a findings sheet and a list page.
    if (const QByteArray dir = qgetenv("SONORIA_REPORT_PNG"); !dir.isEmpty()) {
        WritePng(QString::fromLocal8Bit(dir) + u"/lelet3.png"_s,
                 PrepareFindingsSheet(db(), 3, noLogo())->pages()[0], 100);
        WritePng(QString::fromLocal8Bit(dir) + u"/arbevetel.png"_s,
                 PrepareRevenueList(db(), QDate(2024, 1, 1), QDate(2024, 1, 31)).pages()[0], 100);
        for (const Case& c : cases)
            QFile::copy(tmp.filePath(c.name + u".pdf"_s),
                        QString::fromLocal8Bit(dir) + u'/' + c.name + u".pdf"_s);
    }
}

TEST_F(LayoutTest, FailedPdfLeavesNoFile) {
    const QString file = tmp.filePath(u"hiba.pdf"_s);
    {
        PdfStreamWriter w(file, u"x"_s);
        w.addPage(PreparePatientList(db(), DefaultPatientListQuery()).pages()[0]);
        // Destroyed without finish, as when an error interrupts the run.
    }
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_THROW(PreparePatientList(db(), u"SELECT * FROM nincs_ilyen"_s), DbError);
    EXPECT_THROW(PdfStreamWriter(tmp.filePath(u"nincs/mappa/x.pdf"_s), u"x"_s), FileError);
    EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::Files).isEmpty());
}

TEST(LayoutCaptions, LongestCaptionsFitTheirBoxes) {
    // Every label and column caption with a box of its own width is not broken and stays inside.
    for (const ReportLayout& l :
         {qrMunkalap(), qrMunkalap2(), qrMunkalap3(), qrMunkalap4(), qrArbevetel(), qrFogyas(), qrOsszesen(),
          qrBongLista(), qrBoritek(), qrAjanlott(), qrUgyfel()}) {
        for (const Band& b : l.bands)
            for (const ReportElement& e : b.elements) {
                if (e.kind != ReportElement::Text || e.text.kind != TextElement::Label ||
                    e.text.box.width() <= 0)
                    continue;
                const FontSpec f = e.text.font.value_or(b.font.value_or(l.font));
                const TextMeasure m(f);
                if (e.text.autoSize) {
                    // The stated width of an auto-sized caption is its width on screen; ours within 0.5 mm.
                    EXPECT_LE(m.width(e.text.caption), e.text.box.width() + 0.5)
                        << l.name.toStdString() << ": " << e.text.caption.toStdString();
                    continue;
                }
                const QStringList lines = BreakLines(e.text.caption, m, e.text.box.width());
                if (e.text.caption == u"Vizsgálati eredmény"_s) {
                    EXPECT_EQ(lines, (QStringList{u"Vizsgálati"_s, u"eredmény"_s})) << l.name.toStdString();
                    continue;
                }
                EXPECT_EQ(lines.size(), 1) << l.name.toStdString() << ": " << e.text.caption.toStdString();
            }
    }
    // The sheet's heading at 16 pt in the width the layout gives it (auto-sized there), within 1 mm.
    EXPECT_NEAR(
        TextMeasure(FontSpec{u"Arial Rounded MT Bold"_s, 16, true}).width(u"Betegvizsgálati eredmény"_s),
        69.1, 1.0);
    EXPECT_LE(TextMeasure(FontSpec{u"Arial"_s, 8, false, true}).width(QString(48, u'.')), 2 * (190 - 163.1));
}

TEST_F(LayoutTest, CommandLineWritesThePdfOrNothing) {
    const ConnectionParams p = database->params();
    const QStringList connection = {u"--host"_s, p.host, u"--port"_s,     QString::number(p.port),
                                    u"--user"_s, p.user, u"--database"_s, p.database};
    auto cli = [&](const QStringList& args, QString* err = nullptr) {
        QProcess proc;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SONORIA_PASSWORD"_s, p.password);
        env.remove(u"QT_QPA_PLATFORM"_s); // the tool chooses the offscreen platform itself
        proc.setProcessEnvironment(env);
        proc.start(QStringLiteral(SONORIA_CLI),
                   QStringList{u"pdf"_s} + args.mid(0, 1) + connection + args.mid(1));
        proc.waitForFinished(60000);
        if (err) *err = QString::fromUtf8(proc.readAllStandardError());
        return proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
    };
    const QString sheet = tmp.filePath(u"lelet.pdf"_s);
    EXPECT_EQ(cli({u"findings"_s, u"1"_s, sheet}), 0);
    EXPECT_TRUE(pdfText(sheet).contains(u"Kovács Éva"_s));
    const QString list = tmp.filePath(u"lista.pdf"_s);
    EXPECT_EQ(cli({u"revenue"_s, u"2024-01-01"_s, u"2024-01-31"_s, list}), 0);
    EXPECT_TRUE(pdfText(list).contains(u"mindösszesen"_s));
    const QString patients = tmp.filePath(u"paciensek.pdf"_s);
    EXPECT_EQ(cli({u"patients"_s, patients, u"--query"_s, u"SELECT * FROM vw_ugyfel WHERE ugyfel = 2"_s}), 0);
    const QString text = pdfText(patients);
    EXPECT_TRUE(text.contains(u"Szűcs Ödön"_s) && !text.contains(u"Kovács Éva"_s));

    QString err;
    const QString bad = tmp.filePath(u"rossz.pdf"_s);
    EXPECT_NE(cli({u"patients"_s, bad, u"--query"_s, u"SELECT * FROM nincs_ilyen"_s}, &err), 0);
    EXPECT_TRUE(err.contains(u"nincs_ilyen"_s)) << err.toStdString();
    EXPECT_NE(cli({u"findings"_s, u"5"_s, bad}, &err), 0);
    EXPECT_TRUE(err.contains(u"nincs leletnyomtatvány"_s)) << err.toStdString();
    EXPECT_NE(cli({u"revenue"_s, u"2024-02-30"_s, u"2024-03-01"_s, bad}, &err), 0);
    EXPECT_TRUE(err.contains(u"Hibás dátum"_s)) << err.toStdString();
    EXPECT_FALSE(QFile::exists(bad));
}

TEST_F(LayoutTest, PagesOntoAPagedDeviceWithProgressAndCancel) {
    const auto r = PrepareFindingsSheet(db(), 6, noLogo());
    for (const int stopAfter : {0, 1}) {
        const QString file = tmp.filePath(u"nyomtato%1.pdf"_s.arg(stopAfter));
        QList<int> seen;
        {
            QPdfWriter device(file);
            device.setResolution(600);
            QPainter painter;
            const int built = r->build(PagedDeviceSink(device, painter, [&](int page) {
                seen << page;
                return stopAfter == 0 || page < stopAfter;
            }));
            painter.end();
            EXPECT_EQ(built, stopAfter == 0 ? 2 : 1);
        }
        EXPECT_EQ(seen, stopAfter == 0 ? (QList<int>{1, 2}) : (QList<int>{1}));
        EXPECT_EQ(pdfPages(file), stopAfter == 0 ? 2 : 1);
        EXPECT_TRUE(pdfText(file).contains(u"Tétel 01 (12345)"_s));
    }
}

TEST_F(LayoutTest, ListTextsAtTheirPlaces) {
    enum Edge { Left, Centre, Right };
    struct Case {
        const char* report;
        QString text;
        Edge edge;
        double x, y; // on the paper, mm
    } cases[] = {
        // The performed list: captions, the item's group header below the 22.2 mm page header, its detail
        // line.
        {"fogyas", u"Dátum"_s, Centre, 10 + 79.4 + 25.5 / 2, 10 + 17.2},
        {"fogyas", u"ár"_s, Right, 10 + 164.0 + 25.5, 10 + 17.2},
        {"fogyas", u"Hasi ultrahang"_s, Left, 10 + 4.0, 10 + 22.2 + 1.3},
        {"fogyas", u"2024. 01. 05."_s, Centre, 10 + 79.4 + 25.5 / 2, 10 + 22.2 + 7.9 + 0.8},
        {"fogyas", u"Végzett vizsgálatok"_s, Left, 10 + 0.7, 10 + 1.3},
        // Items by examination: the examination's header block and the centred WHO code.
        {"osszesen", u"WHO"_s, Centre, 10 + 59.5 + 20.2 / 2, 10 + 17.2},
        {"osszesen", u"00001"_s, Left, 10 + 2.6, 10 + 22.2 + 1.3},
        {"osszesen", u"Általános ultrahang vizsgálat"_s, Right, 10 + 129.6 + 58.5, 10 + 22.2 + 1.3},
        {"osszesen", u"Kovács Éva"_s, Right, 10 + 131.0 + 57.2, 10 + 22.2 + 5.3},
        {"osszesen", u"12345"_s, Centre, 10 + 59.5 + 20.2 / 2, 10 + 22.2 + 11.9 + 0.8},
        // The patient list.
        {"ugyfel", u"Páciensek listája"_s, Left, 10 + 0.7, 10 + 1.3},
        {"ugyfel", u"névsorban"_s, Left, 10 + 1.0, 10 + 9.3},
        {"ugyfel", u"Utoljára"_s, Left, 10 + 168.0, 10 + 18.5},
        {"ugyfel", u"Kovács Éva"_s, Left, 10, 10 + 23.5 + 0.8},
        {"ugyfel", u"1051 Budapest, Fő utca 1."_s, Right, 200, 10 + 6.6},
        {"ugyfel", u"qrUgyfel"_s, Right, 200, 297 - 10 - 14.6 + 9.3},
        {"ugyfel", u"oldal: 1"_s, Left, 10, 297 - 10 - 14.6 + 9.3},
    };
    std::map<std::string, ReportPage> pages;
    pages["fogyas"] = PreparePerformedList(db(), QDate(2024, 1, 1), QDate(2024, 1, 31)).pages()[0];
    pages["osszesen"] = PrepareExaminationTotals(db(), QDate(2024, 1, 1), QDate(2024, 1, 31)).pages()[0];
    pages["ugyfel"] = PreparePatientList(db(), DefaultPatientListQuery()).pages()[0];
    for (const Case& c : cases) {
        const QRectF b = boxOf(pages[c.report], c.text);
        const double x = c.edge == Left ? b.left() : c.edge == Right ? b.right() : b.center().x();
        EXPECT_NEAR(x, c.x, 1e-6) << c.report << ": " << c.text.toStdString();
        EXPECT_NEAR(b.top(), c.y, 1e-6) << c.report << ": " << c.text.toStdString();
    }
}
