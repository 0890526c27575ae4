#include "master/MasterTestSupport.h"

#include "master/MasterEditors.h"
#include "patients/PatientRecord.h"
#include "support/TestServer.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTabWidget>
#include <QToolButton>

using namespace Qt::StringLiterals;

class PatientTest : public MasterFixture {
protected:
    static void SetUpTestSuite() { OpenSuite(u"patients"_s); }

    QString field(int key, const QString& column) {
        return SelectText(tdb->db(),
                          u"SELECT "_s + column + u" FROM ugyfel WHERE ugyfel = "_s + QString::number(key) +
                              u';',
                          u"(nincs sor)"_s);
    }
    static void Leave(QLineEdit* box, QWidget* next) {
        box->setFocus();
        next->setFocus();
    }
};

TEST_F(PatientTest, ANewPatientOpensWithTheDefaultCityAndToday) {
    Tfrm_Szerkeszt f(nullptr, tdb->db());
    ASSERT_TRUE(f.start(-1));
    ShowActive(&f);
    EXPECT_EQ(s(f.windowTitle()), "Szerkesztés");
    EXPECT_EQ(s(f.findChild<QTabWidget*>()->tabText(0)), "Általános adatok");
    EXPECT_TRUE(f.edit(u"ugyfel_nev"_s)->hasFocus());
    EXPECT_EQ(s(f.edit(u"cim_varos"_s)->text()), "Szeged");
    EXPECT_EQ(f.visitDate()->date(), QDate::currentDate());
    EXPECT_TRUE(f.visitDate()->calendarPopup());
    EXPECT_EQ(s(f.visitDate()->displayFormat()), s(QLocale().dateFormat(QLocale::LongFormat)));
    EXPECT_EQ(s(f.edit(u"taj"_s)->inputMask()), "999-999-999;_");
    EXPECT_EQ(s(f.edit(u"szuldatum"_s)->inputMask()), "9999.99.99;_");
    EXPECT_EQ(f.edit(u"ugyfel_nev"_s)->maxLength(), 75);
    EXPECT_EQ(f.edit(u"cim_irsz"_s)->maxLength(), 10);
    EXPECT_TRUE(QFontInfo(f.remark()->font()).fixedPitch());
    EXPECT_EQ(s(f.remark()->font().family()), "Courier New");
    EXPECT_GE(f.pictureIndex(), 0);
    EXPECT_FALSE(f.picture()->pixmap().isNull());

    // Tab order: the fields, the postal-code button before its box, the date, OK, Mégsem, the remark.
    QStringList order;
    QWidget* w = f.edit(u"ugyfel_nev"_s);
    for (int i = 0; i < 15; ++i, w = w->nextInFocusChain()) {
        while (!(w->focusPolicy() & Qt::TabFocus) || !f.isAncestorOf(w) || qobject_cast<QTabBar*>(w) ||
               w->objectName().startsWith(u"qt_"_s) || w->objectName().isEmpty())
            w = w->nextInFocusChain();
        order << w->objectName();
    }
    EXPECT_EQ(s(order.join(u' ')), "ugyfel_nev taj szuldatum szulhely anyjaneve telefon emil btnIrsz "
                                   "cim_irsz cim_varos cim_cim dat_utolso ok "
                                   "cancel megjegyzes");
}

