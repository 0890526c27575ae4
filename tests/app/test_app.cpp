#include "app/MainRoutines.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/Tfrm_Main.h"
#include "core/Config.h"
#include "core/Dates.h"
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"
#include "ui/BrowseList.h"
#include "ui/Conventions.h"
#include "ui/PrintDialogs.h"
#include "users/Login.h"
#include "users/UserAdmin.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static std::string s(const QString& q) {
    return q.toStdString();
}

template <class T> static T* child(QWidget* w, const QString& name) {
    T* c = w->findChild<T*>(name);
    EXPECT_NE(c, nullptr) << s(name);
    return c;
}

// Answers the input dialogs that open one after the other with the given texts.
static void AnswerInputs(QStringList texts) {
    auto* timer = new QTimer;
    auto left = std::make_shared<QStringList>(std::move(texts));
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, left, waited] {
        QWidget* w = QApplication::activeModalWidget();
        QLineEdit* edit = w && w->isVisible() ? w->findChild<QLineEdit*>(u"InputDialogEdit"_s) : nullptr;
        if (edit) {
            edit->setText(left->takeFirst());
            static_cast<QDialog*>(w)->accept();
        }
        if (left->isEmpty() || (*waited += 10) > 5000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

class AppTest : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() {
        TestApplication();
        QApplication::setQuitOnLastWindowClosed(false);
        tdb = new TestDatabase(u"app"_s, TestDatabase::Schema);
        for (
            const QString& sql :
            {u"UPDATE tulajdonos SET tulajdonos = 'Teszt Rendelő';"_s,
             u"INSERT INTO ugyfel (ugyfel, ugyfel_nev, telefon) VALUES (1, 'Ábel Anna', '111'), "
             u"(2, 'Bíró Béla', '222'), (3, 'Cseh Csaba', '333'), (4, 'O''Brien Dóra', '444'), "
             u"(5, 'Per\\\\Cent 100% _x', '555');"_s,
             u"INSERT INTO munkalap (munkalap, ev, sorszam, mlaptipus, ugyfel, datum, panaszok, storno) "
             u"VALUES "
             u"(1, 2024, 1, 1, 1, '2024-03-01', 'fejfájás', 'N'), (2, 2025, 1, 2, 2, '2025-05-02', 'göb', "
             u"'N'), "
             u"(3, 2025, 2, 3, 3, '2025-06-03', 'szédülés', 'N'), (4, 2025, 3, 4, 1, '2025-07-04', 'visszér', 'N');"_s,
             u"INSERT INTO felhasznalo (felhasznalo, felhasznalo_nev, jelszo, rendszergazda, torzsszerkeszt) "
             u"VALUES "
             u"('Admin', 'Rendszer Gazda', 'titok', 'I', 'N'), ('ures', 'Üres Jelszó', '', 'N', 'I');"_s})
            tdb->db().exec(sql);
    }
    static void TearDownTestSuite() { delete tdb; }

    void SetUp() override {
        Beall = TBeall{};
        ASSERT_TRUE(dir.isValid());
        QFile f(dir.filePath(u"Sonoria.ini"_s));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        SetConfigLocation(dir.path());
        ExecSql(tdb->db(), u"UPDATE beallit SET vanbelep = 'N', figynap = 0;"_s);
    }

    static QString profile(const QString& name, const QString& port = {}) {
        const ConnectionParams p = tdb->params();
        return QStringList{p.database, p.host,     port.isEmpty() ? QString::number(p.port) : port,
                           p.user,     p.password, name}
            .join(u';');
    }
    static void storeProfile(int n, const QString& text) {
        Config().writeBytes(u"Adatbazis"_s, u"ConStr%1"_s.arg(n), EncodeProfile(text));
    }
    static int deadPort() { return 1; } // nothing listens there on the loopback
    QByteArray iniBytes() const {
        QFile f(ConfigPath());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    // A started main window over the test database.
    std::unique_ptr<Tfrm_Main> startedWindow() {
        storeProfile(1, profile(u"Teszt"_s));
        auto w = std::make_unique<Tfrm_Main>();
        EXPECT_FALSE(w->abandoned());
        return w;
    }

    QTemporaryDir dir;
    MessageRecorder messages;
};

// ---- start-up ----

TEST_F(AppTest, OneAnsweringProfileConnectsWithoutTheChooser) {
    Config().writeInt(u"Alapertek"_s, u"TeljesKep"_s, 0);
    Config().writeInt(u"Alapertek"_s, u"Szeles"_s, 700);
    Config().writeInt(u"Alapertek"_s, u"Magas"_s, 500);
    auto w = startedWindow();
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.last());
    EXPECT_EQ(s(w->windowTitle()), "Sonoria - Leletek: [Teszt Rendelő]");
    EXPECT_EQ(s(w->ProfileLabel->text()), "Sonoria: Teszt  ");
    EXPECT_EQ(s(Beall.userName), "rendszergazda");
    EXPECT_TRUE(Beall.rendszergazda && Beall.candel);
    EXPECT_EQ(w->QryU->rowCount(), 5);
    EXPECT_EQ(s(w->StatusPanels[0]->text()), "5: 1");
    QStringList years;
    for (int i = 0; i < w->TabControl2->count(); ++i)
        years << w->TabControl2->tabText(i);
    EXPECT_EQ(s(years.join(u',')), "2025,2024,Összes");
    EXPECT_EQ(s(w->QryMLap->sql()), "SELECT * FROM vw_munkalap\nWHERE (ev = 2025)\nORDER BY 1;");

    // First showing without full screen and without a stored place: the frame at 10, 10, the stored size.
    w->show();
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(10, 10));
    EXPECT_EQ(w->size(), QSize(700, 500));
    // Closing saves the settings.
    w->close();
    EXPECT_TRUE(iniBytes().contains("Szeles=700"));
    EXPECT_TRUE(iniBytes().contains("Magas=500"));
}

TEST_F(AppTest, ProfileThatDoesNotAnswerShowsTheErrorThenTheChooser) {
    storeProfile(1, profile(u"Halott"_s, QString::number(deadPort())));
    const QByteArray before = iniBytes();
    int entries = -1;
    WhenModalShown([&](QWidget* d) {
        entries = child<QListWidget>(d, u"list"_s)->count();
        child<QPushButton>(d, u"cancel"_s)->click();
    });
    Tfrm_Main w;
    EXPECT_EQ(entries, 1);
    ASSERT_FALSE(messages.entries.isEmpty());
    EXPECT_EQ(messages.entries.first().kind, MessageKind::Error);
    EXPECT_TRUE(messages.entries.first().text.startsWith(u"Hiba: "_s)) << s(messages.last());
    EXPECT_TRUE(w.abandoned());
    // Abandoned: shown empty, closed a second later, nothing saved.
    w.show();
    QElapsedTimer t;
    t.start();
    while (w.isVisible() && t.elapsed() < 3000)
        QTest::qWait(50);
    EXPECT_FALSE(w.isVisible());
    EXPECT_GE(t.elapsed(), 800);
    EXPECT_EQ(iniBytes(), before);
}

