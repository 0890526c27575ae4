#include "admin-ui/Tfrm_SQL.h"
#include "core/Config.h"
#include "db/QueryHelpers.h"
#include "support/ModelCheck.h"
#include "support/ScreenTest.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

class SqlConsoleTest : public ScreenTest<SqlConsoleTest> {
protected:
    static void SetUpTestSuite() { OpenSuite(u"sqlconsole"_s); }
    void SetUp() override {
        db().exec(u"DELETE FROM tetel;"_s);
        db().exec(
            u"INSERT INTO tetel (tetel, who, tetel_nev, ar) VALUES (1, 'A', 'Egy', 100), (2, 'B', 'x;y', 200);"_s);
    }
    Tfrm_SQL console{nullptr, tdb->db(), {}};
    const std::unique_ptr<QAbstractItemModelTester> queryModelCheck = CheckModel(console.grid->model());
    int rows() const { return console.grid->model()->rowCount(); }
};

TEST_F(SqlConsoleTest, QueriesInAnyCaseShowTheirRows) {
    for (const QString& text :
         {u"select * from tetel"_s, u"  \n  SeLeCt tetel FROM tetel;"_s, u"show tables"_s}) {
        console.editor->setText(text);
        console.aFuttatExecute();
        EXPECT_GT(rows(), 0) << s(text);
        EXPECT_EQ(console.pages->currentIndex(), 1);
        EXPECT_EQ(console.grid->columnWidth(0), 64);
    }
    EXPECT_TRUE(messages.entries.isEmpty());
    console.editor->setText(u"SELECT * FROM nincs"_s);
    console.aFuttatExecute();
    EXPECT_TRUE(messages.last().startsWith(u"SQL hiba:\n"_s)) << s(messages.last());
}

TEST_F(SqlConsoleTest, ScriptsRunStatementByStatement) {
    console.editor->setText(
        u"UPDATE tetel SET ar = 1 WHERE tetel = 1;\nUPDATE tetel SET ar = 2 WHERE tetel = 2"_s);
    console.aFuttatExecute();
    EXPECT_EQ(s(messages.last()), "SQL futtatás kész.");
    EXPECT_EQ(SelectInt(db(), u"SELECT ar FROM tetel WHERE tetel = 1;"_s, 0), 1);
    EXPECT_EQ(SelectInt(db(), u"SELECT ar FROM tetel WHERE tetel = 2;"_s, 0), 200); // no final ";": not run
    // A ";" inside quotes ends the statement too, so this INSERT fails; the one before it stays.
    console.editor->setText(
        u"UPDATE tetel SET ar = 5 WHERE tetel = 1; INSERT INTO tetel (tetel_nev) VALUES ('a;b');"_s);
    console.aFuttatExecute();
    EXPECT_TRUE(messages.last().startsWith(u"SQL hiba:\n"_s)) << s(messages.last());
    EXPECT_EQ(SelectInt(db(), u"SELECT ar FROM tetel WHERE tetel = 1;"_s, 0), 5);
    // With a selection only the selection runs.
    console.editor->setText(
        u"UPDATE tetel SET ar = 7 WHERE tetel = 1; UPDATE tetel SET ar = 8 WHERE tetel = 2;"_s);
    console.editor->setSelection(0, 0, 0, 40);
    console.aFuttatExecute();
    EXPECT_EQ(SelectInt(db(), u"SELECT ar FROM tetel WHERE tetel = 1;"_s, 0), 7);
    EXPECT_EQ(SelectInt(db(), u"SELECT ar FROM tetel WHERE tetel = 2;"_s, 0), 200);
}

TEST_F(SqlConsoleTest, ResultOpensOnlyTheFirstStatementAndCopies) {
    console.editor->setText(u"SELECT tetel AS a, tetel_nev AS b FROM tetel WHERE tetel = 2; SELECT 1"_s);
    console.aEredmenyExecute();
    ASSERT_EQ(rows(), 1);
    console.aMasolExecute();
    EXPECT_EQ(s(QGuiApplication::clipboard()->text()), "a;b;\n2;x,y;");
}

TEST_F(SqlConsoleTest, TableModeEditsTheTable) {
    for (const QString& first : {u"table:tetel"_s, u"TABLE : tetel \nignored"_s, u"Table: tetel :x"_s}) {
        console.editor->setText(first);
        console.aFuttatExecute();
        EXPECT_EQ(rows(), 2) << s(first);
    }
    QAbstractItemModel* m = console.grid->model();
    const auto tableModelCheck = CheckModel(m);
    int nameColumn = -1;
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal).toString() == u"tetel_nev"_s) nameColumn = c;
    ASSERT_GE(nameColumn, 0);
    EXPECT_TRUE(m->setData(m->index(0, nameColumn), u"Átírt név"_s, Qt::EditRole));
    EXPECT_EQ(s(SelectText(db(), u"SELECT tetel_nev FROM tetel WHERE tetel = 1;"_s, {})), "Átírt név");
    // A table without a key is edited by the row's old values.
    db().exec(u"DELETE FROM verzio;"_s);
    db().exec(u"INSERT INTO verzio VALUES ('1'), ('2');"_s);
    console.editor->setText(u"table: verzio"_s);
    console.aFuttatExecute();
    EXPECT_TRUE(console.grid->model()->setData(console.grid->model()->index(1, 0), u"3"_s, Qt::EditRole));
    EXPECT_EQ(s(SelectText(db(), u"SELECT GROUP_CONCAT(verzio ORDER BY verzio) FROM verzio;"_s, {})), "1,3");

    // A name with a space and a column named by a word of SQL, edited in the grid with the keyboard.
    db().exec(u"CREATE TABLE `sp ace` (`key` INT PRIMARY KEY, `order` VARCHAR(20));"_s);
    db().exec(u"INSERT INTO `sp ace` VALUES (1, 'egy'), (2, 'kettő');"_s);
    for (const QString& first : {u"table: sp ace"_s, u"table: `sp ace`"_s}) {
        console.editor->setText(first);
        console.aFuttatExecute();
        EXPECT_EQ(rows(), 2) << s(first);
    }
    console.show();
    console.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&console));
    QTableView* grid = console.grid;
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 1));
    QTest::keyClick(grid, Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_TRUE(editor && editor != grid);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    TypeText(editor, u"Őt"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(50); // the delegate commits on its next turn
    EXPECT_EQ(s(SelectText(db(), u"SELECT `order` FROM `sp ace` WHERE `key` = 2;"_s, {})), "Őt");
    db().exec(u"DROP TABLE `sp ace`;"_s);
}

TEST_F(SqlConsoleTest, FilesRoundTripInTheCentralEuropeanCodePage) {
    console.editor->setText(u"-- árvíztűrő\nSELECT 1;"_s);
    const QString path = config->filePath(u"próba.sql"_s);
    console.saveFile(path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("-- \xE1rv\xEDzt\xFBr\xF5\r\nSELECT 1;"));
    console.editor->clear();
    console.openFile(path);
    EXPECT_EQ(s(console.editor->text()), "-- árvíztűrő\nSELECT 1;");
    EXPECT_EQ(s(console.fileName()), s(path));
}