// The city follows the postal code only while it is empty or the default one.
TEST_F(PatientTest, TheCityFollowsThePostalCode) {
    struct Case {
        const char* name;
        QString defaultCity, cityBefore, code, cityAfter;
    };
    const QList<Case> cases = {
        {"default city replaced", u"Szeged"_s, u"Szeged"_s, u"7621"_s, u"Pécs"_s},
        {"typed city kept", u"Szeged"_s, u"Makó"_s, u"7621"_s, u"Makó"_s},
        {"empty city filled without a default", {}, {}, u"6771"_s, u"Szőreg"_s},
        {"typed city kept without a default", {}, u"Makó"_s, u"6771"_s, u"Makó"_s},
        {"unknown code leaves the city", u"Szeged"_s, u"Szeged"_s, u"0000"_s, u"Szeged"_s},
        {"a quote in the code", u"Szeged"_s, {}, u"6'7"_s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Beall.alapVaros = c.defaultCity;
        Tfrm_Szerkeszt f(nullptr, tdb->db());
        ASSERT_TRUE(f.start(-1));
        ShowActive(&f);
        f.edit(u"cim_varos"_s)->setText(c.cityBefore);
        f.edit(u"cim_irsz"_s)->setFocus();
        TypeText(f.edit(u"cim_irsz"_s), c.code);
        EXPECT_EQ(s(f.edit(u"cim_varos"_s)->text()), s(c.cityBefore)); // only leaving the box looks it up
        QTest::keyClick(f.edit(u"cim_irsz"_s), Qt::Key_Return);
        EXPECT_TRUE(f.edit(u"cim_varos"_s)->hasFocus());
        EXPECT_EQ(s(f.edit(u"cim_varos"_s)->text()), s(c.cityAfter));
    }
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
}

TEST_F(PatientTest, ThePickerSetsCodeAndCity) {
    Tfrm_Szerkeszt f(nullptr, tdb->db());
    ASSERT_TRUE(f.start(1));
    ShowActive(&f);
    f.edit(u"cim_varos"_s)->setText(u"Makó"_s);
    f.edit(u"cim_irsz"_s)->setText(u"6771"_s);

    // Closed without choosing: nothing changes.
    WhenActive([](QWidget* w) {
        auto* b = qobject_cast<Tfrm_Torzs*>(w);
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(b->pickMode());
        EXPECT_EQ(s(b->list().current(u"irsz"_s).text()), "6771"); // the code of the box is preselected
        QTest::keyClick(b->grid(), Qt::Key_Escape);
    });
    f.postalCodeButton()->click();
    EXPECT_EQ(s(f.edit(u"cim_irsz"_s)->text()), "6771");
    EXPECT_EQ(s(f.edit(u"cim_varos"_s)->text()), "Makó");

    WhenActive([](QWidget* w) {
        auto* b = qobject_cast<Tfrm_Torzs*>(w);
        b->list().locate(u"irsz"_s, Value::fromText(u"7621"_s));
        ASSERT_TRUE(QTest::qWaitForWindowActive(b));
        QTest::keyClick(b->grid(), Qt::Key_Return);
    });
    f.postalCodeButton()->click();
    EXPECT_EQ(s(f.edit(u"cim_irsz"_s)->text()), "7621");
    EXPECT_EQ(s(f.edit(u"cim_varos"_s)->text()), "Pécs");
    EXPECT_EQ(f.focusWidget(), f.edit(u"cim_cim"_s));
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
}

TEST_F(PatientTest, OkSavesTheDateMegsemSavesNothing) {
    // Only the date changed.
    const QDate day(2025, 6, 30);
    WhenActive([day](QWidget* w) {
        auto* f = qobject_cast<Tfrm_Szerkeszt*>(w);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->visitDate()->date(), QDate(2024, 3, 5));
        f->visitDate()->setDate(day);
        f->okButton()->click();
    });
    EXPECT_EQ(OpenPatient(nullptr, tdb->db(), 1), 1);
    EXPECT_EQ(s(field(1, u"dat_utolso"_s)), "2025-06-30");
    EXPECT_EQ(s(field(1, u"ugyfel_nev"_s)), "Kovács Anna");

    WhenActive([](QWidget* w) {
        auto* f = qobject_cast<Tfrm_Szerkeszt*>(w);
        f->visitDate()->setDate(QDate(2020, 1, 1));
        f->edit(u"ugyfel_nev"_s)->setText(u"Más Név"_s);
        QTest::keyClick(f->edit(u"ugyfel_nev"_s), Qt::Key_Escape);
    });
    EXPECT_EQ(OpenPatient(nullptr, tdb->db(), 1), -1);
    EXPECT_EQ(s(field(1, u"dat_utolso"_s)), "2025-06-30");
    EXPECT_EQ(s(field(1, u"ugyfel_nev"_s)), "Kovács Anna");

    // No visit date yet: the picker shows today, and OK stores it; nothing else is touched.
    const QString before =
        field(2, u"CONCAT_WS('|', ugyfel_nev, taj, telefon, cim_irsz, cim_varos, cim_cim)"_s);
    WhenActive([](QWidget* w) {
        auto* f = qobject_cast<Tfrm_Szerkeszt*>(w);
        EXPECT_EQ(f->visitDate()->date(), QDate::currentDate());
        EXPECT_EQ(s(f->edit(u"taj"_s)->text()), "222-333-444");
        f->okButton()->click();
    });
    EXPECT_EQ(OpenPatient(nullptr, tdb->db(), 2), 2);
    EXPECT_EQ(s(field(2, u"dat_utolso"_s)), s(QDate::currentDate().toString(u"yyyy-MM-dd"_s)));
    EXPECT_EQ(s(field(2, u"CONCAT_WS('|', ugyfel_nev, taj, telefon, cim_irsz, cim_varos, cim_cim)"_s)),
              s(before));
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
}

