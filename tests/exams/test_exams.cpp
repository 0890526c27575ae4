#include "core/Config.h"
#include "db/QueryHelpers.h"
#include "exams/ExamRoutines.h"
#include "exams/Tfrm_Munkalap.h"
#include "exams/Tfrm_Sorhozza.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static std::string s(const QString& q) { return q.toStdString(); }

class ExamTest : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static inline QTemporaryDir* config = nullptr;
    static inline int patient = 0, itemA = 0, itemB = 0;
    static void SetUpTestSuite() {
        TestApplication();
        config = new QTemporaryDir;
        SetConfigLocation(config->path());
        tdb = new TestDatabase(u"exams"_s);
        Connection& db = tdb->db();
        db.exec(u"INSERT INTO ugyfel (ugyfel_nev, taj) VALUES ('Kovács Éva', '123-456-789');"_s);
        patient = static_cast<int>(db.lastInsertId());
        db.exec(u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('36400', 'Pajzsmirigy UH', 9000);"_s);
        itemA = static_cast<int>(db.lastInsertId());
        db.exec(u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('', 'Konzultáció', NULL);"_s);
        itemB = static_cast<int>(db.lastInsertId());
    }
    static void TearDownTestSuite() {
        delete tdb;
        delete config;
    }
    Connection& db() { return tdb->db(); }
    int count(const QString& sql) { return SelectInt(db(), sql, -1); }
    MessageRecorder messages;

    // Drives the examination window that OpenExamination shows, then closes it by the button given.
    int runExamination(int key, int pat, int type, const ExamScreens& screens,
                       std::function<void(Tfrm_Munkalap*)> work) {
        WhenModalShown([work](QWidget* w) { work(static_cast<Tfrm_Munkalap*>(w)); });
        return OpenExamination(nullptr, db(), screens, key, pat, type);
    }
};

TEST_F(ExamTest, CancelledPatientPickCreatesNothing) {
    const int before = count(u"SELECT COUNT(*) FROM munkalap;"_s);
    ExamScreens screens;
    screens.pickPatient = [](QWidget*) { return -1; };
    EXPECT_EQ(OpenExamination(nullptr, db(), screens, -1, -1, 2), -1);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap;"_s), before);
}

TEST_F(ExamTest, NewExaminationOkAndMegsem) {
    ExamScreens screens;
    screens.pickItem = [](QWidget*, int) { return itemA; };
    // Mégsem after adding a line leaves neither the examination nor its line behind.
    int seen = 0;
    EXPECT_EQ(runExamination(-1, patient, 2, screens, [&](Tfrm_Munkalap* w) {
                  seen = w->key();
                  WhenModalShown([](QWidget* d) { static_cast<Tfrm_Sorhozza*>(d)->btnOK->click(); });
                  w->aUjExecute();
                  EXPECT_EQ(w->lines()->rowCount(), 1);
                  w->btnMegsem->click();
              }),
              -1);
    ASSERT_GT(seen, 0);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap WHERE munkalap = %1;"_s.arg(seen)), 0);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap_tetel WHERE munkalap = %1;"_s.arg(seen)), 0);

    // OK stores the boxes and texts, and the finishing procedure ran once (status 1).
    const int key = runExamination(-1, patient, 2, screens, [&](Tfrm_Munkalap* w) {
        EXPECT_EQ(s(w->eBeteg->text()), "Kovács Éva");
        EXPECT_EQ(s(w->eTaj->text()), "123-456-789");
        EXPECT_TRUE(w->tabs->isTabVisible(2));
        EXPECT_FALSE(w->tabs->isTabVisible(3));
        EXPECT_FALSE(w->tabs->isTabVisible(4));
        w->measurements[u"m01"_s]->setText(u"18 * 15 * 45"_s);
        w->ePanasz->setText(u"Nyaki duzzanat"_s);
        w->mSzoveg->setPlainText(u"Homogén szerkezet.\nKóros eltérés nincs."_s);
        w->btnOK->click();
    });
    ASSERT_GT(key, 0);
    const ResultSet row = db().query(u"SELECT m01, panaszok, szoveg, statusz FROM munkalap WHERE munkalap = %1;"_s.arg(key));
    EXPECT_EQ(s(row.value(0, 0).text()), "18 * 15 * 45");
    EXPECT_EQ(s(row.value(0, 1).text()), "Nyaki duzzanat");
    EXPECT_EQ(s(row.value(0, 2).text()), "Homogén szerkezet.\nKóros eltérés nincs.");
    EXPECT_EQ(row.value(0, 3).toInt(), 1);
}