TEST_F(AppTest, ChooserListsNamedProfilesAndConnectsWithTheChosenOne) {
    storeProfile(1, profile(u"Első"_s));
    storeProfile(3, profile(u"Harmadik"_s));
    storeProfile(4, profile(QString())); // no display name: never listed
    storeProfile(26, profile(u"Túl messze"_s));
    QStringList shown;
    WhenModalShown([&](QWidget* d) {
        auto* list = child<QListWidget>(d, u"list"_s);
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        list->setCurrentRow(1);
        child<QPushButton>(d, u"ok"_s)->click();
    });
    Tfrm_Main w;
    EXPECT_EQ(s(shown.join(u'|')), "1; Első|3; Harmadik");
    EXPECT_FALSE(w.abandoned());
    EXPECT_EQ(s(Beall.profileName), "Harmadik");
    EXPECT_EQ(s(w.ProfileLabel->text()), "Sonoria: Harmadik  ");
}

TEST_F(AppTest, PortThatIsNoNumberIsAConnectionFailure) {
    storeProfile(1, profile(u"Rossz port"_s, u"33o6"_s));
    WhenModalShown([](QWidget* d) { child<QPushButton>(d, u"cancel"_s)->click(); });
    Tfrm_Main w;
    EXPECT_TRUE(w.abandoned());
    EXPECT_TRUE(messages.entries.value(0).text.startsWith(u"Hiba: A kapcsolat portja („33o6”)"_s))
        << s(messages.last());
}

TEST_F(AppTest, NoProfileRunsTheFirstRunDialog) {
    // Cancelled: start-up is given up and nothing is written.
    WhenModalShown([](QWidget* d) { child<QPushButton>(d, u"cancel"_s)->click(); });
    {
        Tfrm_Main w;
        EXPECT_TRUE(w.abandoned());
    }
    EXPECT_FALSE(Config().hasKey(u"Adatbazis"_s, u"ConStr1"_s));

    // Filled, tested and accepted: ConStr1 holds the profile and the program connects with it.
    const ConnectionParams p = tdb->params();
    bool okBeforeTest = true;
    WhenModalShown([&](QWidget* d) {
        child<QLineEdit>(d, u"host"_s)->setText(p.host);
        child<QLineEdit>(d, u"user"_s)->setText(p.user);
        child<QLineEdit>(d, u"password"_s)->setText(p.password);
        child<QLineEdit>(d, u"database"_s)->setText(p.database);
        child<QLineEdit>(d, u"displayName"_s)->setText(u"Új kapcsolat"_s);
        child<QLineEdit>(d, u"port"_s)->setText(QString::number(p.port));
        okBeforeTest = child<QPushButton>(d, u"ok"_s)->isEnabled();
        child<QPushButton>(d, u"test"_s)->click();
        child<QPushButton>(d, u"ok"_s)->click();
    });
    Tfrm_Main w;
    EXPECT_FALSE(okBeforeTest);
    EXPECT_FALSE(w.abandoned()) << s(messages.last());
    const QList<ProfileEntry> stored = StartupProfiles(Config());
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(s(stored[0].entry), "1; Új kapcsolat");
    EXPECT_EQ(s(stored[0].profile), s(profile(u"Új kapcsolat"_s)));
}

// Typed in the first-run dialog as the user types them: a server on this machine proposes no compression;
// TLS with its CA and a further server that answers while the profile's own port does not. The program
// connects with all of it, and it is stored beside ConStr1.
TEST_F(AppTest, FirstRunDialogTakesTheConnectionSettings) {
    const ConnectionParams p = tdb->params();
    const QString ca = qEnvironmentVariable("SONORIA_TEST_TLS_CA");
    const QString fallback = u"127.0.0.1:%1"_s.arg(p.port);
    WhenModalShown([&](QWidget*) {
        for (const QString& text : {p.host, qEnvironmentVariable("SONORIA_TEST_TLS_USER"), p.password,
                                    p.database, u"Titkos kapcsolat"_s, QString::number(deadPort())}) {
            PressKey(Qt::Key_A, Qt::ControlModifier);
            TypeIntoFocus(text);
            PressKey(Qt::Key_Tab);
        }
        auto* compression = qobject_cast<QCheckBox*>(QApplication::focusWidget());
        ASSERT_TRUE(compression);
        EXPECT_FALSE(compression->isChecked()); // 127.0.0.1 is this machine
        PressKey(Qt::Key_Tab);
        PressKey(Qt::Key_Space); // TLS on
        PressKey(Qt::Key_Tab);
        TypeIntoFocus(ca);
        PressKey(Qt::Key_Tab);
        PressKey(Qt::Key_Tab);
        PressKey(Qt::Key_Tab);
        TypeIntoFocus(fallback);
        PressKey(Qt::Key_Tab);
        PressKey(Qt::Key_Space); // "Kapcsolat tesztelése"; "Rendben" gets the focus
        EXPECT_EQ(s(QApplication::focusWidget()->objectName()), "ok") << s(messages.last());
        PressKey(Qt::Key_Space);
    });
    Tfrm_Main w;
    ASSERT_FALSE(w.abandoned()) << s(messages.last());
    const QString status =
        u"SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS WHERE VARIABLE_NAME = '%1';"_s;
    EXPECT_FALSE(SelectText(w.db(), status.arg(u"SSL_CIPHER"_s), {}).isEmpty());
    EXPECT_EQ(s(SelectText(w.db(), status.arg(u"COMPRESSION"_s), {})), "OFF");
    EXPECT_EQ(w.db().currentServer().port, p.port);
    const QList<ProfileEntry> stored = StartupProfiles(Config());
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].options, (ProfileOptions{false, {true, ca, true}, fallback}));
}

