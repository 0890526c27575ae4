#include "core/Config.h"
#include "data/Examinations.h"
#include "db/QueryHelpers.h"
#include "exams/ExamRoutines.h"
#include "exams/Tfrm_Munkalap.h"
#include "exams/Tfrm_Sorhozza.h"
#include "reports/layouts/ReportRuns.h"
#include "support/ScreenTest.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"

#include <QClipboard>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

class ExamTest : public ScreenTest<ExamTest> {
protected:
    static inline int patient = 0, itemA = 0, itemB = 0;
    static void SetUpTestSuite() {
        OpenSuite(u"exams"_s);
        Connection& db = tdb->db();
        db.exec(u"INSERT INTO ugyfel (ugyfel_nev, taj) VALUES ('Kovács Éva', '123-456-789');"_s);
        patient = static_cast<int>(db.lastInsertId());
        db.exec(u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('36400', 'Pajzsmirigy UH', 9000);"_s);
        itemA = static_cast<int>(db.lastInsertId());
        db.exec(u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('', 'Konzultáció', NULL);"_s);
        itemB = static_cast<int>(db.lastInsertId());
    }
    int count(const QString& sql) { return SelectInt(db(), sql, -1); }

    // Drives the examination window that OpenExamination shows, then closes it by the button given.
    int runExamination(int key, int pat, int type, const ExamScreens& screens,
                       std::function<void(Tfrm_Munkalap*)> work) {
        WhenModalShown([work](QWidget* w) {
            w->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(w));
            work(static_cast<Tfrm_Munkalap*>(w));
        });
        return OpenExamination(nullptr, db(), screens, key, pat, type);
    }
    int newExamination(int type) { return CreateExamination(db(), patient, type); }
    // A key pressed where the focus is, as on the keyboard.
    static void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
    }
    // Tab pressed until the focus reaches the widget (a bounded number of times).
    static bool tabTo(QWidget* target) {
        for (int i = 0; i < 60 && QApplication::focusWidget() != target; ++i)
            press(Qt::Key_Tab);
        return QApplication::focusWidget() == target;
    }
    // Every column of the row in hexadecimal: a byte changed anywhere shows.
    std::string rowBytes(int key) {
        QStringList columns;
        const ResultSet names = db().query(u"SHOW COLUMNS FROM munkalap;"_s);
        for (int r = 0; r < names.rowCount(); ++r)
            columns << u"COALESCE(HEX(%1), 'NULL')"_s.arg(names.value(r, 0).text());
        const ResultSet row =
            db().query(u"SELECT %1 FROM munkalap WHERE munkalap = %2;"_s.arg(columns.join(u", "_s)).arg(key));
        QStringList out;
        for (int c = 0; c < row.columnCount(); ++c)
            out << row.value(0, c).text();
        return s(out.join(u" | "_s));
    }
    // The findings sheet as the window prints it: its pages are kept for the test to read.
    ExamScreens printingScreens(std::vector<ReportPage>& pages) {
        ExamScreens screens;
        screens.printFindings = [this, &pages](QWidget*, int key, bool) {
            pages = PrepareFindingsSheet(db(), key, config->path())->pages();
        };
        return screens;
    }
};

// The label beside a measurement box, as the user reads it.
static QString labelOf(QWidget* box) {
    auto* form = qobject_cast<QFormLayout*>(box->parentWidget()->layout());
    QWidget* label = form ? form->labelForField(box) : nullptr;
    return label ? static_cast<QLabel*>(label)->text() : QString();
}

TEST_F(ExamTest, CancelledPatientPickCreatesNothing) {
    const int before = count(u"SELECT COUNT(*) FROM munkalap;"_s);
    ExamScreens screens;
    screens.pickPatient = [](QWidget*) { return -1; };
    EXPECT_EQ(OpenExamination(nullptr, db(), screens, -1, -1, 2), -1);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap;"_s), before);
}

