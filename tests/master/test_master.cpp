#include "MasterTestSupport.h"

#include "master/MasterBrowser.h"
#include "master/MasterEditors.h"

#include <QApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

using namespace Qt::StringLiterals;

class MasterTest : public MasterFixture {
protected:
    static void SetUpTestSuite() { OpenSuite(u"master"_s); }
};

// The rules the four browsers share, one row per browser.
struct BrowserCase {
    const char* name;
    std::function<std::unique_ptr<Tfrm_Torzs>(bool pick)> make;
    QString caption, title, deleteCaption;
    QStringList titles;
    bool refresh, searchAction;
    QString status; // rows: current after opening
};

static QList<BrowserCase> BrowserCases() {
    auto& db = MasterFixture::db();
    return {
        {"items",
         [&db](bool pick) { return std::unique_ptr<Tfrm_Torzs>(new Tfrm_TorzsTetel(nullptr, db, pick)); },
         u"Tétel választás"_s,
         u"Tételek"_s,
         u"Sor törlése"_s,
         {u"WHO"_s, u"Tétel"_s, u"Ár"_s},
         true,
         false,
         u"4: 1"_s},
        {"snippets",
         [&db](bool pick) { return std::unique_ptr<Tfrm_Torzs>(new Tfrm_TorzsSzotar(nullptr, db, pick)); },
         u"Szótár"_s,
         u"Szótár"_s,
         u"Töröl"_s,
         {u"Cím"_s},
         false,
         true,
         u"4: 1"_s},
        {"postal codes",
         [&db](bool pick) { return std::unique_ptr<Tfrm_Torzs>(new Tfrm_TorzsIrsz(nullptr, db, pick)); },
         u"Irányítószámok"_s,
         u"Irányítószámok"_s,
         u"Töröl"_s,
         {u"Irányítószám"_s, u"Település"_s},
         false,
         true,
         u"4: 1"_s},
        {"patients",
         [&db](bool pick) {
             return std::unique_ptr<Tfrm_Torzs>(
                 new Tfrm_TorzsUgyfel(nullptr, db, pick, u"Ügyfél választás"_s, {}));
         },
         u"Ügyfél választás"_s,
         u"Páciensek"_s,
         u"Sor törlése"_s,
         {u"Páciens neve"_s, u"Kód"_s, u"TAJ szám"_s, u"Telefon"_s, u"Cím"_s},
         true,
         false,
         u"5: 1"_s},
    };
}