TEST_F(AppTest, VersionWarningAndMissingTables) {
    ExecSql(tdb->db(), u"INSERT INTO verzio VALUES ('17.0.0.3');"_s);
    {
        auto w = startedWindow();
        ASSERT_EQ(messages.entries.size(), 1);
        EXPECT_EQ(messages.entries[0].kind, MessageKind::Warning);
        EXPECT_EQ(s(messages.last()), "Eltérő verziók, hiba lehetséges, frissítse programját, adatbázisát\n"
                                      "adatbázis : 17.0.0.3\nprogram: 17.0.0.21");
        EXPECT_EQ(w->QryU->rowCount(), 5);
    }
    ExecSql(tdb->db(), u"DELETE FROM verzio WHERE verzio = '17.0.0.3';"_s);

    for (const QString& table : {u"felhasznalo"_s, u"verzio"_s}) {
        messages.entries.clear();
        ExecSql(tdb->db(), u"RENAME TABLE %1 TO %1_el;"_s.arg(table));
        storeProfile(1, profile(u"Teszt"_s));
        Tfrm_Main w;
        ExecSql(tdb->db(), u"RENAME TABLE %1_el TO %1;"_s.arg(table));
        EXPECT_TRUE(w.abandoned()) << s(table);
        ASSERT_EQ(messages.entries.size(), 1);
        EXPECT_EQ(messages.entries[0].kind, MessageKind::GeneralError);
        EXPECT_TRUE(messages.last().contains(table)) << s(messages.last());
        EXPECT_EQ(w.QryU->rowCount(), 0);
    }
}

// ---- login ----

TEST_F(AppTest, LoginChecksNameAndPasswordExactly) {
    int tries = 0;
    const ResultSet users = tdb->db().query(u"SELECT * FROM felhasznalo;"_s);
    const struct {
        QString user, password;
        bool ok;
    } cases[] = {{u"Admin"_s, u"titok"_s, true},  {u"admin"_s, u"titok"_s, false},
                 {u"Admin"_s, u"Titok"_s, false}, {u"Adm"_s, u"titok"_s, false},
                 {u"ures"_s, {}, true},           {u"nincs"_s, {}, false}};
    for (const auto& c : cases) {
        messages.entries.clear();
        EXPECT_EQ(CheckCredentials(users, c.user, c.password), c.ok) << s(c.user) << " " << s(c.password);
        EXPECT_EQ(s(messages.last()), c.ok ? "" : "Érvénytelen felhasználó, vagy jelszó");
        ++tries;
    }
    EXPECT_EQ(s(Beall.userName), "Üres Jelszó");
    EXPECT_TRUE(Beall.torzsszerkeszt);
    EXPECT_FALSE(Beall.rendszergazda);
    EXPECT_TRUE(Beall.canins);

    // Through the dialog: a wrong password keeps it open, the right one logs in.
    WhenModalShown([](QWidget* d) {
        child<QLineEdit>(d, u"edtFelhasznalo"_s)->setText(u"Admin"_s);
        child<QLineEdit>(d, u"edtJelszo"_s)->setText(u"rossz"_s);
        child<QPushButton>(d, u"btnOK"_s)->click();
        EXPECT_TRUE(d->isVisible());
        child<QLineEdit>(d, u"edtJelszo"_s)->setText(u"titok"_s);
        child<QPushButton>(d, u"btnOK"_s)->click();
    });
    EXPECT_TRUE(RunLogin(tdb->db()));
    EXPECT_EQ(s(Beall.userName), "Rendszer Gazda");
    EXPECT_TRUE(Beall.rendszergazda);
}

TEST_F(AppTest, PasswordChange) {
    ExecSql(tdb->db(), u"INSERT INTO felhasznalo (felhasznalo, jelszo) VALUES ('Jani', 'regi');"_s);
    const auto stored = [] {
        return s(SelectText(tdb->db(), u"SELECT jelszo FROM felhasznalo WHERE felhasznalo = 'Jani';"_s, {}));
    };
    QStringList afterChange;
    WhenModalShown([&](QWidget* d) {
        auto* user = child<QLineEdit>(d, u"edtFelhasznalo"_s);
        auto* pass = child<QLineEdit>(d, u"edtJelszo"_s);
        auto* change = child<QPushButton>(d, u"btnUjJelszo"_s);
        user->setText(u"Jani"_s);

        // Wrong credentials: the message once and no input dialog.
        pass->setText(u"rossz"_s);
        change->click();
        afterChange << messages.texts().join(u'|');

        pass->setText(u"regi"_s);
        // Two different texts: nothing stored.
        AnswerInputs({u"egyik"_s, u"masik"_s});
        change->click();
        afterChange << messages.last() + u'=' + QString::fromStdString(stored());

        // Longer than the column: refused before anything is stored.
        AnswerInputs({u"tizenegykar"_s, u"tizenegykar"_s});
        change->click();
        afterChange << messages.last() + u'=' + QString::fromStdString(stored());

        // The same text twice: stored exactly.
        AnswerInputs({u"Új jelszó"_s, u"Új jelszó"_s});
        change->click();
        afterChange << messages.last() + u'=' + QString::fromStdString(stored());

        // The old password is still in the box: OK is refused now.
        messages.entries.clear();
        child<QPushButton>(d, u"btnOK"_s)->click();
        afterChange << messages.last();
        pass->setText(u"Új jelszó"_s);
        child<QPushButton>(d, u"btnOK"_s)->click();
    });
    EXPECT_TRUE(RunLogin(tdb->db()));
    ASSERT_EQ(afterChange.size(), 5);
    EXPECT_EQ(s(afterChange[0]), "Érvénytelen felhasználó, vagy jelszó");
    EXPECT_EQ(s(afterChange[1]), "A megadott jelszavak nem egyezőek=regi");
    EXPECT_EQ(s(afterChange[2]),
              "Az új jelszó túl hosszú: legfeljebb 10 karakter lehet. A jelszó nem változott.=regi");
    EXPECT_EQ(s(afterChange[3]), "Jelszó változtatás kész.=Új jelszó");
    EXPECT_EQ(s(afterChange[4]), "Érvénytelen felhasználó, vagy jelszó");
    ExecSql(tdb->db(), u"DELETE FROM felhasznalo WHERE felhasznalo = 'Jani';"_s);
}

TEST_F(AppTest, LoginGivenUpClosesTheWindowAtOnce) {
    ExecSql(tdb->db(), u"UPDATE beallit SET vanbelep = 'I';"_s);
    storeProfile(1, profile(u"Teszt"_s));
    WhenModalShown([](QWidget* d) { child<QPushButton>(d, u"btnMegsem"_s)->click(); });
    Tfrm_Main main;
    EXPECT_TRUE(main.abandoned());
    main.show();
    QTest::qWait(200);
    EXPECT_FALSE(main.isVisible());
}