TEST_F(ExamTest, NewExaminationOkAndMegsem) {
    std::vector<ReportPage> pages;
    ExamScreens screens = printingScreens(pages);
    screens.pickItem = [](QWidget*, int) { return itemA; };
    // Mégsem after adding a line and printing leaves neither the examination nor its line behind.
    int seen = 0;
    EXPECT_EQ(runExamination(-1, patient, 2, screens,
                             [&](Tfrm_Munkalap* w) {
                                 seen = w->key();
                                 WhenModalShown(
                                     [](QWidget* d) { static_cast<Tfrm_Sorhozza*>(d)->btnOK->click(); });
                                 w->aUjExecute();
                                 EXPECT_EQ(w->lines()->rowCount(), 1);
                                 w->activateWindow(); // back from the line dialog
                                 ASSERT_TRUE(QTest::qWaitForWindowActive(w));
                                 QTest::mouseClick(w->ePanasz, Qt::LeftButton);
                                 press(Qt::Key_Tab, Qt::ControlModifier);
                                 TypeText(w->mSzoveg, u"Nyomtatás előtt írt lelet."_s);
                                 w->btnNyomtat->click();
                                 ASSERT_FALSE(pages.empty());
                                 EXPECT_TRUE(pages[0].findText(u"Nyomtatás előtt írt lelet."_s))
                                     << s(pages[0].plainText());
                                 w->btnMegsem->click();
                             }),
              -1);
    ASSERT_GT(seen, 0);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap WHERE munkalap = %1;"_s.arg(seen)), 0);
    EXPECT_EQ(count(u"SELECT COUNT(*) FROM munkalap_tetel WHERE munkalap = %1;"_s.arg(seen)), 0);

    // OK stores what was typed, and the finishing procedure ran once (status 1).
    const int key = runExamination(-1, patient, 2, screens, [&](Tfrm_Munkalap* w) {
        EXPECT_EQ(s(w->eBeteg->text()), "Kovács Éva");
        EXPECT_EQ(s(w->eTaj->text()), "123-456-789");
        QTest::mouseClick(w->ePanasz, Qt::LeftButton);
        TypeText(w->ePanasz, u"Nyaki duzzanat"_s);
        QApplication::clipboard()->setText(u"\nlázas"_s); // a line break can come in by pasting
        press(Qt::Key_V, Qt::ControlModifier);
        // A finding printed, then taken back: OK stores the empty text the window shows.
        press(Qt::Key_Tab, Qt::ControlModifier);
        TypeText(w->mSzoveg, u"Tévedés"_s);
        w->btnNyomtat->click();
        for (int i = 0; i < 7; ++i)
            press(Qt::Key_Backspace);
        w->btnOK->click();
    });
    ASSERT_GT(key, 0);
    const ResultSet row =
        db().query(u"SELECT panaszok, statusz, szoveg FROM munkalap WHERE munkalap = %1;"_s.arg(key));
    EXPECT_EQ(s(row.value(0, 0).text()), "Nyaki duzzanat\r\nlázas");
    EXPECT_EQ(row.value(0, 1).toInt(), 1);
    EXPECT_EQ(s(row.value(0, 2).text()), "");
}