TEST_F(MasterTest, TheFourBrowsersShareOneWindow) {
    for (const BrowserCase& c : BrowserCases()) {
        SCOPED_TRACE(c.name);
        for (bool pick : {false, true}) {
            auto f = c.make(pick);
            f->openList();
            EXPECT_EQ(s(f->windowTitle()), s(c.caption));
            EXPECT_EQ(s(f->findChild<QLabel*>(u"lblCim"_s)->text()), s(c.title));
            EXPECT_TRUE(f->findChild<QLabel*>(u"lblCim"_s)->font().bold());
            QStringList titles;
            for (int i = 0; i < f->list().model()->columnCount(); ++i)
                titles << f->list().model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
            EXPECT_EQ(titles, c.titles);
            EXPECT_EQ(s(f->aTorol->text()), s(c.deleteCaption));
            EXPECT_EQ(s(f->aTorol->toolTip()), "Sor törlése");
            EXPECT_EQ(f->aFrissit->isVisible(), c.refresh);
            EXPECT_EQ(f->aKeres->isVisible(), c.searchAction);
            EXPECT_EQ(f->aElfogad->isVisible(), pick);
            EXPECT_EQ(f->aElfogad->isEnabled(), pick);
            EXPECT_EQ(f->list().model()->highlightedColumn(), 0);
            EXPECT_EQ(f->list().model()->background(0, 0), HighlightColour);
            EXPECT_EQ(s(f->statusText()->text()), s(c.status));
            EXPECT_EQ(f->textBox() != nullptr, c.name == std::string("snippets"));

            // Toolbar: new, edit, delete, separator, accept, close.
            QStringList tools;
            for (QAction* a : f->toolBar()->actions())
                tools << (a->isSeparator() ? u"|"_s : a->objectName());
            EXPECT_EQ(s(tools.join(u' ')), "aUj aSzerkeszt aTorol | aElfogad aBezar");
            QStringList menu;
            for (QAction* a : f->grid()->actions())
                if (a->isVisible()) menu << a->objectName();
            QStringList expected = {u"aUj"_s, u"aSzerkeszt"_s, u"aTorol"_s};
            if (c.refresh) expected.prepend(u"aFrissit"_s);
            if (c.searchAction) expected << u"aKeres"_s;
            if (pick) expected << u"aElfogad"_s;
            expected << u"aBezar"_s;
            EXPECT_EQ(menu, expected);

            // Column widths follow the grid, cut to whole pixels.
            ShowActive(f.get());
            f->resize(777, 500);
            QCoreApplication::processEvents();
            const int w = f->grid()->width();
            const QList<double>& shares = f->description().widthShares;
            for (int i = 0; i < shares.size(); ++i)
                EXPECT_EQ(f->grid()->columnWidth(i),
                          static_cast<int>((w - f->description().widthMargin) * shares[i]));

            // Enter accepts only in pick mode; Esc closes.
            f->grid()->setFocus();
            QTest::keyClick(f->grid(), Qt::Key_Return);
            EXPECT_EQ(f->isVisible(), !pick);
            if (!pick) {
                QTest::keyClick(f->grid(), Qt::Key_Escape);
                EXPECT_FALSE(f->isVisible());
                EXPECT_EQ(f->result(), QDialog::Rejected);
            } else {
                EXPECT_EQ(f->result(), QDialog::Accepted);
                EXPECT_EQ(f->acceptedRow(), 0);
            }
        }
    }
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
}

// The opening routines in pick mode, each accepted three ways and closed once.
TEST_F(MasterTest, PickModeReturnsTheAcceptedRow) {
    enum How { Enter, DoubleClick, Button, Close };
    for (How how : {Enter, DoubleClick, Button, Close}) {
        SCOPED_TRACE(int(how));
        auto drive = [how](QWidget* w) {
            auto* f = qobject_cast<Tfrm_Torzs*>(w);
            ASSERT_NE(f, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowActive(f)); // shortcuts act in the active window
            QTableView* grid = f->grid();
            switch (how) {
            case Enter:
                QTest::keyClick(grid, Qt::Key_Return);
                break;
            case DoubleClick: {
                DoubleClickCurrentRow(grid);
                break;
            }
            case Button:
                f->aElfogad->trigger();
                break;
            case Close:
                QTest::keyClick(grid, Qt::Key_Escape);
                break;
            }
            if (f->isVisible()) {
                ADD_FAILURE() << "still open";
                f->reject();
            }
        };
        const bool accepted = how != Close;

        WhenActive(drive);
        const KeyAndName item = BrowseItems(nullptr, tdb->db(), 3, true);
        EXPECT_EQ(item.key, accepted ? 3 : -1);
        EXPECT_EQ(s(item.name), accepted ? "Kontroll" : "");

        WhenActive(drive);
        const SnippetChoice snippet = BrowseSnippets(nullptr, tdb->db(), u"vese"_s, true);
        EXPECT_EQ(s(snippet.title), accepted ? "Vese" : "");
        EXPECT_EQ(s(snippet.text), accepted ? "Mindkét vese ép." : "");

        WhenActive(drive);
        const PostalCodeChoice code = BrowsePostalCodes(nullptr, tdb->db(), u"6771"_s, true);
        EXPECT_EQ(s(code.code), accepted ? "6771" : "");
        EXPECT_EQ(s(code.city), accepted ? "Szőreg" : "");

        WhenActive(drive);
        const KeyAndName patient = BrowsePatients(nullptr, tdb->db(), 4, true, u"Ügyfél választás"_s, {});
        EXPECT_EQ(patient.key, accepted ? 4 : -1);
        EXPECT_EQ(s(patient.name), accepted ? "Szabó Éva" : "");
    }
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
}