TEST_F(ExamTest, LinesKeepTheTotal) {
    db().exec(u"CALL sp_ujmunkalap(%1, 1);"_s.arg(patient));
    const int key = SelectInt(db(), u"SELECT LAST_INSERT_ID();"_s, 0);
    int pick = itemA;
    ExamScreens screens;
    screens.pickItem = [&](QWidget*, int) { return pick; };
    runExamination(key, -1, 1, screens, [&](Tfrm_Munkalap* w) {
        for (int i = 2; i <= 4; ++i) EXPECT_FALSE(w->tabs->isTabVisible(i));  // type 1 shows no measurements
        WhenModalShown([](QWidget* d) { static_cast<Tfrm_Sorhozza*>(d)->btnOK->click(); });
        w->aUjExecute();
        pick = itemB;  // a NULL price gives 0
        WhenModalShown([](QWidget* d) { static_cast<Tfrm_Sorhozza*>(d)->btnOK->click(); });
        w->aUjExecute();
        EXPECT_EQ(w->lines()->rowCount(), 2);
        EXPECT_EQ(s(w->eOsszesen->text()), s(FormatFt(9000)));
        // Editing the first line's price: "12,5" reads as twelve and a half; the item keeps its price.
        w->lines()->setCurrentRow(0);
        pick = itemA;
        WhenModalShown([](QWidget* d) {
            auto* dialog = static_cast<Tfrm_Sorhozza*>(d);
            dialog->eAr->setText(u"12,5"_s);
            dialog->btnOK->click();
        });
        w->aSzerkesztExecute();
        EXPECT_DOUBLE_EQ(SelectFloat(db(), u"SELECT SUM(ar) FROM munkalap_tetel WHERE munkalap = %1;"_s.arg(key), 0), 12.5);
        EXPECT_DOUBLE_EQ(SelectFloat(db(), u"SELECT ar FROM tetel WHERE tetel = %1;"_s.arg(itemA), 0), 9000);
        // A price that is no number is refused and the dialog stays open.
        WhenModalShown([&](QWidget* d) {
            auto* dialog = static_cast<Tfrm_Sorhozza*>(d);
            dialog->eAr->setText(u"abc"_s);
            dialog->btnOK->click();
            EXPECT_TRUE(dialog->isVisible());
            dialog->btnMegsem->click();
        });
        w->aSzerkesztExecute();
        EXPECT_TRUE(messages.last().contains(u"abc"_s)) << s(messages.last());
        // Deleting both lines brings the total to 0.
        w->aTorolExecute();
        w->aTorolExecute();
        EXPECT_EQ(w->lines()->rowCount(), 0);
        EXPECT_EQ(s(w->eOsszesen->text()), s(FormatFt(0)));
        w->aSzerkesztExecute();  // nothing to edit: no dialog opens
        w->btnOK->click();
    });
    EXPECT_DOUBLE_EQ(SelectFloat(db(), u"SELECT ar_ossz FROM munkalap WHERE munkalap = %1;"_s.arg(key), -1), 0);
}