// Each type's measurements, the texts and the complaint the way a user meets them: stored values on
// screen, typed ones saved on OK, untouched ones kept, the sheet printed from the open window showing
// all of it, and an examination opened and closed with OK left byte for byte as it was.
TEST_F(ExamTest, EveryTypeKeepsWhatWasTypedAndPrintsIt) {
    const QStringList leg{u"AFC"_s, u"AFS"_s, u"AP"_s, u"A.peronea"_s, u"ATP"_s, u"ATA"_s, u"ADP"_s};
    const struct {
        int type;
        QString tab;
        QStringList labels; // the boxes in the order Tab reaches them: m01, m02, ...
    } types[] = {
        {1, {}, {}},
        {2, u"Pajzsmirigy UH"_s, {u"Bal oldalon"_s, u"Jobb oldalon"_s, u"Isthmus"_s}},
        {3, u"Nyaki erek"_s, {u"ACI"_s, u"ACE"_s, u"ACC"_s, u"ACI"_s, u"ACE"_s, u"ACC"_s, u"AV"_s}},
        {4, u"Alsó végtagi erek"_s, leg + leg},
    };
    const auto column = [](int i) { return u"m%1"_s.arg(i + 1, 2, 10, QChar(u'0')); };
    for (const auto& c : types) {
        SCOPED_TRACE(c.type);
        const int key = newExamination(c.type);
        // Stored values in every measurement column, the unused ones too.
        QStringList sets;
        for (int i = 0; i < 20; ++i)
            sets << u"%1 = 'tárolt %2-%3'"_s.arg(column(i)).arg(c.type).arg(i + 1);
        db().exec(u"UPDATE munkalap SET %1 WHERE munkalap = %2;"_s.arg(sets.join(u", "_s)).arg(key));
        // Odd boxes typed over, even ones left as stored.
        const auto expected = [&](int i) {
            return (i % 2 == 0 ? u"új %1-%2"_s : u"tárolt %1-%2"_s).arg(c.type).arg(i + 1);
        };

        std::vector<ReportPage> pages;
        runExamination(key, -1, c.type, printingScreens(pages), [&](Tfrm_Munkalap* w) {
            // The tab strip holds the type's own tabs only; Ctrl+Tab goes round them.
            const int count = c.tab.isEmpty() ? 2 : 3;
            ASSERT_EQ(w->tabs->count(), count);
            if (count == 3) {
                EXPECT_EQ(s(w->tabs->tabText(2)), s(c.tab));
            }
            QTest::mouseClick(w->ePanasz, Qt::LeftButton);
            TypeText(w->ePanasz, u"Fejfájás"_s);
            for (int step = 1; step <= count; ++step) {
                press(Qt::Key_Tab, Qt::ControlModifier);
                EXPECT_EQ(w->tabs->currentIndex(), step % count);
            }
            // The arrows on the strip stop at the last tab the type has.
            ASSERT_TRUE(tabTo(w->tabs->findChild<QTabBar*>()));
            for (int step = 0; step < count; ++step)
                press(Qt::Key_Right);
            EXPECT_EQ(w->tabs->currentIndex(), count - 1);
            press(Qt::Key_Left);
            EXPECT_EQ(w->tabs->currentIndex(), count - 2);

            // The findings in three paragraphs and the opinion, typed on the text tab.
            while (w->tabs->currentIndex() != 1)
                press(Qt::Key_Tab, Qt::ControlModifier);
            ASSERT_TRUE(tabTo(w->mSzoveg));
            TypeText(w->mSzoveg, u"Első bekezdés."_s);
            press(Qt::Key_Return);
            TypeText(w->mSzoveg, u"Második bekezdés."_s);
            press(Qt::Key_Return);
            TypeText(w->mSzoveg, u"Harmadik bekezdés."_s);
            press(Qt::Key_Tab);
            ASSERT_EQ(QApplication::focusWidget(), w->mVelemeny);
            TypeText(w->mVelemeny, u"Kontroll egy év múlva."_s);

            // The measurement tab: each box shows its stored value beside its label; odd ones typed over.
            if (count == 3) {
                press(Qt::Key_Tab, Qt::ControlModifier);
                ASSERT_EQ(w->tabs->currentIndex(), 2);
                for (int i = 0; i < c.labels.size(); ++i) {
                    auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
                    ASSERT_TRUE(box && w->tabs->currentWidget()->isAncestorOf(box)) << i;
                    EXPECT_EQ(s(labelOf(box)), s(c.labels[i]));
                    EXPECT_EQ(s(box->text()), s(u"tárolt %1-%2"_s.arg(c.type).arg(i + 1)));
                    if (i % 2 == 0) {
                        press(Qt::Key_A, Qt::ControlModifier);
                        TypeText(box, expected(i));
                    }
                    press(Qt::Key_Tab);
                }
            }
            // The preview saves the row with its texts first, so the sheet shows what was just typed.
            w->btnElokep->click();
            ASSERT_FALSE(pages.empty());
            for (const QString& text : {u"Fejfájás"_s, u"Első bekezdés."_s, u"Második bekezdés."_s,
                                        u"Harmadik bekezdés."_s, u"Kontroll egy év múlva."_s})
                EXPECT_TRUE(pages[0].findText(text)) << s(text) << "\n" << s(pages[0].plainText());
            for (int i = 0; i < c.labels.size(); ++i)
                EXPECT_TRUE(pages[0].findText(expected(i))) << s(expected(i)) << "\n"
                                                            << s(pages[0].plainText());
            w->btnOK->click();
        });

        const ResultSet row = db().query(
            u"SELECT panaszok, szoveg, velemeny, statusz, m01, m02, m03, m04, m05, m06, m07, m08, m09, m10, "
            u"m11, "
            u"m12, m13, m14, m15, m16, m17, m18, m19, m20 FROM munkalap WHERE munkalap = %1;"_s.arg(key));
        EXPECT_EQ(s(row.value(0, 0).text()), "Fejfájás");
        EXPECT_EQ(s(row.value(0, 1).text()), "Első bekezdés.\r\nMásodik bekezdés.\r\nHarmadik bekezdés.");
        EXPECT_EQ(s(row.value(0, 2).text()), "Kontroll egy év múlva.");
        EXPECT_EQ(row.value(0, 3).toInt(), 1);
        for (int i = 0; i < 20; ++i) {
            const QString want = i < c.labels.size() ? expected(i) : u"tárolt %1-%2"_s.arg(c.type).arg(i + 1);
            EXPECT_EQ(s(row.value(0, 4 + i).text()), s(want)) << s(column(i));
        }

        // Reopened: the saved values are on screen; OK without an edit changes no byte, a text with
        // CR LF, a lone LF (written by another tool) and a no-break space included.
        db().exec(u"UPDATE munkalap SET velemeny = CONCAT('Egy', CHAR(13), CHAR(10), 'kettő', CHAR(10), "
                  u"'három', CHAR(160), 'négy', CHAR(13), CHAR(10)) WHERE munkalap = %1;"_s.arg(key));
        const std::string before = rowBytes(key);
        runExamination(key, -1, c.type, {}, [&](Tfrm_Munkalap* w) {
            EXPECT_EQ(s(w->ePanasz->text()), "Fejfájás");
            QTest::mouseClick(w->ePanasz, Qt::LeftButton);
            press(Qt::Key_Tab, Qt::ControlModifier);
            EXPECT_EQ(s(w->mSzoveg->toPlainText()), "Első bekezdés.\nMásodik bekezdés.\nHarmadik bekezdés.");
            if (!c.labels.isEmpty()) {
                press(Qt::Key_Tab, Qt::ControlModifier);
                for (int i = 0; i < c.labels.size(); ++i) {
                    auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
                    ASSERT_TRUE(box);
                    EXPECT_EQ(s(box->text()), s(expected(i)));
                    press(Qt::Key_Tab);
                }
            }
            w->btnOK->click();
        });
        EXPECT_EQ(rowBytes(key), before);
    }
}

