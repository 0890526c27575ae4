#include "core/Config.h"
#include "core/Errors.h"
#include "support/ModelCheck.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"
#include "ui/BrowseList.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static std::string s(const QString& q) {
    return q.toStdString();
}

class UiTest : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() {
        TestApplication();
        tdb = new TestDatabase(u"ui"_s, TestDatabase::Empty);
        tdb->db().exec(
            u"CREATE TABLE p (id INT PRIMARY KEY, nev VARCHAR(30), ar DOUBLE, d DATE) DEFAULT CHARSET=latin2;"_s);
        tdb->db().exec(u"INSERT INTO p VALUES (1, 'Álmos', 1234.5, '2024-03-05'), (2, 'béla', NULL, NULL), "
                       u"(3, 'Csaba', 12, '2023-12-31'), (4, 'Dénes', 0, '2024-01-01');"_s);
    }
    static void TearDownTestSuite() { delete tdb; }
    MessageRecorder messages;
};

TEST_F(UiTest, ModelFormatsLocatesAndPassesTheTester) {
    QTableView grid;
    BrowseList list(tdb->db(), &grid, {u"SELECT * FROM p"_s, u"WHERE id > 0"_s, u"ORDER BY id;"_s});
    list.model()->setColumns({{u"nev"_s, u"Név"_s, {}, {}},
                              {u"id"_s, u"Kód"_s, u"00000"_s, {}},
                              {u"ar"_s, u"Ár"_s, u"### ### ##0"_s, {}},
                              {u"d"_s, u"Dátum"_s, {}, {}}});
    const auto tester = CheckModel(list.model());
    list.open();
    ResultSetModel* m = list.model();
    const auto date = [](int y, int mo, int d) {
        return QLocale(QLocale::Hungarian).toString(QDate(y, mo, d), QLocale::ShortFormat);
    };
    EXPECT_EQ(s(ModelText(m)),
              s(u"Név | Kód | Ár | Dátum\n"
                u"Álmos | 00001 |  1 235 | %1\n"
                u"béla | 00002 |  | \n"
                u"Csaba | 00003 |   12 | %2\n"
                u"Dénes | 00004 |   0 | %3\n"_s.arg(date(2024, 3, 5), date(2023, 12, 31), date(2024, 1, 1))));
    EXPECT_EQ(m->data(m->index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);
    EXPECT_EQ(m->background(0, 0), HighlightColour);
    EXPECT_EQ(list.model()->firstRowStartingWith(u"nev"_s, u"BÉ"_s), 1);
    EXPECT_EQ(list.model()->firstRowStartingWith(u"id"_s, u"abc"_s), -1);
    EXPECT_EQ(list.model()->firstRowStartingWith(u"id"_s, u"3"_s), 2);
    EXPECT_TRUE(list.locate(u"id"_s, Value::fromInt(4)));
    EXPECT_EQ(s(list.positionText()), "4: 4");
    EXPECT_FALSE(list.locate(u"id"_s, Value::fromInt(99)));
    EXPECT_EQ(list.currentRow(), 3);

    // A re-read keeps the row number, or takes the last row when the list became shorter.
    list.setCurrentRow(2);
    list.reread();
    EXPECT_EQ(list.currentRow(), 2);
    list.setWhere(u"id < 3"_s);
    EXPECT_EQ(list.currentRow(), 0);
    list.setCurrentRow(1);
    list.query().replaceWhere(u"id < 2"_s);
    list.reread();
    EXPECT_EQ(list.currentRow(), 0);
    list.setWhere(u"id < 0"_s);
    EXPECT_EQ(list.currentRow(), -1);
    EXPECT_EQ(s(list.positionText()), "0: 0");
}

TEST_F(UiTest, TypeToSearchCapitalizeAndColouring) {
    QWidget w;
    auto* search = new QLineEdit(&w);
    auto* grid = new QTableView(&w);
    auto* name = new QLineEdit(&w);
    auto* layout = new QVBoxLayout(&w);
    layout->addWidget(search);
    layout->addWidget(grid);
    layout->addWidget(name);
    TypeToSearch(grid, search);
    CapitalizeFirstKey({name});
    EnterColouring({name});
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    grid->setFocus();
    TypeText(grid, u"Á"_s);
    EXPECT_EQ(s(search->text()), "á");
    EXPECT_TRUE(search->hasFocus());
    QTest::keyClick(search, Qt::Key_Down);
    EXPECT_TRUE(grid->hasFocus());
    grid->setFocus();
    TypeText(grid, u"%"_s);
    EXPECT_EQ(s(search->text()), "á"); // only digits and letters start the search

    name->setFocus();
    EXPECT_EQ(name->palette().color(QPalette::Base), FocusColour);
    TypeText(name, u"kovács"_s);
    EXPECT_EQ(s(name->text()), "Kovács");
    name->clear();
    TypeText(name, u"ádám"_s);
    EXPECT_EQ(s(name->text()), "ádám");
    search->setFocus();
    EXPECT_NE(name->palette().color(QPalette::Base), FocusColour);
}

TEST_F(UiTest, EnterMovesOnAndCtrlEnterAccepts) {
    QDialog d;
    auto* a = new QLineEdit(&d);
    auto* memo = new QPlainTextEdit(&d);
    auto* b = new QLineEdit(&d);
    auto* ok = new QPushButton(u"OK"_s, &d);
    auto* layout = new QVBoxLayout(&d);
    for (QWidget* x : {static_cast<QWidget*>(a), static_cast<QWidget*>(memo), static_cast<QWidget*>(b),
                       static_cast<QWidget*>(ok)})
        layout->addWidget(x);
    QObject::connect(ok, &QPushButton::clicked, &d, &QDialog::accept);
    EnterAsTab(&d, ok);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    a->setFocus();
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_TRUE(memo->hasFocus());
    QTest::keyClicks(memo, u"x"_s);
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(s(memo->toPlainText()), "x\n");
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(UiTest, ErrorsOfAnActionReachTheGeneralReport) {
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [] { throw FormatError(u"Hibás érték."_s); });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(messages.entries.size(), 1);
    EXPECT_EQ(messages.entries[0].kind, MessageKind::GeneralError);
    EXPECT_EQ(s(messages.entries[0].caption), "Sonoria");
    EXPECT_EQ(s(messages.last()), "Hibás érték.");
    EXPECT_FALSE(RunGuarded([] { throw DbError(u"Table 'x' doesn't exist"_s, 1146); }));
    EXPECT_EQ(s(messages.last()), "Table 'x' doesn't exist");
}

TEST_F(UiTest, InputDialogReturnsTheTextOnOk) {
    QString text = u"régi"_s;
    WhenModalShown([](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>();
        edit->setText(u"új jelszó"_s);
        for (auto* b : w->findChildren<QPushButton*>())
            if (b->text() == u"OK"_s) b->click();
    });
    EXPECT_TRUE(InputDialog(u"Jelszó megadása"_s, u"Add meg az új jelszót"_s, {}, text));
    EXPECT_EQ(s(text), "új jelszó");
    WhenModalShown([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(InputDialog(u"x"_s, u"y"_s, {}, text));
    EXPECT_EQ(s(text), "új jelszó");
}

// Qt's own dialogs name their buttons as the program's do ("Mégsem", not the translation's "Mégse").
TEST_F(UiTest, QtDialogsSayMegsem) {
    QFileDialog files(nullptr, u"Mentés"_s);
    files.setOption(QFileDialog::DontUseNativeDialog);
    auto* buttons = files.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(s(buttons->button(QDialogButtonBox::Cancel)->text()), "Mégsem");
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(s(box.button(QMessageBox::Cancel)->text()), "Mégsem");
    EXPECT_EQ(s(box.button(QMessageBox::Yes)->text().remove(u'&')), "Igen");
    QProgressDialog progress;
    const QList<QPushButton*> cancel = progress.findChildren<QPushButton*>();
    ASSERT_EQ(cancel.size(), 1);
    EXPECT_EQ(s(cancel[0]->text()), "Mégsem");
}