TEST_F(AppTest, PasswordBoxesShowStars) {
    QString login, firstRun;
    WhenModalShown([&](QWidget* d) {
        auto* user = child<QLineEdit>(d, u"edtFelhasznalo"_s);
        user->setFocus();
        TypeText(user, u"Admin"_s);
        QTest::keyClick(user, Qt::Key_Tab);
        TypeText(QApplication::focusWidget(), u"titok"_s);
        login = child<QLineEdit>(d, u"edtJelszo"_s)->displayText();
        child<QPushButton>(d, u"btnOK"_s)->click();
    });
    EXPECT_TRUE(RunLogin(tdb->db()));
    WhenModalShown([&](QWidget* d) {
        auto* password = child<QLineEdit>(d, u"password"_s);
        password->setFocus();
        TypeText(password, u"jelszó"_s);
        firstRun = password->displayText();
        child<QPushButton>(d, u"cancel"_s)->click();
    });
    EXPECT_FALSE(RunFirstConnectionDialog());
    EXPECT_EQ(s(login), "*****");
    EXPECT_EQ(s(firstRun), "******");
}

// ---- the main window ----

TEST_F(AppTest, SearchSortAndYearTabs) {
    auto w = startedWindow();
    BrowseList* u = w->QryU;
    const struct {
        QString text;
        int rows;
    } searches[] = {{u"b"_s, 4},  {u"O'B"_s, 1}, {u"100%"_s, 1}, {u"\\"_s, 0}, {u"\\\\"_s, 1},
                    {u"_x"_s, 1}, {u"%"_s, 5},   {u"\"'"_s, 0},  {u"2"_s, 1},  {u""_s, 5}};
    for (const auto& c : searches) {
        w->Edit1->setText(c.text);
        EXPECT_TRUE(messages.entries.isEmpty()) << s(c.text) << ": " << s(messages.last());
        EXPECT_EQ(u->rowCount(), c.rows) << s(c.text);
    }
    // The cursor goes to the first row whose sort column begins with the text.
    w->Edit1->setText(u"b"_s);
    EXPECT_EQ(s(u->current(u"ugyfel_nev"_s).text()), "Bíró Béla");

    // "Kód" sorts by the key; letters then filter but position nowhere.
    w->Edit1->clear();
    emit w->DBGrid1->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(s(w->PatientSortField), "ugyfel");
    EXPECT_TRUE(u->sql().endsWith(u"ORDER BY ugyfel;"_s));
    EXPECT_EQ(u->model()->highlightedColumn(), 1);
    EXPECT_EQ(u->model()->background(0, 1), HighlightColour);
    w->Edit1->setText(u"c"_s);
    EXPECT_EQ(u->currentRow(), 0);
    w->Edit1->clear();

    // Examinations: the newest year first, "Összes" shows every year; a search keeps the year.
    w->TabControl1->setCurrentIndex(1);
    BrowseList* m = w->QryMLap;
    EXPECT_FALSE(u->isOpen());
    EXPECT_EQ(m->rowCount(), 3);
    w->Edit1->setText(u"2025.06"_s);
    EXPECT_EQ(m->rowCount(), 1);
    w->TabControl2->setCurrentIndex(1);
    EXPECT_EQ(s(w->Edit1->text()), "");
    EXPECT_EQ(m->rowCount(), 1);
    EXPECT_EQ(s(m->current(u"panaszok"_s).text()), "fejfájás");
    w->TabControl2->setCurrentIndex(2);
    EXPECT_EQ(m->rowCount(), 4);
    w->Edit1->setText(u"visszér"_s);
    EXPECT_EQ(m->rowCount(), 1);
    // Type tints, the highlighted column keeps its own colour.
    w->Edit1->clear();
    EXPECT_EQ(m->model()->background(1, 2), QColor(0xE6, 0xF2, 0xFF));
    EXPECT_EQ(m->model()->background(2, 2), QColor(0xD9, 0xFF, 0xEC));
    EXPECT_EQ(m->model()->background(3, 2), QColor(0xFF, 0xE1, 0xFF));
    EXPECT_FALSE(m->model()->background(0, 2).isValid());
    EXPECT_EQ(m->model()->background(1, 0), HighlightColour);
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.last());

    // Up and Down in the search box go to the grid of the tab shown.
    w->show();
    QApplication::setActiveWindow(w.get());
    w->Edit1->setFocus();
    QTest::keyClick(w->Edit1, Qt::Key_Down);
    EXPECT_TRUE(w->DBGrid2->hasFocus());
    w->TabControl1->setCurrentIndex(0);
    w->Edit1->setFocus();
    QTest::keyClick(w->Edit1, Qt::Key_PageDown);
    EXPECT_TRUE(w->DBGrid1->hasFocus());
    w->close();
}

// The box, the list on screen and the status bar agree whichever way the user went: here a search on
// the examinations, then the box cleared on the patients tab.
TEST_F(AppTest, SearchBoxListAndStatusBarAgreeAcrossTabs) {
    auto w = startedWindow();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTabBar* tabs = w->TabControl1->tabBar();
    const auto showTab = [&](int i) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
    };
    const auto status = [&] { return s(w->StatusPanels[0]->text()); };

    showTab(1);
    ASSERT_EQ(w->TabControl1->currentIndex(), 1);
    EXPECT_EQ(status(), "3: 1"); // the examinations of 2025
    w->Edit1->setFocus();
    TypeText(w->Edit1, u"szédülés"_s);
    EXPECT_EQ(w->QryMLap->rowCount(), 1);
    EXPECT_EQ(status(), "1: 1");

    showTab(0);
    EXPECT_EQ(s(w->Edit1->text()), "szédülés");
    EXPECT_EQ(w->QryU->rowCount(), 0); // the box's text searches the list shown
    EXPECT_EQ(status(), "0: 0");
    w->Edit1->setFocus();
    QTest::keyClick(w->Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w->Edit1, Qt::Key_Backspace);
    EXPECT_EQ(w->QryU->rowCount(), 5);
    EXPECT_EQ(status(), "5: 1");

    showTab(1);
    EXPECT_EQ(s(w->Edit1->text()), "");
    EXPECT_EQ(w->QryMLap->rowCount(), 3);
    EXPECT_EQ(status(), "3: 1");
    QTest::keyClick(w->DBGrid2, Qt::Key_Down);
    EXPECT_EQ(status(), "3: 2");
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.last());
    w->close();
}