// The line items through their keys: Ins, F2 and Ctrl+Del, the price typed in the line dialog.
TEST_F(ExamTest, LinesKeepTheTotal) {
    const int key = newExamination(1);
    int pick = itemA;
    ExamScreens screens;
    screens.pickItem = [&](QWidget*, int) { return pick; };
    // A key of the examination window; a line dialog it opens is handled by the dialog action.
    const auto pressKey = [](Tfrm_Munkalap* w, int k, Qt::KeyboardModifiers m,
                             std::function<void(QWidget*)> dialog) {
        if (dialog)
            WhenModalShown([dialog](QWidget* d) {
                d->activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(d));
                dialog(d);
            });
        press(k, m);
        w->activateWindow(); // back from the dialog
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
    };
    const auto accept = [](QWidget* d) { static_cast<Tfrm_Sorhozza*>(d)->btnOK->click(); };
    const auto price = [](const QString& text) {
        return [text](QWidget* d) {
            auto* dialog = static_cast<Tfrm_Sorhozza*>(d);
            QTest::mouseClick(dialog->eAr, Qt::LeftButton);
            press(Qt::Key_A, Qt::ControlModifier);
            TypeText(dialog->eAr, text);
            dialog->btnOK->click();
        };
    };
    runExamination(key, -1, 1, screens, [&](Tfrm_Munkalap* w) {
        QTest::mouseClick(w->ePanasz, Qt::LeftButton);
        pressKey(w, Qt::Key_Insert, Qt::NoModifier, accept);
        pick = itemB; // a NULL price gives 0
        pressKey(w, Qt::Key_Insert, Qt::NoModifier, accept);
        EXPECT_EQ(w->lines()->rowCount(), 2);
        EXPECT_EQ(s(w->eOsszesen->text()), s(FormatFt(9000)));
        // Editing the first line's price: "12,5" reads as twelve and a half; the item keeps its price.
        QTest::mouseClick(w->gridTetel->viewport(), Qt::LeftButton, {},
                          w->gridTetel->visualRect(w->gridTetel->model()->index(0, 0)).center());
        pick = itemA;
        pressKey(w, Qt::Key_F2, Qt::NoModifier, price(u"12,5"_s));
        EXPECT_DOUBLE_EQ(
            SelectFloat(db(), u"SELECT SUM(ar) FROM munkalap_tetel WHERE munkalap = %1;"_s.arg(key), 0),
            12.5);
        EXPECT_DOUBLE_EQ(SelectFloat(db(), u"SELECT ar FROM tetel WHERE tetel = %1;"_s.arg(itemA), 0), 9000);
        // A price that is no number is refused and the dialog stays open.
        pressKey(w, Qt::Key_F2, Qt::NoModifier, [&](QWidget* d) {
            auto* dialog = static_cast<Tfrm_Sorhozza*>(d);
            QTest::mouseClick(dialog->eAr, Qt::LeftButton);
            press(Qt::Key_A, Qt::ControlModifier);
            TypeText(dialog->eAr, u"abc"_s);
            dialog->btnOK->click();
            EXPECT_TRUE(dialog->isVisible());
            dialog->btnMegsem->click();
        });
        EXPECT_TRUE(messages.last().contains(u"abc"_s)) << s(messages.last());
        // Deleting both lines brings the total to 0.
        pressKey(w, Qt::Key_Delete, Qt::ControlModifier, {});
        pressKey(w, Qt::Key_Delete, Qt::ControlModifier, {});
        EXPECT_EQ(w->lines()->rowCount(), 0);
        EXPECT_EQ(s(w->eOsszesen->text()), s(FormatFt(0)));
        pressKey(w, Qt::Key_F2, Qt::NoModifier, {}); // nothing to edit: no dialog opens
        w->btnOK->click();
    });
    EXPECT_DOUBLE_EQ(SelectFloat(db(), u"SELECT ar_ossz FROM munkalap WHERE munkalap = %1;"_s.arg(key), -1),
                     0);
}