TEST_F(MasterTest, BrowseModeReturnsNothingAndDoubleClickEdits) {
    int edited = -2;
    MasterDescription d = ItemsDescription();
    d.editor = [&edited](QWidget*, Connection&, const Value& key) {
        edited = key.toInt();
        return Value();
    };
    Tfrm_Torzs f(nullptr, tdb->db(), d, false);
    f.openList(u"tetel"_s, Value::fromInt(2));
    ShowActive(&f);
    DoubleClickCurrentRow(f.grid());
    EXPECT_EQ(edited, 2);
    EXPECT_TRUE(f.isVisible());

    WhenActive([](QWidget* w) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        QTest::keyClick(qobject_cast<Tfrm_Torzs*>(w)->grid(), Qt::Key_Return);
        EXPECT_TRUE(w->isVisible());
        QTest::keyClick(qobject_cast<Tfrm_Torzs*>(w)->grid(), Qt::Key_Escape);
    });
    EXPECT_EQ(BrowseItems(nullptr, tdb->db(), 2, false).key, -1);
}

// An empty list opens no editor and accepts nothing, whatever the browser.
TEST_F(MasterTest, AnEmptyListEditsAndReturnsNothing) {
    for (const BrowserCase& c : BrowserCases()) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        MasterDescription d = c.make(true)->description();
        d.editor = [&calls](QWidget*, Connection&, const Value&) {
            ++calls;
            return Value();
        };
        Tfrm_Torzs f(nullptr, tdb->db(), d, true);
        f.openList();
        ShowActive(&f);
        f.searchBox()->setText(u"nincs ilyen sor"_s);
        EXPECT_EQ(f.list().rowCount(), 0);
        EXPECT_EQ(s(f.statusText()->text()), "0: 0");
        f.aSzerkeszt->trigger();
        f.aTorol->trigger();
        EXPECT_EQ(calls, 0);
        EXPECT_TRUE(messages.entries.isEmpty());
        f.aElfogad->trigger();
        EXPECT_EQ(f.result(), QDialog::Accepted);
        EXPECT_EQ(f.acceptedRow(), -1);
        EXPECT_TRUE(f.acceptedValue(d.table.keyColumn).isNull());
    }
    WhenActive([](QWidget* w) {
        auto* f = qobject_cast<Tfrm_Torzs*>(w);
        f->searchBox()->setText(u"zzz"_s);
        f->aElfogad->trigger();
    });
    EXPECT_EQ(BrowseItems(nullptr, tdb->db(), 1, true).key, -1);
}

TEST_F(MasterTest, SearchFiltersAndPositions) {
    Tfrm_TorzsTetel f(nullptr, tdb->db(), true);
    f.openList();
    ShowActive(&f);
    f.grid()->setFocus();
    TypeText(f.grid(), u"K"_s); // the first letter starts the search box, the second goes on in it
    TypeText(f.searchBox(), u"o"_s);
    EXPECT_EQ(s(f.searchBox()->text()), "ko");
    EXPECT_EQ(s(f.list().query().lines()[1]),
              "WHERE (tetel > 0) AND ((who LIKE '%ko%') OR (tetel_nev LIKE '%ko%'))");
    EXPECT_EQ(f.list().rowCount(), 2);
    EXPECT_EQ(s(f.list().current(u"who"_s).text()), "KO1"); // the first who that begins with the text
    EXPECT_EQ(s(f.statusText()->text()), "2: 2");

    // Quotes and backslashes stay inside the literal.
    // (A backslash escapes the next letter of the pattern, as typed percent signs are wildcards.)
    for (const auto& [text, rows] : QList<std::pair<QString, int>>{
             {u"O'Brien"_s, 1}, {u"a\\\\b"_s, 1}, {u"a\\b"_s, 0}, {u"'; DROP TABLE tetel; --"_s, 0}}) {
        SCOPED_TRACE(s(text));
        f.searchBox()->setText(text);
        EXPECT_EQ(f.list().rowCount(), rows);
    }
    EXPECT_EQ(SelectInt(tdb->db(), u"SELECT COUNT(*) FROM tetel;"_s, -1), 4);
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
    f.searchBox()->setText(u"Kontroll"_s);
    f.searchBox()->setText(u"Kontroll €"_s);
    ASSERT_EQ(messages.entries.size(), 1);
    EXPECT_TRUE(messages.last().contains(u"€"_s)) << s(messages.last());
    EXPECT_EQ(f.list().rowCount(), 1);
    EXPECT_TRUE(f.list().query().lines()[1].contains(u"'%Kontroll%'"_s));
    messages.entries.clear();

    // Up and Down in the search box go to the grid; entering the box selects its text.
    f.searchBox()->setText(u"o"_s);
    QTest::keyClick(f.searchBox(), Qt::Key_Down);
    EXPECT_TRUE(f.grid()->hasFocus());
    f.aKeres->trigger(); // not in the items browser
    EXPECT_TRUE(f.grid()->hasFocus());
    f.searchBox()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(s(f.searchBox()->selectedText()), "o");
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
}