// Resting the pointer on a toolbar button shows its hint there, and the status bar keeps its panels.
TEST_F(AppTest, HintsLeaveTheStatusPanelsAlone) {
    auto w = startedWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    for (QToolBar* bar : {w->TopToolBar, w->PatientToolBar}) {
        for (QAction* a : bar->actions()) {
            QWidget* button = bar->widgetForAction(a);
            if (!button || !button->isVisible() || a->isSeparator()) continue;
            QTest::mouseMove(button);
            QTest::qWait(20);
        }
    }
    EXPECT_EQ(s(w->statusBar()->currentMessage()), "");
    for (QLabel* panel : w->StatusPanels)
        EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(s(w->StatusPanels[0]->text()), "5: 1");
    EXPECT_EQ(s(w->aMostJart->toolTip()), "Most járt nálam...");
    w->close();
}

// At the default size and at every font size the captions of the toolbars and the titles of the
// grids' columns are whole: a button or a column is never narrower than what it has to say.
TEST_F(AppTest, CaptionsAndColumnTitlesAreWhole) {
    Config().writeInt(u"Alapertek"_s, u"TeljesKep"_s, 0);
    Config().writeInt(u"Alapertek"_s, u"Betumeret"_s, 8);
    auto w = startedWindow();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(w->size(), QSize(640, 400));
    for (int size : {8, 9, 10}) {
        if (size > 8) QTest::keyClick(w.get(), Qt::Key_F11); // "Betűméret növelése"
        ASSERT_EQ(w->font().pointSize(), size);
        for (int tab : {0, 1}) {
            QTabBar* tabs = w->TabControl1->tabBar();
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
            ASSERT_EQ(w->TabControl1->currentIndex(), tab);
            QToolBar* bar = tab == 0 ? w->PatientToolBar : w->ExamToolBar;
            for (QToolButton* b : bar->findChildren<QToolButton*>()) {
                if (!b->defaultAction() || !b->isVisible()) continue;
                const QFontMetrics fm(b->font());
                EXPECT_GE(b->width(), fm.horizontalAdvance(b->text()) + b->iconSize().width())
                    << size << " pt: " << s(b->text());
            }
            QTableView* grid = tab == 0 ? w->DBGrid1 : w->DBGrid2;
            const QFontMetrics fm(grid->horizontalHeader()->font());
            for (int c = 0; c < grid->model()->columnCount(); ++c) {
                const QString title = grid->model()->headerData(c, Qt::Horizontal).toString();
                EXPECT_GT(grid->columnWidth(c), fm.horizontalAdvance(title)) << size << " pt: " << s(title);
            }
        }
    }
    w->close();
}

TEST_F(AppTest, ReminderToggleColoursAndVisitDate) {
    ExecSql(tdb->db(), u"UPDATE beallit SET figynap = 10;"_s);
    auto w = startedWindow();
    BrowseList* u = w->QryU;
    ASSERT_TRUE(u->locate(u"ugyfel"_s, Value::fromInt(2)));
    const int row = u->currentRow();
    QDate proposed;
    WhenModalShown([&](QWidget* d) {
        auto* picker = child<QDateEdit>(d, u"date"_s);
        proposed = picker->date();
        picker->setDate(QDate::currentDate());
        child<QPushButton>(d, u"ok"_s)->click();
    });
    w->aFigyelmeztet->trigger();
    EXPECT_EQ(proposed, QDate::currentDate().addDays(10));
    EXPECT_EQ(u->current(u"dat_figyelmeztet"_s).toDate(), QDate::currentDate());
    EXPECT_EQ(u->currentRow(), row);
    // Due today: blue on light pink, yellow when selected, the sort column stays pale yellow.
    EXPECT_EQ(u->model()->foreground(row, 2, false), QColor(0x00, 0x00, 0xFF));
    EXPECT_EQ(u->model()->foreground(row, 2, true), QColor(0xFF, 0xFF, 0x00));
    EXPECT_EQ(u->model()->background(row, 2), QColor(0xFF, 0xEC, 0xEC));
    EXPECT_EQ(u->model()->background(row, 0), HighlightColour);
    EXPECT_FALSE(u->model()->foreground(row + 1, 2, false).isValid());

    // The toggle clears without asking.
    w->aFigyelmeztet->trigger();
    EXPECT_TRUE(u->current(u"dat_figyelmeztet"_s).isNull());
    // A reminder tomorrow: normal colours.
    ExecSql(tdb->db(),
            u"UPDATE ugyfel SET dat_figyelmeztet = CURDATE() + INTERVAL 1 DAY WHERE ugyfel = 2;"_s);
    w->aFrissit->trigger();
    EXPECT_FALSE(u->model()->foreground(row, 2, false).isValid());
    EXPECT_FALSE(u->model()->background(row, 2).isValid());
    ExecSql(tdb->db(), u"UPDATE ugyfel SET dat_figyelmeztet = NULL WHERE ugyfel = 2;"_s);

    // "Most járt itt": the chosen date is stored; on the examinations tab nothing happens.
    WhenModalShown([](QWidget* d) {
        child<QDateEdit>(d, u"date"_s)->setDate(QDate(2024, 2, 29));
        child<QPushButton>(d, u"ok"_s)->click();
    });
    w->aMostJart->trigger();
    EXPECT_EQ(u->current(u"dat_utolso"_s).toDate(), QDate(2024, 2, 29));
    w->TabControl1->setCurrentIndex(1);
    w->aMostJart->trigger();
    w->aFigyelmeztet->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.last());
}

TEST_F(AppTest, SoftDeleteKeepsTheCursorInPlace) {
    ExecSql(
        tdb->db(),
        u"INSERT INTO ugyfel (ugyfel, ugyfel_nev) VALUES (90, 'Zz Egy'), (91, 'Zz Kettő'), (92, 'Zz Három');"_s);
    auto w = startedWindow();
    BrowseList* u = w->QryU;
    w->Edit1->setText(u"Zz"_s);
    ASSERT_EQ(u->rowCount(), 3); // Egy, Három, Kettő
    u->setCurrentRow(1);
    messages.answers = {false};
    w->aTorol->trigger();
    EXPECT_EQ(u->rowCount(), 3);
    w->aTorol->trigger();
    EXPECT_EQ(s(messages.entries.last().caption), "Megerősítés");
    EXPECT_EQ(s(messages.last()), "Valóban töröljem a sort?");
    EXPECT_EQ(u->rowCount(), 2);
    EXPECT_EQ(s(u->current(u"ugyfel_nev"_s).text()), "Zz Kettő");
    EXPECT_EQ(s(SelectText(tdb->db(), u"SELECT torolve FROM ugyfel WHERE ugyfel = 92;"_s, {})), "I");
    w->aTorol->trigger();
    w->aTorol->trigger();
    EXPECT_EQ(u->rowCount(), 0);
    EXPECT_EQ(s(w->StatusPanels[0]->text()), "0: 0");
    w->aTorol->trigger(); // nothing left to delete: no question
    EXPECT_EQ(messages.entries.size(), 4);

    // An examination is cancelled the same way.
    w->Edit1->clear();
    w->TabControl1->setCurrentIndex(1);
    ExecSql(tdb->db(), u"INSERT INTO munkalap (munkalap, ev, mlaptipus, ugyfel) VALUES (90, 2025, 1, 1);"_s);
    w->aFrissit->trigger();
    ASSERT_TRUE(w->QryMLap->locate(u"munkalap"_s, Value::fromInt(90)));
    w->aTorol->trigger();
    EXPECT_EQ(s(SelectText(tdb->db(), u"SELECT storno FROM munkalap WHERE munkalap = 90;"_s, {})), "I");
    EXPECT_EQ(w->QryMLap->rowCount(), 3);
}