TEST_F(PatientTest, ANewPatientIsTypedAndSaved) {
    WhenActive([](QWidget* w) {
        auto* f = qobject_cast<Tfrm_Szerkeszt*>(w);
        QLineEdit* name = f->edit(u"ugyfel_nev"_s);
        TypeText(name, u"kiss ödön"_s);
        QTest::keyClick(name, Qt::Key_Return);
        QLineEdit* taj = f->edit(u"taj"_s);
        EXPECT_TRUE(taj->hasFocus());
        EXPECT_EQ(taj->palette().color(QPalette::Base), FocusColour);
        EXPECT_NE(name->palette().color(QPalette::Base), FocusColour);
        QTest::keyClicks(taj, u"12ab3456789"_s); // the mask takes only digits
        QTest::keyClick(taj, Qt::Key_Return);
        QTest::keyClicks(f->edit(u"szuldatum"_s), u"1970"_s); // left incomplete
        QTest::keyClick(f->edit(u"szuldatum"_s), Qt::Key_Return);
        TypeText(f->edit(u"szulhely"_s), u"újszász"_s); // an accented first letter stays as typed
        f->edit(u"cim_cim"_s)->setFocus();
        TypeText(f->edit(u"cim_cim"_s), u"fő utca 1."_s);
        f->remark()->setFocus();
        TypeText(f->remark(), u"első"_s);
        QTest::keyClick(f->remark(), Qt::Key_Return);
        TypeText(f->remark(), u"második"_s);
        EXPECT_TRUE(f->isVisible());
        f->okButton()->click();
    });
    const int key = OpenPatient(nullptr, tdb->db(), -1);
    ASSERT_GT(key, 5);
    EXPECT_EQ(s(field(key, u"ugyfel_nev"_s)), "Kiss ödön");
    EXPECT_EQ(s(field(key, u"taj"_s)), "123-456-789");
    EXPECT_EQ(s(field(key, u"szuldatum"_s)), "1970");
    EXPECT_EQ(s(field(key, u"szulhely"_s)), "újszász");
    EXPECT_EQ(s(field(key, u"cim_cim"_s)), "Fő utca 1.");
    EXPECT_EQ(s(field(key, u"cim_varos"_s)), "Szeged");
    EXPECT_EQ(s(field(key, u"megjegyzes"_s)), "első\r\nmásodik"); // stored as the database holds line breaks
    EXPECT_EQ(s(field(key, u"dat_utolso"_s)), s(QDate::currentDate().toString(u"yyyy-MM-dd"_s)));
    EXPECT_EQ(s(field(key, u"COALESCE(telefon, 'NULL')"_s)), "NULL");
    EXPECT_EQ(s(field(key, u"torolve"_s)), "N");
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
}

// What the code page or the server refuses is told, and the window stays open with the typed values.
TEST_F(PatientTest, ARefusedRowKeepsTheWindowOpen) {
    ExecSql(tdb->db(), u"ALTER TABLE ugyfel ADD CONSTRAINT ck_teszt CHECK (telefon <> 'nincs');"_s);
    int steps = 0;
    WhenActive([&steps, this](QWidget* w) {
        auto* f = qobject_cast<Tfrm_Szerkeszt*>(w);
        f->edit(u"ugyfel_nev"_s)->setText(u"Kovács Anna €"_s);
        f->edit(u"telefon"_s)->setText(u"nincs"_s);
        f->okButton()->click();
        ASSERT_TRUE(f->isVisible());
        ASSERT_EQ(messages.entries.size(), 1);
        EXPECT_EQ(messages.entries[0].kind, MessageKind::Error);
        EXPECT_TRUE(messages.last().contains(u"€"_s)) << s(messages.last());
        ++steps;

        f->edit(u"ugyfel_nev"_s)->setText(u"Kovács Anna Mária"_s);
        f->okButton()->click();
        ASSERT_TRUE(f->isVisible());
        ASSERT_EQ(messages.entries.size(), 2);
        EXPECT_TRUE(messages.last().startsWith(u"Hibás adat megadás: "_s)) << s(messages.last());
        EXPECT_TRUE(messages.last().contains(u"ck_teszt"_s)) << s(messages.last());
        EXPECT_EQ(s(f->edit(u"ugyfel_nev"_s)->text()), "Kovács Anna Mária");
        ++steps;

        f->edit(u"telefon"_s)->setText(u"30/999-0000"_s);
        f->okButton()->click();
    });
    const int key = OpenPatient(nullptr, tdb->db(), 1);
    ExecSql(tdb->db(), u"ALTER TABLE ugyfel DROP CONSTRAINT ck_teszt;"_s);
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(key, 1);
    EXPECT_EQ(s(field(1, u"CONCAT(ugyfel_nev, '|', telefon)"_s)), "Kovács Anna Mária|30/999-0000");

    // A patient that is gone is told, not opened.
    messages.entries.clear();
    EXPECT_EQ(OpenPatient(nullptr, tdb->db(), 999), -1);
    ASSERT_EQ(messages.entries.size(), 1);
    EXPECT_EQ(messages.entries[0].kind, MessageKind::Error);
}

