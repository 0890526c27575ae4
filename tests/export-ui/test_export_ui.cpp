#include "core/Config.h"
#include "export-ui/ExportDialogs.h"
#include "export-ui/Tfrm_Grid2Html.h"
#include "export-ui/Tfrm_Hatarolt.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"
#include "ui/BrowseList.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static std::string s(const QString& q) {
    return q.toStdString();
}

static QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ExportUiTest : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() {
        TestApplication();
        tdb = new TestDatabase(u"exportui"_s, TestDatabase::Empty);
        tdb->db().exec(
            u"CREATE TABLE p (id INT PRIMARY KEY, nev VARCHAR(30), megj TEXT) DEFAULT CHARSET=latin2;"_s);
        tdb->db().exec(
            u"INSERT INTO p VALUES (1, 'Kiss & \"Nagy\" <Bt.>', 'a;b\\r\\nc'), (2, 'Őry', NULL);"_s);
    }
    static void TearDownTestSuite() { delete tdb; }
    QTemporaryDir dir;
    MessageRecorder messages;
    ResultSet rows() { return tdb->db().query(u"SELECT id, nev, megj FROM p ORDER BY id;"_s); }
};

TEST_F(ExportUiTest, DelimitedExportWithTheDialogsChoices) {
    const ResultSet data = rows();
    const QString file = dir.filePath(u"lista.csv"_s);
    Tfrm_Hatarolt dialog(nullptr, data, {{u"nev"_s, u"Név"_s, true, {}}}, file);
    dialog.lstMezok->item(0)->setCheckState(Qt::Unchecked); // no id
    dialog.grpHatarolo->button(1)->setChecked(true);        // TAB
    dialog.grpSzovegjelolo->button(0)->setChecked(true);    // "
    dialog.startExport();
    EXPECT_EQ(s(messages.last()), s(file + u" file kész."_s));
    EXPECT_EQ(readFile(file).toHex().toStdString(),
              QByteArray("\"N\xE9v\"\t\"megj\"\t\r\n"
                         "\"Kiss & \"\"Nagy\"\" <Bt.>\"\t\"a;b\\nc\"\r\n"
                         "\"\xD5ry\"\t\"\"\r\n")
                  .toHex()
                  .toStdString());
}

TEST_F(ExportUiTest, XmlIsRefusedAndWorksheetLeavesOutUntickedFields) {
    const ResultSet data = rows();
    Tfrm_Hatarolt dialog(nullptr, data, {}, dir.filePath(u"lista.XML"_s));
    dialog.startExport();
    EXPECT_EQ(s(messages.last()), "Ebben a verzióban ez nem támogatott.");
    EXPECT_FALSE(QFile::exists(dir.filePath(u"lista.XML"_s)));

    dialog.eFilenev->setText(dir.filePath(u"lista.xls"_s));
    dialog.lstMezok->item(2)->setCheckState(Qt::Unchecked);
    dialog.startExport();
    const QByteArray xls = readFile(dir.filePath(u"lista.xls"_s));
    EXPECT_TRUE(xls.startsWith(QByteArray("\x09\x00\x04\x00", 4)));
    EXPECT_TRUE(xls.contains("nev"));
    EXPECT_FALSE(xls.contains("megj"));
}

TEST_F(ExportUiTest, HtmlPageOfAGridAndTheFolderSetting) {
    QTableView grid;
    BrowseList list(tdb->db(), &grid, {u"SELECT * FROM p"_s, u"WHERE id > 0"_s, u"ORDER BY id;"_s});
    list.model()->setColumns({{u"nev"_s, u"Név"_s, {}, {}}, {u"id"_s, u"Kód"_s, u"00000"_s, {}}});
    list.open();
    grid.resize(400, 200);
    grid.setColumnWidth(0, 300);
    grid.setColumnWidth(1, 100);
    Beall.htmlUt = dir.filePath(u"uj/mappa"_s);
    WhenModalShown([](QWidget* w) {
        auto* d = static_cast<Tfrm_Grid2Html*>(w);
        EXPECT_TRUE(d->eMentes->text().endsWith(u"uj/mappa/p_ciensek.htm"_s)) << s(d->eMentes->text());
        d->chkMegnyit->setChecked(false);
        d->btnOK->click();
    });
    ExportGridToHtml(nullptr, &grid, u"Páciensek"_s);
    const QByteArray page = readFile(dir.filePath(u"uj/mappa/p_ciensek.htm"_s));
    EXPECT_TRUE(page.contains("Kiss &amp; &quot;Nagy&quot; &lt;Bt.&gt;")) << page.toStdString();
    EXPECT_TRUE(page.contains("00002"));
    EXPECT_TRUE(page.contains("<title>P\xE1"
                              "ciensek</title>"));
    EXPECT_EQ(s(Beall.htmlUt), s(dir.filePath(u"uj/mappa/"_s)));
}