TEST_F(AppTest, RightsFontSizeAndALostConnection) {
    auto w = startedWindow();
    Beall.rendszergazda = false;
    w->aFelhasznalo->trigger();
    w->aAdatbazis->trigger();
    EXPECT_EQ(s(messages.texts().join(u'|')),
              "Nincs jogosultság a művelethez.|Nincs jogosultság a művelethez.");
    messages.entries.clear();

    Beall.betumeret = 10;
    w->aNovel->trigger();
    EXPECT_EQ(Beall.betumeret, 10);
    w->aCsokkent->trigger();
    w->aCsokkent->trigger();
    w->aCsokkent->trigger();
    EXPECT_EQ(Beall.betumeret, 8);
    EXPECT_EQ(w->font().pointSize(), 8);

    // The server drops the idle connection: the re-read notices it before sending, connects again,
    // with latin2 on the session, and keeps the row; the user sees nothing of it.
    const unsigned long thread = w->db().threadId();
    ExecSql(tdb->db(), u"KILL CONNECTION %1;"_s.arg(thread));
    w->QryU->setCurrentRow(2);
    w->aFrissit->trigger();
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.last());
    EXPECT_EQ(w->QryU->rowCount(), 5);
    EXPECT_EQ(w->QryU->currentRow(), 2);
    EXPECT_NE(w->db().threadId(), thread);
    EXPECT_EQ(s(SelectText(w->db(),
                           u"SELECT CONCAT(@@character_set_connection, ' ', @@collation_connection);"_s, {})),
              "latin2 latin2_hungarian_ci");
    // A failing re-read is shown by the general error report, and the window goes on.
    ExecSql(tdb->db(), u"RENAME TABLE ugyfel TO ugyfel_el;"_s);
    w->aFrissit->trigger();
    ExecSql(tdb->db(), u"RENAME TABLE ugyfel_el TO ugyfel;"_s);
    ASSERT_EQ(messages.entries.size(), 1);
    EXPECT_EQ(messages.entries[0].kind, MessageKind::GeneralError);
    w->aFrissit->trigger();
    EXPECT_EQ(w->QryU->rowCount(), 5);
}

// ---- the users window ----

TEST_F(AppTest, UsersWindowRules) {
    const auto row = [](const QString& user) {
        return s(SelectText(
            tdb->db(),
            u"SELECT CONCAT_WS('/', felhasznalo_nev, jelszo, rendszergazda, torzsszerkeszt, canins) "
            u"FROM felhasznalo WHERE felhasznalo = "_s +
                u'\'' + user + u"';"_s,
            u"nincs"_s));
    };
    QStringList seen;
    WhenModalShown([&](QWidget* window) {
        auto* grid = child<QTableView>(window, u"grid"_s);
        auto* model = static_cast<ResultSetModel*>(grid->model());
        seen << QString::number(model->rowCount()) << child<QLabel>(window, u"position"_s)->text();
        QAction* aUj = nullptr;
        QAction* aSzerkeszt = nullptr;
        for (QAction* a : window->actions()) {
            if (a->text() == u"Új"_s) aUj = a;
            if (a->text() == u"Szerkeszt"_s) aSzerkeszt = a;
        }
        // A new user: no password, then a password without its confirmation, a taken name, then right.
        WhenModalShown([&](QWidget* d) {
            child<QLineEdit>(d, u"felhasznalo"_s)->setText(u"Uj"_s);
            child<QPushButton>(d, u"ok"_s)->click();
            seen << messages.last();
            child<QLineEdit>(d, u"jelszo"_s)->setText(u"abc"_s);
            child<QPushButton>(d, u"ok"_s)->click();
            seen << messages.last();
            child<QLineEdit>(d, u"confirm"_s)->setText(u"abc"_s);
            child<QLineEdit>(d, u"felhasznalo"_s)->setText(u"Admin"_s);
            messages.entries.clear();
            child<QPushButton>(d, u"ok"_s)->click();
            seen << messages.last() << QString::number(d->isVisible());
            child<QLineEdit>(d, u"felhasznalo"_s)->setText(u"Uj"_s);
            child<QPushButton>(d, u"ok"_s)->click();
        });
        aUj->trigger();
        seen << QString::number(model->rowCount())
             << model->value(grid->currentIndex().row(), u"felhasznalo"_s).text();
        // Editing without touching the password stores the row.
        WhenModalShown([&](QWidget* d) {
            child<QLineEdit>(d, u"felhasznalo_nev"_s)->setText(u"Új Ember"_s);
            child<QCheckBox>(d, u"rendszergazda"_s)->setChecked(true);
            messages.entries.clear();
            child<QPushButton>(d, u"ok"_s)->click();
        });
        aSzerkeszt->trigger();
        seen << messages.last();
        static_cast<QDialog*>(window)->reject();
    });
    ShowUserAdmin(tdb->db());
    ASSERT_EQ(seen.size(), 9);
    EXPECT_EQ(s(seen[0]), "2");
    EXPECT_EQ(s(seen[1]), "2: 1");
    EXPECT_EQ(s(seen[2]), "Hiányos adat megadás");
    EXPECT_EQ(s(seen[3]), "Hibás jelszó megadás");
    // A taken name: the refusal says why.
    EXPECT_TRUE(seen[4].startsWith(u"Hiányos adat megadás\nIlyen adat már szerepel"_s)) << s(seen[4]);
    EXPECT_TRUE(seen[4].contains(u"(hibaszám: 1062)"_s)) << s(seen[4]);
    EXPECT_EQ(s(seen[5]), "1");
    EXPECT_EQ(s(seen[6]), "3");
    EXPECT_EQ(s(seen[7]), "Uj");
    EXPECT_EQ(s(seen[8]), "");
    EXPECT_EQ(row(u"Uj"_s), "Új Ember/abc/I/N/I");
    EXPECT_EQ(row(u"Admin"_s), "Rendszer Gazda/titok/I/N/I");
    ExecSql(tdb->db(), u"DELETE FROM felhasznalo WHERE felhasznalo = 'Uj';"_s);
}