TEST_F(ExamTest, ClosedExaminationCannotBeSaved) {
    const int key = newExamination(3);
    db().exec(u"UPDATE munkalap SET statusz = 3, panaszok = 'régi' WHERE munkalap = %1;"_s.arg(key));
    EXPECT_EQ(runExamination(key, -1, 3, {},
                             [&](Tfrm_Munkalap* w) {
                                 EXPECT_FALSE(w->btnOK->isEnabled());
                                 EXPECT_EQ(s(w->tabs->tabText(2)), "Nyaki erek");
                                 w->ePanasz->setText(u"új"_s);
                                 w->btnMegsem->click();
                             }),
              -1);
    EXPECT_EQ(s(SelectText(db(), u"SELECT panaszok FROM munkalap WHERE munkalap = %1;"_s.arg(key), {})),
              "régi");
    // No status at all counts as 0: the examination can be saved.
    db().exec(u"UPDATE munkalap SET statusz = NULL WHERE munkalap = %1;"_s.arg(key));
    EXPECT_EQ(runExamination(key, -1, 3, {},
                             [](Tfrm_Munkalap* w) {
                                 EXPECT_TRUE(w->btnOK->isEnabled());
                                 w->btnOK->click();
                             }),
              key);
}

TEST_F(ExamTest, SnippetGoesIntoTheEditorEnteredLast) {
    const int key = newExamination(2);
    QString searched;
    ExamScreens screens;
    screens.pickSnippet = [&](QWidget*, const QString& search) -> std::optional<QString> {
        searched = search;
        return u"normál méretű"_s;
    };
    runExamination(key, -1, 2, screens, [&](Tfrm_Munkalap* w) {
        QTest::mouseClick(w->ePanasz, Qt::LeftButton);
        press(Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(w->snippetTarget(), w->mSzoveg);
        press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), w->mVelemeny);
        TypeText(w->mVelemeny, u"A pajzsmirigy kicsi."_s);
        press(Qt::Key_Left);
        press(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier); // "kicsi" selected
        press(Qt::Key_Tab, Qt::ControlModifier); // a measurement box does not change the target
        ASSERT_TRUE(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        press(Qt::Key_B, Qt::ControlModifier); // the shortcut no desktop takes, named in the hint
        EXPECT_TRUE(w->aBeszur->toolTip().contains(u"Ctrl+B"_s)) << s(w->aBeszur->toolTip());
        EXPECT_EQ(s(searched), "kicsi");
        EXPECT_EQ(s(w->mVelemeny->toPlainText()), "A pajzsmirigy normál méretű.");
        searched = u"-"_s;
        press(Qt::Key_Space, Qt::AltModifier); // the old shortcut still works
        EXPECT_EQ(s(searched), "");
        w->btnOK->click();
    });
    EXPECT_EQ(s(SelectText(db(), u"SELECT velemeny FROM munkalap WHERE munkalap = %1;"_s.arg(key), {})),
              "A pajzsmirigy normál méretűnormál méretű.");
}

TEST_F(ExamTest, TwoWorkstationsGetTheirOwnKeysAndFields) {
    Connection second;
    second.open(tdb->params());
    ExecSql(db(), u"CALL sp_ujmunkalap(%1, 1);"_s.arg(patient));
    ExecSql(second, u"CALL sp_ujmunkalap(%1, 1);"_s.arg(patient));
    const int mine = SelectInt(db(), u"SELECT LAST_INSERT_ID();"_s, 0);
    const int theirs = SelectInt(second, u"SELECT LAST_INSERT_ID();"_s, 0);
    EXPECT_NE(mine, theirs);
    EXPECT_LT(mine, theirs); // the highest key is the other workstation's
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
    const int key = newExamination(1);
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
    EXPECT_EQ(s(SelectText(db(), u"SELECT panaszok FROM munkalap WHERE munkalap = %1;"_s.arg(key), {})),
              "Égető fájdalom");
}

TEST_F(ExamTest, TextsTooLongForTheSheetAreAnnouncedOnOkAndPrint) {
    const int key = newExamination(1);
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
