#include "app/Wiring.h"
#include "core/Config.h"
#include "db/QueryHelpers.h"
#include "exams/Tfrm_Munkalap.h"
#include "exams/Tfrm_Sorhozza.h"
#include "export-ui/Tfrm_Hatarolt.h"
#include "master/MasterBrowser.h"
#include "reports-ui/ReportOutput.h"
#include "reports-ui/ReportRoutines.h"
#include "reports-ui/Tfrm_MunkalapBongeszo.h"
#include "reports-ui/Tfrm_WhoOssz.h"
#include "support/ScreenTest.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

class ReportScreensTest : public ScreenTest<ReportScreensTest> {
protected:
    static inline int patient = 0, lonely = 0, item = 0;
    static void SetUpTestSuite() {
        OpenSuite(u"reportsui"_s);
        Connection& db = tdb->db();
        db.exec(u"INSERT INTO ugyfel (ugyfel_nev) VALUES ('Őz Ödön'), ('Magányos Márta');"_s);
        patient = SelectInt(db, u"SELECT ugyfel FROM ugyfel WHERE ugyfel_nev = 'Őz Ödön';"_s, 0);
        lonely = patient + 1;
        db.exec(u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('36400', 'Pajzsmirigy UH', 9000);"_s);
        item = static_cast<int>(db.lastInsertId());
        db.exec(u"INSERT INTO munkalap (ev, sorszam, mlaptipus, cim, ugyfel, datum, statusz, ar_ossz, "
                u"szoveg, storno) VALUES "
                u"(2024, 1, 2, 'Pajzsmirigy', %1, '2024-01-10', 1, 500, 'első lelet', 'N'),"
                u"(2024, 2, 3, 'Nyaki erek', %1, '2024-01-12', 1, 100, 'második lelet', 'N'),"
                u"(2024, 3, 1, 'Törölt', %1, '2024-01-13', 1, 50, '', 'I');"_s.arg(patient));
        db.exec(u"INSERT INTO munkalap_tetel (munkalap, tetel, tetel_nev, ar) SELECT munkalap, %1, "
                u"'Pajzsmirigy UH', ar_ossz "
                u"FROM munkalap;"_s.arg(item));
        db.exec(u"INSERT INTO munkalap_tetel (munkalap, tetel, tetel_nev, ar) SELECT MIN(munkalap), NULL, "
                u"'Kód nélkül', 1 "
                u"FROM munkalap;"_s);
    }
};

TEST_F(ReportScreensTest, HistoryListsThePatientsKeptExaminations) {
    Tfrm_MunkalapBongeszo w(nullptr, db(), patient);
    w.show();
    EXPECT_EQ(s(w.title->text()), "Őz Ödön  ");
    ASSERT_EQ(w.list()->rowCount(), 2); // the cancelled one is left out
    EXPECT_EQ(s(w.mSzoveg->toPlainText()), "első lelet");
    EXPECT_EQ(w.list()->model()->background(0, 1), QColor(0xE6, 0xF2, 0xFF)); // thyroid
    EXPECT_NEAR(w.splitter->sizes().value(1), w.width() * 0.4, 4);            // less the splitter handle
    w.sortBy(4); // "Ár" orders by ar_ossz, ascending, twice the same
    w.sortBy(4);
    EXPECT_EQ(w.list()->model()->value(0, u"ar_ossz"_s).toInt(), 100);
    EXPECT_EQ(w.list()->model()->highlightedColumn(), 4);
    EXPECT_EQ(s(w.status->findChild<QLabel*>()->text()), "2: 1");

    Tfrm_MunkalapBongeszo empty(nullptr, db(), lonely);
    EXPECT_EQ(empty.list()->rowCount(), 0);
    WhenModalShown([](QWidget* d) { // the choice: "Vizsgálati lelet"; no examination, so nothing opens
        for (auto* b : d->findChildren<QPushButton*>())
            if (b->text() == u"OK"_s) b->click();
    });
    empty.aNyomtatExecute(); // returns without a preview to close
}

// At its first showing on a common workstation screen the number, type, date and price columns show
// their texts whole, left of the text panel.
TEST_F(ReportScreensTest, HistoryColumnsAreReadableAtTheDefaultSize) {
    SetWorkArea({0, 0, 1366, 768});
    db().exec(u"INSERT INTO ugyfel (ugyfel_nev) VALUES ('Hosszú Hanna');"_s);
    const int hanna = static_cast<int>(db().lastInsertId());
    db().exec(u"INSERT INTO munkalap (ev, sorszam, mlaptipus, cim, ugyfel, datum, ar_ossz, panaszok, storno) "
              u"VALUES "
              u"(2024, 12345, 4, 'Alsó végtagi erek Doppler vizsgálata', %1, '2024-12-31', 1234567, "
              u"'Zsibbadás, hideg lábak, járáskor fájdalom a vádliban', 'N');"_s.arg(hanna));
    Tfrm_MunkalapBongeszo w(nullptr, db(), hanna);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QAbstractItemView* view = w.grid;
    for (int column : {0, 1, 2, 4}) {
        const int needed =
            std::max(view->sizeHintForColumn(column), w.grid->horizontalHeader()->sectionSizeHint(column));
        EXPECT_GE(w.grid->columnWidth(column), needed) << column;
        EXPECT_LE(w.grid->columnViewportPosition(column) + w.grid->columnWidth(column),
                  w.grid->viewport()->width())
            << column;
    }
}

TEST_F(ReportScreensTest, WhoSummaryGroupsThePeriod) {
    Tfrm_WhoOssz w(nullptr, db(), QDate(2024, 1, 1), QDate(2024, 1, 12));
    EXPECT_EQ(s(w.title->text()), "Összesítés: 2024.01.01 - 2024.01.12  ");
    ASSERT_EQ(w.list()->rowCount(), 2); // the empty WHO code is a group of its own, sorted first
    EXPECT_EQ(s(w.list()->model()->value(0, u"who"_s).text()), "");
    EXPECT_EQ(w.list()->model()->value(1, u"db"_s).toInt(), 2);
    EXPECT_EQ(s(w.list()->model()->displayText(1, 3)), s(FormatFt(600)));
    w.sortBy(2); // "Darab"
    EXPECT_EQ(w.list()->model()->value(0, u"db"_s).toInt(), 1);
    EXPECT_TRUE(w.list()->sql().contains(u"WHERE (datum BETWEEN '2024-01-01' AND '2024-01-12')"_s));
}

TEST_F(ReportScreensTest, ExportOfTheWhoSummaryHeadsItsColumnsWithTheGridsCaptions) {
    Tfrm_WhoOssz w(nullptr, db(), QDate(2024, 1, 1), QDate(2024, 1, 12));
    w.show();
    QTemporaryDir dir;
    // Ctrl+E, a file name typed into "Filenév", "Export indítás"; the second time with the field names.
    const auto exportTo = [&](const QString& file, bool fieldNames) {
        WhenModalShown([&](QWidget* d) {
            auto* dialog = dynamic_cast<Tfrm_Hatarolt*>(d);
            ASSERT_NE(dialog, nullptr);
            dialog->eFilenev->clear();
            TypeText(dialog->eFilenev, file);
            if (fieldNames) QTest::mouseClick(dialog->chkEredeti, Qt::LeftButton);
            QTest::mouseClick(dialog->btnIndit, Qt::LeftButton);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier);
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readLine() : QByteArray();
    };
    EXPECT_EQ(exportTo(dir.filePath(u"who.csv"_s), false), QByteArray("WHO;T\xE9tel;Darab;\xC1r;\r\n"));
    EXPECT_EQ(exportTo(dir.filePath(u"mezok.csv"_s), true), QByteArray("who;tetel_nev;db;ar;\r\n"));
}

TEST_F(ReportScreensTest, PreviewShowsThePagesAndPrintingWithoutPrinterSaysSo) {
    const int key = SelectInt(db(), u"SELECT MIN(munkalap) FROM munkalap;"_s, 0);
    bool previewed = false;
    WhenModalShown([&](QWidget* d) {
        previewed = qobject_cast<QPrintPreviewDialog*>(d) != nullptr;
        static_cast<QDialog*>(d)->reject();
    });
    PrintFindingsSheet(nullptr, db(), key, false);
    EXPECT_TRUE(previewed);
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        PrintFindingsSheet(nullptr, db(), key, true);
        EXPECT_TRUE(messages.last().contains(u"Nincs telepített nyomtató"_s)) << s(messages.last());
    }
    EXPECT_EQ(RunPrinterName(u"nincs ilyen nyomtató"_s), QPrinterInfo::defaultPrinterName());
}

// The whole road of one examination with the real pickers: the patient browser, the item browser, the
// snippet browser, OK.
TEST_F(ReportScreensTest, ExaminationWithTheRealBrowsers) {
    db().exec(u"INSERT INTO szotar (cim, szoveg) VALUES ('Normál', 'Kóros eltérés nem látható.');"_s);
    const auto pick = [](QWidget* d, const QString& search) {
        auto* browser = static_cast<Tfrm_Torzs*>(d);
        if (!search.isEmpty()) browser->searchBox()->setText(search);
        browser->aElfogad->trigger();
    };
    WhenModalShown([&](QWidget* d) {
        EXPECT_EQ(s(d->windowTitle()), "Ügyfél választás");
        pick(d, u"Őz"_s);
        WhenModalShown([&](QWidget* w) {
            auto* exam = static_cast<Tfrm_Munkalap*>(w);
            EXPECT_EQ(s(exam->eBeteg->text()), "Őz Ödön");
            WhenModalShown([&](QWidget* items) {
                pick(items, u"36400"_s);
                WhenModalShown([](QWidget* line) { static_cast<Tfrm_Sorhozza*>(line)->btnOK->click(); });
            });
            exam->aUjExecute();
            WhenModalShown([&](QWidget* snippets) { pick(snippets, {}); });
            exam->aBeszurExecute();
            EXPECT_EQ(s(exam->mSzoveg->toPlainText()), "Kóros eltérés nem látható.");
            EXPECT_EQ(s(exam->eOsszesen->text()), s(FormatFt(9000)));
            exam->btnOK->click();
        });
    });
    const int key = OpenExamination(nullptr, db(), StandardExamScreens(db()), -1, -1, 2);
    ASSERT_GT(key, 0);
    EXPECT_DOUBLE_EQ(SelectFloat(db(), u"SELECT ar_ossz FROM munkalap WHERE munkalap = %1;"_s.arg(key), 0),
                     9000);
    EXPECT_EQ(SelectInt(db(), u"SELECT ugyfel FROM munkalap WHERE munkalap = %1;"_s.arg(key), 0), patient);
}