TEST_F(MasterTest, SortByTitleThenSearchPositionsByTheSortField) {
    Tfrm_TorzsUgyfel f(nullptr, tdb->db(), false, u"Páciensek"_s, {});
    f.openList();
    ShowActive(&f);
    f.grid()->horizontalHeader()->sectionClicked(1); // "Kód"
    EXPECT_EQ(s(f.sortField()), "ugyfel");
    EXPECT_EQ(s(f.list().query().lines()[2]), "ORDER BY ugyfel;");
    EXPECT_EQ(f.list().model()->highlightedColumn(), 1);
    EXPECT_EQ(f.list().model()->background(0, 0), QColor());
    EXPECT_TRUE(f.searchBox()->hasFocus());
    EXPECT_EQ(f.list().current(u"ugyfel"_s).toInt(), 1);

    // A number finds its row; a letter filters but cannot position by a number column.
    f.searchBox()->setText(u"3"_s);
    EXPECT_EQ(f.list().current(u"ugyfel"_s).toInt(), 3);
    f.searchBox()->setText(u"a"_s);
    EXPECT_TRUE(f.list().query().lines()[1].contains(u"(ugyfel_nev LIKE '%a%')"_s));
    EXPECT_EQ(f.list().currentRow(), 0);
    EXPECT_EQ(s(f.list().query().lines()[2]), "ORDER BY ugyfel;");

    // The snippet list keeps its order; a click only goes to the search box.
    Tfrm_TorzsSzotar snippets(nullptr, tdb->db(), false);
    snippets.openList();
    ShowActive(&snippets);
    snippets.grid()->setFocus();
    snippets.grid()->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(s(snippets.list().query().lines()[2]), "ORDER BY 1;");
    EXPECT_TRUE(snippets.searchBox()->hasFocus());
    snippets.grid()->setFocus();
    QTest::keyClick(snippets.grid(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(snippets.searchBox()->hasFocus());
}

TEST_F(MasterTest, TypingAnAccentedCapitalSearchesInLowerCase) {
    Tfrm_TorzsUgyfel f(nullptr, tdb->db(), true, u"Ügyfél választás"_s, {});
    f.openList();
    ShowActive(&f);
    f.grid()->setFocus();
    TypeText(f.grid(), u"Á"_s);
    EXPECT_EQ(s(f.searchBox()->text()), "á");
    EXPECT_EQ(f.searchBox()->cursorPosition(), 1);
    EXPECT_TRUE(f.searchBox()->hasFocus());
    const int expected =
        SelectInt(tdb->db(),
                  u"SELECT COUNT(*) FROM vw_ugyfel WHERE (ugyfel > 0) AND ((ugyfel_nev LIKE '%á%') OR "
                  u"(taj LIKE '%á%') OR (irszvaroscim LIKE '%á%') OR (telefon LIKE '%á%'));"_s,
                  -1);
    EXPECT_GT(expected, 0);
    EXPECT_EQ(f.list().rowCount(), expected);
    EXPECT_EQ(s(f.list().current(u"ugyfel_nev"_s).text()), "Ábel Péter");
}

TEST_F(MasterTest, DeleteAsksAndRunsTheMembersStatement) {
    struct Case {
        std::function<std::unique_ptr<Tfrm_Torzs>()> make;
        QString field;
        Value key;
        QString count;
    };
    auto& db = tdb->db();
    ExecSql(db, u"INSERT INTO munkalap (ugyfel, mlaptipus) VALUES (2, 1);"_s);
    ExecSql(db, u"INSERT INTO munkalap_tetel (munkalap, tetel, ar) VALUES (LAST_INSERT_ID(), 1, 100);"_s);
    const QList<Case> cases = {
        // An item in use and a patient with an examination: the schema lets them go.
        {[&db] { return std::unique_ptr<Tfrm_Torzs>(new Tfrm_TorzsTetel(nullptr, db, false)); }, u"tetel"_s,
         Value::fromInt(1), u"SELECT COUNT(*) FROM tetel WHERE tetel = 1;"_s},
        {[&db] { return std::unique_ptr<Tfrm_Torzs>(new Tfrm_TorzsSzotar(nullptr, db, false)); }, u"cim"_s,
         Value::fromText(u"Epe's"_s), u"SELECT COUNT(*) FROM szotar WHERE cim = 'Epe''s';"_s},
        {[&db] { return std::unique_ptr<Tfrm_Torzs>(new Tfrm_TorzsIrsz(nullptr, db, false)); }, u"id"_s,
         Value::fromInt(3), u"SELECT COUNT(*) FROM irsz WHERE id = 3;"_s},
        {[&db] { return std::unique_ptr<Tfrm_Torzs>(new Tfrm_TorzsUgyfel(nullptr, db, false, {}, {})); },
         u"ugyfel"_s, Value::fromInt(2), u"SELECT COUNT(*) FROM ugyfel WHERE ugyfel = 2;"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(s(c.field));
        auto f = c.make();
        f->openList(c.field, c.key);
        ShowActive(f.get());
        const qsizetype rows = f->list().rowCount();
        messages.answers = {false};
        // Ctrl+Del deletes from the search box too, which would otherwise take it for itself.
        QWidget* target = c.field == u"cim"_s ? static_cast<QWidget*>(f->searchBox()) : f->grid();
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Delete, Qt::ControlModifier);
        ASSERT_EQ(messages.entries.size(), 1);
        EXPECT_EQ(messages.entries[0].kind, MessageKind::Confirm);
        EXPECT_EQ(s(messages.entries[0].caption), "Megerősítés");
        EXPECT_EQ(s(messages.last()), "Valóban töröljem a sort?");
        EXPECT_EQ(SelectInt(db, c.count, -1), 1);
        messages.answers = {true};
        f->aTorol->trigger();
        EXPECT_EQ(SelectInt(db, c.count, -1), 0);
        EXPECT_EQ(f->list().rowCount(), rows - 1);
        messages.entries.clear();
    }
    // The patient is gone from the table, not just marked.
    EXPECT_EQ(SelectInt(db, u"SELECT COUNT(*) FROM ugyfel WHERE ugyfel = 2;"_s, -1), 0);

    // A statement the server refuses is told, and the browser goes on.
    Tfrm_TorzsTetel f(nullptr, db, false);
    f.openList();
    ExecSql(db, u"RENAME TABLE tetel TO tetel_x;"_s);
    f.aTorol->trigger();
    ExecSql(db, u"RENAME TABLE tetel_x TO tetel;"_s);
    ASSERT_EQ(messages.entries.size(), 2);
    EXPECT_EQ(messages.entries[1].kind, MessageKind::GeneralError);
    EXPECT_TRUE(messages.last().contains(u"tetel"_s)) << s(messages.last());
}

TEST_F(MasterTest, NewAndEditedRowsBecomeCurrent) {
    Tfrm_TorzsIrsz f(nullptr, tdb->db(), false);
    f.openList();
    ShowActive(&f);
    WhenActive([](QWidget* w) {
        auto* e = qobject_cast<Tfrm_TorzsSzerkeszt*>(w);
        ASSERT_NE(e, nullptr);
        e->lineEdit(u"irsz"_s)->setText(u"9999"_s);
        e->lineEdit(u"varos"_s)->setFocus();
        TypeText(e->lineEdit(u"varos"_s), u"zárva"_s);
        e->okButton()->click();
    });
    QTest::keyClick(f.grid(), Qt::Key_Insert);
    EXPECT_EQ(s(f.list().current(u"irsz"_s).text()), "9999");
    EXPECT_EQ(s(f.list().current(u"varos"_s).text()), "Zárva");
    EXPECT_EQ(s(f.statusText()->text()), "5: 5");

    f.list().locate(u"irsz"_s, Value::fromText(u"1011"_s));
    WhenActive([](QWidget* w) {
        auto* e = qobject_cast<Tfrm_TorzsSzerkeszt*>(w);
        EXPECT_EQ(s(e->lineEdit(u"irsz"_s)->text()), "1011");
        e->lineEdit(u"irsz"_s)->setText(u"9998"_s);
        e->okButton()->click();
    });
    ShowActive(&f);
    QTest::keyClick(f.grid(), Qt::Key_F2);
    EXPECT_EQ(s(f.list().current(u"irsz"_s).text()), "9998");
    EXPECT_EQ(s(f.list().current(u"varos"_s).text()), "Budapest");
    EXPECT_EQ(f.list().currentRow(), 3);
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
}

TEST_F(MasterTest, SnippetBrowserShowsTheTextOfTheRow) {
    Tfrm_TorzsSzotar f(nullptr, tdb->db(), true);
    f.openList();
    EXPECT_EQ(s(f.textBox()->toPlainText()), "Epehólyag \\ kő");
    EXPECT_TRUE(f.textBox()->isReadOnly());
    EXPECT_EQ(f.textBox()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    f.list().setCurrentRow(1);
    EXPECT_EQ(s(f.textBox()->toPlainText()), "Lép ép, a vese mellett.");
    // Opened with a text, the list holds the snippets whose title or text holds it.
    f.setSearchText(u"vese"_s);
    EXPECT_EQ(f.list().rowCount(), 2);
    EXPECT_EQ(s(f.list().current(u"cim"_s).text()), "Vese");
}

// ---- editors ----------------------------------------------------------------------------------------

TEST_F(MasterTest, ItemEditorSavesCapitalizesAndCancels) {
    WhenActive([](QWidget* w) {
        auto* e = qobject_cast<Tfrm_TorzsSzerkeszt*>(w);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(s(e->windowTitle()), "Tétel szerkesztés");
        EXPECT_EQ(s(e->findChild<QTabWidget*>()->tabText(0)), "Általános adatok");
        EXPECT_TRUE(e->lineEdit(u"who"_s)->hasFocus());
        EXPECT_EQ(e->lineEdit(u"who"_s)->maxLength(), 10);
        EXPECT_EQ(e->lineEdit(u"tetel_nev"_s)->maxLength(), 100);
        TypeText(e->lineEdit(u"who"_s), u"x99"_s);
        QTest::keyClick(e->lineEdit(u"who"_s), Qt::Key_Return);
        EXPECT_TRUE(e->lineEdit(u"ar"_s)->hasFocus());
        EXPECT_EQ(e->lineEdit(u"ar"_s)->palette().color(QPalette::Base), FocusColour);
        TypeText(e->lineEdit(u"ar"_s), u"1500,5"_s);
        QTest::keyClick(e->lineEdit(u"ar"_s), Qt::Key_Return);
        TypeText(e->lineEdit(u"tetel_nev"_s), u"doppler"_s);
        // Ctrl+Enter is no OK here.
        QTest::keyClick(e->lineEdit(u"tetel_nev"_s), Qt::Key_Return, Qt::ControlModifier);
        EXPECT_TRUE(e->isVisible());
        e->okButton()->click();
    });
    const int key = EditItem(nullptr, tdb->db(), -1);
    ASSERT_GT(key, 4);
    EXPECT_EQ(s(SelectText(tdb->db(),
                           u"SELECT CONCAT(who, '|', tetel_nev, '|', ar) FROM tetel WHERE tetel = "_s +
                               QString::number(key),
                           {})),
              "X99|doppler|1500.5");

    // Cancel leaves the row as it was.
    WhenActive([](QWidget* w) {
        auto* e = qobject_cast<Tfrm_TorzsSzerkeszt*>(w);
        EXPECT_EQ(s(e->lineEdit(u"ar"_s)->text()), "1500,5");
        e->lineEdit(u"tetel_nev"_s)->setText(u"más"_s);
        QTest::keyClick(e->lineEdit(u"tetel_nev"_s), Qt::Key_Escape);
    });
    EXPECT_EQ(EditItem(nullptr, tdb->db(), key), -1);
    EXPECT_EQ(s(LookupName(tdb->db(), key, u"tetel"_s, {})), "doppler");
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
}

// Values the columns cannot hold are refused in the open dialog, with what was typed kept.
TEST_F(MasterTest, EditorsRefuseWhatTheColumnCannotHold) {
    struct Case {
        QString column, text, message;
    };
    const QList<Case> cases = {
        {u"ar"_s, u"tizenkettő"_s, u"A(z) „tizenkettő” nem szám."_s},
        {u"ar"_s, u"inf"_s, u"A(z) „inf” nem szám."_s},
        {u"ar"_s, u"nan"_s, u"A(z) „nan” nem szám."_s},
        {u"ar"_s, u"1e999"_s, u"A(z) „1e999” nem szám."_s},
        {u"tetel_nev"_s, u"Ár 5 €"_s, u"€"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(s(c.text));
        messages.entries.clear();
        WhenActive([&c, this](QWidget* w) {
            auto* e = qobject_cast<Tfrm_TorzsSzerkeszt*>(w);
            QLineEdit* box = e->lineEdit(c.column);
            while (!box->hasFocus())
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            TypeText(box, c.text);
            QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
            EXPECT_TRUE(e->isVisible()); // no OK by Ctrl+Enter here
            e->okButton()->click();
            EXPECT_TRUE(e->isVisible());
            ASSERT_EQ(messages.entries.size(), 1);
            EXPECT_EQ(messages.entries[0].kind, MessageKind::Error);
            EXPECT_TRUE(messages.last().contains(c.message)) << s(messages.last());
            EXPECT_EQ(s(e->lineEdit(c.column)->text()), s(c.text));
            e->cancelButton()->click();
        });
        EXPECT_EQ(EditItem(nullptr, tdb->db(), 3), -1);
    }
    EXPECT_EQ(s(LookupName(tdb->db(), 3, u"tetel"_s, {})), "Kontroll");
}

TEST_F(MasterTest, SnippetEditorCtrlEnterAndARefusedTitle) {
    WhenActive([](QWidget* w) {
        auto* e = qobject_cast<Tfrm_TorzsSzerkeszt*>(w);
        EXPECT_EQ(s(e->windowTitle()), "Szótár");
        EXPECT_TRUE(e->lineEdit(u"cim"_s)->hasFocus());
        TypeText(e->lineEdit(u"cim"_s), u"pajzsmirigy"_s);
        QTest::keyClick(e->lineEdit(u"cim"_s), Qt::Key_Return);
        QPlainTextEdit* text = e->memo(u"szoveg"_s);
        EXPECT_TRUE(text->hasFocus());
        TypeText(text, u"Első sor"_s);
        QTest::keyClick(text, Qt::Key_Return); // a new line in the text
        TypeText(text, u"második 'sor'"_s);
        QTest::keyClick(text, Qt::Key_Return, Qt::ControlModifier);
    });
    EXPECT_EQ(s(EditSnippet(nullptr, tdb->db(), {})), "Pajzsmirigy");
    EXPECT_EQ(s(SelectText(tdb->db(), u"SELECT szoveg FROM szotar WHERE cim = 'Pajzsmirigy';"_s, {})),
              "Első sor\r\nmásodik 'sor'");

    // A title of blanks, then one that exists: each is told in the open dialog with what was typed kept,
    // and the third try saves.
    QStringList told;
    WhenActive([&told, this](QWidget* w) {
        auto* e = qobject_cast<Tfrm_TorzsSzerkeszt*>(w);
        EXPECT_EQ(s(e->memo(u"szoveg"_s)->toPlainText()), "Első sor\nmásodik 'sor'");
        QLineEdit* title = e->lineEdit(u"cim"_s);
        for (const QString& typed : {u"   "_s, u"Vese"_s, u"Pajzs"_s}) {
            QTest::keyClick(title, Qt::Key_A, Qt::ControlModifier);
            TypeText(title, typed);
            QTest::keyClick(title, Qt::Key_Return);
            QTest::keyClick(e->memo(u"szoveg"_s), Qt::Key_Return, Qt::ControlModifier);
            if (!e->isVisible()) break;
            EXPECT_EQ(s(title->text()), s(typed));
            told << messages.last();
        }
    });
    EXPECT_EQ(s(EditSnippet(nullptr, tdb->db(), u"Pajzsmirigy"_s)), "Pajzs");
    ASSERT_EQ(told.size(), 2);
    EXPECT_EQ(s(told[0]), "A(z) „Cím” mező kitöltése kötelező.");
    EXPECT_TRUE(told[1].startsWith(u"Hibás adat megadás: Ilyen adat már szerepel"_s)) << s(told[1]);
    EXPECT_TRUE(told[1].contains(u"Duplicate entry 'Vese'"_s)) << s(told[1]);
    EXPECT_EQ(s(SelectText(tdb->db(),
                           u"SELECT GROUP_CONCAT(cim ORDER BY cim) FROM szotar WHERE cim LIKE 'P%';"_s, {})),
              "Pajzs");
    EXPECT_EQ(s(SelectText(tdb->db(), u"SELECT szoveg FROM szotar WHERE cim = 'Vese';"_s, {})),
              "Mindkét vese ép.");
}

TEST_F(MasterTest, PostalCodeEditorStaysOpenWhenTheServerRefuses) {
    ExecSql(tdb->db(), u"ALTER TABLE irsz ADD UNIQUE KEY ux_irsz_teszt (irsz);"_s);
    int tries = 0;
    WhenActive([&tries, this](QWidget* w) {
        auto* e = qobject_cast<Tfrm_TorzsSzerkeszt*>(w);
        EXPECT_EQ(s(e->windowTitle()), "Irányítószám szerkesztés");
        EXPECT_TRUE(e->lineEdit(u"irsz"_s)->hasFocus());
        EXPECT_EQ(e->lineEdit(u"irsz"_s)->maxLength(), 5);
        TypeText(e->lineEdit(u"irsz"_s), u"6720"_s);
        QTest::keyClick(e->lineEdit(u"irsz"_s), Qt::Key_Return);
        TypeText(e->lineEdit(u"varos"_s), u"szeged"_s);
        QTest::keyClick(e->lineEdit(u"varos"_s), Qt::Key_Return, Qt::ControlModifier);
        ++tries;
        EXPECT_TRUE(e->isVisible());
        ASSERT_EQ(messages.entries.size(), 1);
        EXPECT_EQ(messages.entries[0].kind, MessageKind::Error);
        EXPECT_TRUE(messages.last().startsWith(u"Hibás adat megadás: Ilyen adat már szerepel"_s))
            << s(messages.last());
        EXPECT_TRUE(messages.last().contains(u"Duplicate entry '6720'"_s)) << s(messages.last());
        EXPECT_EQ(s(e->lineEdit(u"varos"_s)->text()), "Szeged");
        e->lineEdit(u"irsz"_s)->setText(u"6729"_s);
        e->okButton()->click();
    });
    const int key = EditPostalCode(nullptr, tdb->db(), -1);
    ExecSql(tdb->db(), u"ALTER TABLE irsz DROP KEY ux_irsz_teszt;"_s);
    EXPECT_EQ(tries, 1);
    ASSERT_GT(key, 0);
    EXPECT_EQ(
        s(SelectText(tdb->db(),
                     u"SELECT CONCAT(irsz, ' ', varos) FROM irsz WHERE id = "_s + QString::number(key), {})),
        "6729 Szeged");
    EXPECT_EQ(SelectInt(tdb->db(), u"SELECT COUNT(*) FROM irsz WHERE irsz = '6720';"_s, -1), 1);
}