TEST_F(PatientTest, TheBrowserOpensThePatientRecord) {
    WhenActive([](QWidget* w) {
        auto* b = qobject_cast<Tfrm_Torzs*>(w);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(s(b->windowTitle()), "Ügyfél választás");
        WhenActive([](QWidget* record) {
            auto* f = qobject_cast<Tfrm_Szerkeszt*>(record);
            ASSERT_NE(f, nullptr);
            TypeText(f->edit(u"ugyfel_nev"_s), u"bodnár zsófia"_s);
            f->okButton()->click();
        });
        b->aUj->trigger();
        EXPECT_EQ(s(b->list().current(u"ugyfel_nev"_s).text()), "Bodnár zsófia");
        b->aElfogad->trigger();
    });
    const KeyAndName chosen = BrowsePatients(nullptr, tdb->db(), -1, true, u"Ügyfél választás"_s);
    EXPECT_GT(chosen.key, 5);
    EXPECT_EQ(s(chosen.name), "Bodnár zsófia");
}

TEST(PatientPicture, ARandomNumberChoosesThePicture) {
    // 1 selects the second picture, 2 the third, anything else the first.
    const int expected[7] = {0, 1, 2, 0, 0, 0, 0};
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(Tfrm_Szerkeszt::PictureForNumber(n), expected[n]) << n;
    TestApplication();
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        paths << Tfrm_Szerkeszt::PicturePath(i);
        EXPECT_TRUE(QFile::exists(paths.last())) << s(paths.last());
    }
    EXPECT_EQ(QSet<QString>(paths.begin(), paths.end()).size(), 3);
}

// The server of the session stops while a record is open: what was typed stays, and OK saves it on the
// profile's next server (here a second server holding the same rows, as a cluster's node would).
TEST_F(PatientTest, OkSavesOnTheNextServerWhenTheFirstStops) {
    TestServer first;
    QFile schema(SourcePath(u"schema/sonoria.sql"_s));
    ASSERT_TRUE(schema.open(QIODevice::ReadOnly));
    QProcess client;
    client.start(u"mariadb"_s, {u"--no-defaults"_s, u"--default-character-set=latin2"_s, u"-h127.0.0.1"_s,
                                u"-P%1"_s.arg(first.port()), u"-usonoria"_s, u"-psonoria"_s});
    ASSERT_TRUE(client.waitForStarted());
    client.write(
        u"CREATE DATABASE %1 CHARACTER SET latin2 COLLATE latin2_hungarian_ci; USE %1;\n"_s.arg(tdb->name())
            .toLatin1());
    client.write(schema.readAll());
    client.write(u"\nINSERT INTO ugyfel (ugyfel, ugyfel_nev, cim_irsz, cim_varos) "
                 u"VALUES (1, 'Kovács Anna', '6720', 'Szeged');\n"_s.toUtf8()); // the schema speaks UTF-8
    client.closeWriteChannel();
    ASSERT_TRUE(client.waitForFinished(120000) && client.exitCode() == 0)
        << client.readAllStandardError().toStdString();

    ConnectionParams p = tdb->params();
    p.host = first.address().host;
    p.port = first.port();
    p.fallbackServers = {{tdb->params().host, tdb->params().port}};
    Connection db;
    db.open(p);
    WhenActive([&](QWidget* w) {
        auto* f = qobject_cast<Tfrm_Szerkeszt*>(w);
        ASSERT_NE(f, nullptr);
        first.stop();
        QLineEdit* name = f->edit(u"ugyfel_nev"_s);
        name->setFocus();
        QTest::keyClick(name, Qt::Key_End);
        TypeText(name, u" Mária"_s);
        QTest::mouseClick(f->okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(OpenPatient(nullptr, db, 1), 1);
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
    EXPECT_EQ(db.currentServer().port, tdb->params().port);
    EXPECT_EQ(s(field(1, u"ugyfel_nev"_s)), "Kovács Anna Mária");
}