TEST_F(ExamTest, ClosedExaminationCannotBeSaved) {
    db().exec(u"CALL sp_ujmunkalap(%1, 3);"_s.arg(patient));
    const int key = SelectInt(db(), u"SELECT LAST_INSERT_ID();"_s, 0);
    db().exec(u"UPDATE munkalap SET statusz = 3, panaszok = 'régi' WHERE munkalap = %1;"_s.arg(key));
    EXPECT_EQ(runExamination(key, -1, 3, {}, [&](Tfrm_Munkalap* w) {
                  EXPECT_FALSE(w->btnOK->isEnabled());
                  EXPECT_TRUE(w->tabs->isTabVisible(3));
                  w->ePanasz->setText(u"új"_s);
                  w->btnMegsem->click();
              }),
              -1);
    EXPECT_EQ(s(SelectText(db(), u"SELECT panaszok FROM munkalap WHERE munkalap = %1;"_s.arg(key), {})), "régi");
    // No status at all counts as 0: the examination can be saved.
    db().exec(u"UPDATE munkalap SET statusz = NULL WHERE munkalap = %1;"_s.arg(key));
    EXPECT_EQ(runExamination(key, -1, 3, {}, [](Tfrm_Munkalap* w) {
                  EXPECT_TRUE(w->btnOK->isEnabled());
                  w->btnOK->click();
              }),
              key);
}

TEST_F(ExamTest, SnippetGoesIntoTheEditorEnteredLast) {
    db().exec(u"CALL sp_ujmunkalap(%1, 2);"_s.arg(patient));
    const int key = SelectInt(db(), u"SELECT LAST_INSERT_ID();"_s, 0);
    QString searched;
    ExamScreens screens;
    screens.pickSnippet = [&](QWidget*, const QString& search) -> std::optional<QString> {
        searched = search;
        return u"normál méretű"_s;
    };
    runExamination(key, -1, 2, screens, [&](Tfrm_Munkalap* w) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        w->tabs->setCurrentIndex(1);
        EXPECT_EQ(w->snippetTarget(), w->mSzoveg);
        w->mVelemeny->setPlainText(u"A pajzsmirigy kicsi."_s);
        w->mVelemeny->setFocus();
        QTextCursor c = w->mVelemeny->textCursor();
        c.setPosition(14);
        c.setPosition(19, QTextCursor::KeepAnchor);  // "kicsi"
        w->mVelemeny->setTextCursor(c);
        w->measurements[u"m01"_s]->setFocus();  // a measurement box does not change the target
        w->aBeszurExecute();
        EXPECT_EQ(s(searched), "kicsi");
        EXPECT_EQ(s(w->mVelemeny->toPlainText()), "A pajzsmirigy normál méretű.");
        w->btnOK->click();
    });
    EXPECT_EQ(s(SelectText(db(), u"SELECT velemeny FROM munkalap WHERE munkalap = %1;"_s.arg(key), {})),
              "A pajzsmirigy normál méretű.");
}

TEST_F(ExamTest, TwoWorkstationsGetTheirOwnKeysAndFields) {
    Connection second;
    second.open(tdb->params());
    ExecSql(db(), u"CALL sp_ujmunkalap(%1, 1);"_s.arg(patient));
    ExecSql(second, u"CALL sp_ujmunkalap(%1, 1);"_s.arg(patient));
    const int mine = SelectInt(db(), u"SELECT LAST_INSERT_ID();"_s, 0);
    const int theirs = SelectInt(second, u"SELECT LAST_INSERT_ID();"_s, 0);
    EXPECT_NE(mine, theirs);
    EXPECT_LT(mine, theirs);  // the highest key is the other workstation's
    // Two windows on one examination: each saves only what it changed.
    runExamination(mine, -1, 1, {}, [&](Tfrm_Munkalap* w) {
        second.exec(u"UPDATE munkalap SET cim = 'Másik gép címe' WHERE munkalap = %1;"_s.arg(mine));
        w->ePanasz->setText(u"Fejfájás"_s);
        w->btnOK->click();
    });
    const ResultSet row = db().query(u"SELECT cim, panaszok FROM munkalap WHERE munkalap = %1;"_s.arg(mine));
    EXPECT_EQ(s(row.value(0, 0).text()), "Másik gép címe");
    EXPECT_EQ(s(row.value(0, 1).text()), "Fejfájás");
}