// ---- settings and the small dialogs ----

TEST_F(AppTest, SettingsDialogOkAndCancel) {
    Beall.formatFt = u"### ##0"_s;
    const auto shared = [] {
        return s(SelectText(tdb->db(),
                            u"SELECT GROUP_CONCAT(CONCAT_WS('/', vanbelep, figynap)) FROM beallit;"_s, {}));
    };
    ExecSql(tdb->db(), u"UPDATE beallit SET vanbelep = 'I', figynap = 3;"_s);
    WhenModalShown([](QWidget* d) {
        child<QCheckBox>(d, u"vanbelep"_s)->setChecked(false);
        child<QLineEdit>(d, u"figynap"_s)->setText(u"7"_s);
        child<QLineEdit>(d, u"formatFt"_s)->setText(u"0.00"_s);
        child<QPushButton>(d, u"cancel"_s)->click();
    });
    EXPECT_FALSE(RunSettingsDialog(tdb->db()));
    EXPECT_EQ(shared(), "I/3");
    EXPECT_EQ(s(Beall.formatFt), "### ##0");

    WhenModalShown([&](QWidget* d) {
        child<QCheckBox>(d, u"vanbelep"_s)->setChecked(false);
        child<QCheckBox>(d, u"teljesKep"_s)->setChecked(false);
        child<QComboBox>(d, u"printer"_s)->setEditText(u"Irodai"_s);
        child<QLineEdit>(d, u"figynap"_s)->setText(u"hét"_s);
        child<QPushButton>(d, u"ok"_s)->click();
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(s(messages.last()), "A(z) „hét” nem egész szám.");
        child<QLineEdit>(d, u"figynap"_s)->setText(u"7"_s);
        child<QLineEdit>(d, u"formatFt"_s)->setText(u"0.00"_s);
        child<QPushButton>(d, u"ok"_s)->click();
    });
    EXPECT_TRUE(RunSettingsDialog(tdb->db()));
    EXPECT_EQ(shared(), "N/7");
    EXPECT_EQ(s(Beall.formatFt), "0.00");
    EXPECT_EQ(s(Beall.printerName), "Irodai");
    EXPECT_FALSE(Beall.teljesKep);

    // An empty table gets one new row.
    ExecSql(tdb->db(), u"DELETE FROM beallit;"_s);
    WhenModalShown([](QWidget* d) {
        child<QCheckBox>(d, u"vanbelep"_s)->setChecked(true);
        child<QLineEdit>(d, u"figynap"_s)->setText(u"2"_s);
        child<QPushButton>(d, u"ok"_s)->click();
    });
    EXPECT_TRUE(RunSettingsDialog(tdb->db()));
    EXPECT_EQ(shared(), "I/2");
    ExecSql(tdb->db(), u"DELETE FROM beallit;"_s);
    ExecSql(tdb->db(), u"INSERT INTO beallit (vanbelep, figynap) VALUES ('N', 0);"_s);
}

TEST_F(AppTest, ChoiceAndPeriodDialogs) {
    int shown = -1;
    WhenModalShown([&](QWidget* d) {
        shown = static_cast<int>(d->findChildren<QRadioButton*>().size());
        child<QRadioButton>(d, u"option1"_s)->setChecked(true);
        child<QPushButton>(d, u"ok"_s)->click();
    });
    EXPECT_EQ(AskChoice(0, u"Vizsgálati lelet,;Lista"_s, u"Nyomtatás típusa"_s), 1);
    EXPECT_EQ(shown, 2);
    WhenModalShown([](QWidget* d) { child<QPushButton>(d, u"cancel"_s)->click(); });
    EXPECT_EQ(AskChoice(0, u"a,b"_s, u"x"_s), -1);

    QDate from(2020, 1, 1), to(2020, 1, 2);
    WhenModalShown([](QWidget* d) {
        for (QPushButton* b : d->findChildren<QPushButton*>())
            if (b->text() == u"Idén"_s) b->click();
        child<QPushButton>(d, u"ok"_s)->click();
    });
    EXPECT_TRUE(AskPeriod(from, to));
    EXPECT_EQ(Period({from, to}), ThisYear(QDate::currentDate()));
    WhenModalShown([](QWidget* d) { child<QPushButton>(d, u"cancel"_s)->click(); });
    QDate keep = from;
    EXPECT_FALSE(AskPeriod(from, to));
    EXPECT_EQ(from, keep);

    // Without printers the name stays as it was and the box is empty; a typed name comes back.
    QString printer;
    WhenModalShown([](QWidget* d) {
        child<QRadioButton>(d, u"option1"_s)->setChecked(true);
        EXPECT_TRUE(child<QComboBox>(d, u"printer"_s)->isEnabled());
        child<QComboBox>(d, u"printer"_s)->setEditText(u"Valami"_s);
        child<QPushButton>(d, u"ok"_s)->click();
    });
    EXPECT_EQ(AskPrintChoice(printer), 1);
    EXPECT_EQ(s(printer), "Valami");
}

TEST_F(AppTest, NewRowsComeBackThroughTheRoutines) {
    auto w = startedWindow();
    QList<int> examinationCall;
    Routines().openPatient = [](Connection& db, QWidget*, int key) {
        EXPECT_EQ(key, -1);
        db.exec(u"INSERT INTO ugyfel (ugyfel, ugyfel_nev) VALUES (70, 'Ábrahám Új');"_s);
        return 70;
    };
    Routines().openExamination = [&](Connection& db, QWidget*, int examination, int patient, int type) {
        examinationCall = {examination, patient, type};
        db.exec(u"INSERT INTO munkalap (munkalap, ev, mlaptipus, ugyfel) VALUES (70, 2025, 3, 1);"_s);
        return 70;
    };
    w->aUj->trigger();
    EXPECT_EQ(w->QryU->rowCount(), 6);
    EXPECT_EQ(s(w->QryU->current(u"ugyfel_nev"_s).text()), "Ábrahám Új");

    // A new examination: the type is asked first and handed over as index + 1.
    w->TabControl1->setCurrentIndex(1);
    WhenModalShown([](QWidget* d) {
        EXPECT_EQ(s(d->windowTitle()), "Vizsgálat típusa");
        child<QRadioButton>(d, u"option2"_s)->setChecked(true);
        child<QPushButton>(d, u"ok"_s)->click();
    });
    w->aUj->trigger();
    EXPECT_EQ(examinationCall, QList<int>({-1, -1, 3}));
    EXPECT_EQ(w->QryMLap->current(u"munkalap"_s).toInt(), 70);
    // Cancelling the type choice ends the action.
    examinationCall.clear();
    WhenModalShown([](QWidget* d) { child<QPushButton>(d, u"cancel"_s)->click(); });
    w->aUj->trigger();
    EXPECT_TRUE(examinationCall.isEmpty());

    Routines() = MainRoutines{};
    ExecSql(tdb->db(), u"DELETE FROM munkalap WHERE munkalap = 70;"_s);
    ExecSql(tdb->db(), u"DELETE FROM ugyfel WHERE ugyfel = 70;"_s);
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.last());
}

// A server of its own that the test stops and starts again under the running main window.
TEST_F(AppTest, ServerThatStopsAndComesBack) {
    QTemporaryDir serverDir;
    const int port = [] {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t n = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
        ::close(fd);
        return static_cast<int>(ntohs(a.sin_port));
    }();
    const QString script = SourcePath(u"scripts/dbserver"_s);
    const auto server = [&](const QString& command) {
        return QProcess::execute(script, {command, serverDir.path(), QString::number(port)});
    };
    ASSERT_EQ(server(u"start"_s), 0);
    struct Stop {
        std::function<int(const QString&)> server;
        ~Stop() { server(u"stop"_s); }
    } stop{server};

    ConnectionParams p;
    p.host = u"127.0.0.1"_s;
    p.port = static_cast<unsigned>(port);
    p.user = p.password = u"sonoria"_s;
    {
        Connection admin;
        admin.open(p);
        admin.exec(u"CREATE DATABASE own CHARACTER SET latin2 COLLATE latin2_hungarian_ci;"_s);
    }
    QProcess client;
    client.setStandardInputFile(SourcePath(u"schema/sonoria.sql"_s));
    client.start(u"mariadb"_s, {u"--no-defaults"_s, u"-h127.0.0.1"_s, u"-P%1"_s.arg(port), u"-usonoria"_s,
                                u"-psonoria"_s, u"own"_s});
    ASSERT_TRUE(client.waitForFinished(60000));
    ASSERT_EQ(client.exitCode(), 0);
    p.database = u"own"_s;
    {
        Connection db;
        db.open(p);
        db.exec(u"INSERT INTO ugyfel (ugyfel_nev) VALUES ('Őri Ödön');"_s);
    }
    storeProfile(
        1, QStringList{u"own"_s, p.host, QString::number(port), p.user, p.password, u"Saját"_s}.join(u';'));
    Tfrm_Main w;
    ASSERT_FALSE(w.abandoned()) << s(messages.last());
    ASSERT_EQ(w.QryU->rowCount(), 1);

    // Stopped: the action shows the error and the window goes on with the rows it had.
    ASSERT_EQ(server(u"stop"_s), 0);
    w.aFrissit->trigger();
    ASSERT_EQ(messages.entries.size(), 1);
    EXPECT_EQ(messages.entries[0].kind, MessageKind::GeneralError);
    EXPECT_FALSE(messages.last().isEmpty());
    EXPECT_EQ(w.QryU->rowCount(), 1);
    messages.entries.clear();

    // Back again: the next re-read works, with latin2 on the new session.
    ASSERT_EQ(server(u"start"_s), 0);
    w.aFrissit->trigger();
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.last());
    EXPECT_EQ(s(w.QryU->current(u"ugyfel_nev"_s).text()), "Őri Ödön");
    EXPECT_EQ(s(SelectText(w.db(),
                           u"SELECT CONCAT(@@character_set_connection, ' ', @@collation_connection);"_s, {})),
              "latin2 latin2_hungarian_ci");
}

// ---- on a virtual screen under a window manager (the test "app_wm") ----

// A property of the window as the window manager sees it (xprop's line).
static QString windowProperty(QWidget* window, const char* name) {
    QProcess xprop;
    xprop.start(u"xprop"_s, {u"-id"_s, QString::number(window->winId()), QString::fromLatin1(name)});
    xprop.waitForFinished(5000);
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
}

static bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QTest::qWait(20);
    return done();
}

// Several profiles, no full screen: the chooser, then the main window at the stored size with its
// title bar on the screen; the titles are the program's own, and closing keeps the size.
TEST_F(AppTest, UnderWindowManagerTheChosenProfileOpensAtTheStoredSize) {
    if (QGuiApplication::platformName() != u"xcb"_s)
        GTEST_SKIP() << "needs a window manager (the test app_wm)";
    Config().writeInt(u"Alapertek"_s, u"TeljesKep"_s, 0);
    Config().writeInt(u"Alapertek"_s, u"Szeles"_s, 900);
    Config().writeInt(u"Alapertek"_s, u"Magas"_s, 600);
    storeProfile(1, profile(u"Első"_s));
    storeProfile(2, profile(u"Második"_s));
    QString chooserTitle, chooserActions;
    WhenModalShown([&](QWidget* d) {
        waitFor([&] { return windowProperty(d, "_NET_WM_ALLOWED_ACTIONS").contains(u"_NET_WM_ACTION"_s); });
        chooserTitle = windowProperty(d, "_NET_WM_NAME");
        chooserActions = windowProperty(d, "_NET_WM_ALLOWED_ACTIONS");
        auto* list = child<QListWidget>(d, u"list"_s);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    });
    auto w = std::make_unique<Tfrm_Main>();
    ASSERT_FALSE(w->abandoned()) << s(messages.last());
    EXPECT_EQ(s(chooserTitle), "_NET_WM_NAME(UTF8_STRING) = \"Sonoria adatbázis választás\"");
    EXPECT_TRUE(chooserActions.contains(u"_NET_WM_ACTION_CLOSE"_s)) << s(chooserActions);
    EXPECT_FALSE(chooserActions.contains(u"MAXIMIZE"_s)) << s(chooserActions); // a fixed-size dialog
    EXPECT_EQ(s(Beall.profileName), "Második");

    w->show();
    waitFor([&] { return w->frameGeometry() != w->geometry(); }); // framed by the window manager
    QTest::qWait(300); // and whatever it still has to say about the size
    EXPECT_EQ(w->size(), QSize(900, 600));
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(10, 10));
    EXPECT_EQ(s(windowProperty(w.get(), "_NET_WM_NAME")),
              "_NET_WM_NAME(UTF8_STRING) = \"Sonoria - Leletek: [Teszt Rendelő]\"");
    w->close();
    EXPECT_TRUE(iniBytes().contains("Szeles=900")) << iniBytes().toStdString();
    EXPECT_TRUE(iniBytes().contains("Magas=600"));
}