TEST_F(ExamTest, RefusedSaveKeepsTheWindowOpen) {
    db().exec(u"CALL sp_ujmunkalap(%1, 1);"_s.arg(patient));
    const int key = SelectInt(db(), u"SELECT LAST_INSERT_ID();"_s, 0);
    runExamination(key, -1, 1, {}, [&](Tfrm_Munkalap* w) {
        w->ePanasz->setText(u"Жгучая боль"_s);
        w->btnOK->click();
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(messages.last().contains(u"„Ж”"_s)) << s(messages.last());
        EXPECT_EQ(s(w->ePanasz->text()), "Жгучая боль");
        w->ePanasz->setText(u"Égető fájdalom"_s);
        w->btnOK->click();
        EXPECT_FALSE(w->isVisible());
    });
    EXPECT_EQ(s(SelectText(db(), u"SELECT panaszok FROM munkalap WHERE munkalap = %1;"_s.arg(key), {})), "Égető fájdalom");
}

TEST_F(ExamTest, TextsTooLongForTheSheetAreAnnouncedOnOkAndPrint) {
    db().exec(u"CALL sp_ujmunkalap(%1, 1);"_s.arg(patient));
    const int key = SelectInt(db(), u"SELECT LAST_INSERT_ID();"_s, 0);
    int printed = 0;
    ExamScreens screens;
    screens.printFindings = [&](QWidget*, int, bool) { ++printed; };
    QString typed;
    QList<MessageRecorder::Entry> beforeOk;
    runExamination(key, -1, 1, screens, [&](Tfrm_Munkalap* w) {
        // The text tab through the tab strip's key, the findings by a click, eighty typed lines; the
        // window is closed whatever happens, so that a failure cannot leave it waiting.
        w->activateWindow();
        if (QTest::qWaitForWindowActive(w)) {
            QTest::keyClick(w->tabs, Qt::Key_Tab, Qt::ControlModifier);
            QTest::mouseClick(w->mSzoveg->viewport(), Qt::LeftButton);
            for (int i = 1; i <= 80 && QApplication::focusWidget() == w->mSzoveg; ++i) {
                TypeText(w->mSzoveg, u"sor %1"_s.arg(i));
                if (i < 80) QTest::keyClick(w->mSzoveg, Qt::Key_Return);
            }
            typed = w->mSzoveg->toPlainText();
            QTest::mouseClick(w->btnElokep, Qt::LeftButton);
            beforeOk = messages.entries;
        }
        QTest::mouseClick(w->btnOK, Qt::LeftButton);
    });
    EXPECT_EQ(typed.count(u'\n'), 79);
    EXPECT_EQ(printed, 1);
    // Print told it once, OK once more.
    ASSERT_EQ(beforeOk.size(), 1);
    EXPECT_EQ(beforeOk[0].kind, MessageKind::Info);
    EXPECT_TRUE(beforeOk[0].text.contains(u"Vizsgálati eredmény"_s)) << s(beforeOk[0].text);
    EXPECT_FALSE(beforeOk[0].text.contains(u"Vélemény"_s)) << s(beforeOk[0].text);
    ASSERT_EQ(messages.entries.size(), 2);
    EXPECT_TRUE(messages.last().contains(u"külön lapra"_s)) << s(messages.last());

    // A short text fits: OK says nothing.
    runExamination(key, -1, 1, screens, [&](Tfrm_Munkalap* w) {
        w->mSzoveg->setPlainText(u"Rövid lelet."_s);
        QTest::mouseClick(w->btnOK, Qt::LeftButton);
    });
    EXPECT_EQ(messages.entries.size(), 2);
}
