#include "admin-ui/Tfrm_Adatbazis.h"
#include "core/Config.h"
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static std::string s(const QString& q) {
    return q.toStdString();
}

class ProfilesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    MessageRecorder messages;
    void SetUp() override {
        TestApplication();
        QFile f(dir.filePath(u"Sonoria.ini"_s));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        SetConfigLocation(dir.path());
    }
    void store(int n, const QString& profile) {
        Config().writeBytes(u"Adatbazis"_s, u"ConStr%1"_s.arg(n), EncodeProfile(profile));
    }
    QString stored(int n) { return DecodeProfile(Config().readBytes(u"Adatbazis"_s, u"ConStr%1"_s.arg(n))); }
};

TEST_F(ProfilesTest, GapsSortingDeletionAndTheFileWrittenOnClose) {
    store(1, u"db1;zeta.host;3306;u1;titok;Zsófia rendelő"_s);
    store(4, u"db4;alfa.host;nincs;u4;p4;Ágnes"_s);
    store(7, u"db7;beta.host;3307;u7;p7;Béla;"_s);
    const ProfileOptions agnes{false, {true, u"/etc/ca.pem"_s, false}, u"alfa2.host:3307"_s};
    agnes.write(Config(), 4);
    Config().writeText(u"frm_Adatbazis"_s, u"MysqlDump"_s, u"/usr/bin/mariadb-dump"_s);
    {
        Tfrm_Adatbazis w;
        ASSERT_EQ(w.rows().size(), 3);
        EXPECT_EQ(s(w.grid->item(0, 0)->text()), "Ágnes"); // Hungarian order: Á before B
        EXPECT_EQ(s(w.grid->item(1, 0)->text()), "Béla");
        EXPECT_EQ(s(w.grid->item(0, 3)->text()), "0"); // a port that is no number reads as 0
        EXPECT_EQ(s(w.eMysqlDump->text()), "/usr/bin/mariadb-dump");
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < w.grid->columnCount(); ++c)
                EXPECT_FALSE(w.grid->item(r, c)->text().contains(u"titok"_s)); // the password never shows
        // Cancelling a new profile leaves the list as it was.
        WhenModalShown([](QWidget* d) { static_cast<QDialog*>(d)->reject(); });
        w.aUjExecute();
        EXPECT_EQ(w.rows().size(), 3);
        w.sortBy(2);          // by host
        w.grid->selectRow(1); // beta.host
        w.aTorolExecute();
        w.show();
        w.aBezar->trigger();
    }
    EXPECT_EQ(s(stored(1)), "db4;alfa.host;0;u4;p4;Ágnes;");
    EXPECT_EQ(s(stored(2)), "db1;zeta.host;3306;u1;titok;Zsófia rendelő;");
    EXPECT_EQ(s(stored(3)), "");
    EXPECT_FALSE(Config().hasKey(u"Adatbazis"_s, u"ConStr4"_s));
    EXPECT_FALSE(Config().hasKey(u"Adatbazis"_s, u"ConStr7"_s));
    // The settings move with their profile.
    EXPECT_EQ(ProfileOptions::read(Config(), 1), agnes);
    EXPECT_EQ(ProfileOptions::read(Config(), 2), ProfileOptions{});
    for (const QString& key : ProfileOptions::keys(4))
        EXPECT_FALSE(Config().hasKey(u"Adatbazis"_s, key)) << s(key);
}

// Typed as the user types them: the six boxes, then TLS with its CA, and a further server that answers
// while the profile's own does not. The window's test connects through both.
TEST_F(ProfilesTest, SettingsBesideTheProfileTypedInTheDialog) {
    TestDatabase data(u"profileoptions"_s);
    const ConnectionParams p = data.params();
    const QString ca = qEnvironmentVariable("SONORIA_TEST_TLS_CA");
    const QString fallback = u"127.0.0.1:%1"_s.arg(p.port);
    {
        Tfrm_Adatbazis w;
        WhenModalShown([&](QWidget*) {
            for (const QString& text : {u"Titkos"_s, p.database, p.host, u"1"_s,
                                        qEnvironmentVariable("SONORIA_TEST_TLS_USER"), p.password}) {
                PressKey(Qt::Key_A, Qt::ControlModifier);
                TypeIntoFocus(text);
                PressKey(Qt::Key_Tab);
            }
            EXPECT_EQ(s(QApplication::focusWidget()->objectName()), "compression");
            PressKey(Qt::Key_Tab);
            PressKey(Qt::Key_Space); // TLS on
            PressKey(Qt::Key_Tab);
            TypeIntoFocus(ca);
            PressKey(Qt::Key_Tab); // the browse button
            PressKey(Qt::Key_Tab); // the check of the certificate, on
            PressKey(Qt::Key_Tab);
            TypeIntoFocus(u"127.0.0.1:port"_s);
            PressKey(Qt::Key_Return, Qt::ControlModifier); // refused: the dialog stays with what was typed
            EXPECT_TRUE(messages.last().contains(u"127.0.0.1:port"_s)) << s(messages.last());
            PressKey(Qt::Key_A, Qt::ControlModifier);
            TypeIntoFocus(fallback);
            PressKey(Qt::Key_Return, Qt::ControlModifier);
        });
        w.aUjExecute();
        ASSERT_EQ(w.rows().size(), 1);
        w.aTesztExecute();
        EXPECT_EQ(s(messages.last()), "Kapcsolat vizsgálata sikeres");
        EXPECT_EQ(s(w.grid->item(0, 5)->text()), "17.0.0.21");
        w.show();
        w.aBezar->trigger();
    }
    EXPECT_EQ(ProfileOptions::read(Config(), 1), (ProfileOptions{true, {true, ca, true}, fallback}));
    EXPECT_TRUE(stored(1).startsWith(u"%1;127.0.0.1;1;"_s.arg(p.database))) << s(stored(1));
}

TEST_F(ProfilesTest, NewProfileThroughTheDialogAndTheTest) {
    {
        Tfrm_Adatbazis w;
        EXPECT_EQ(w.rows().size(), 0);
        const ConnectionParams p = TestServerParams(u"mysql"_s);
        WhenModalShown([&](QWidget* d) {
            QList<QLineEdit*> edits = d->findChildren<QLineEdit*>();
            ASSERT_EQ(edits.size(), 8); // the six of the profile, the CA file and the further servers
            EXPECT_EQ(edits[5]->echoMode(), QLineEdit::Password);
            const QStringList values{u"Teszt"_s, p.database, p.host, QString::number(p.port),
                                     p.user,     p.password};
            for (int i = 0; i < 6; ++i)
                edits[i]->setText(values[i]);
            d->findChild<QPushButton*>(u"ok"_s)->click();
        });
        w.aUjExecute();
        ASSERT_EQ(w.rows().size(), 1);
        // The server has no version table in this database: the error reaches the general report.
        EXPECT_FALSE(RunGuarded([&] { w.aTesztExecute(); }));
        EXPECT_TRUE(messages.last().contains(u"verzio"_s)) << s(messages.last());
        w.rows()[0].kiszolgalo = u"127.0.0.1"_s;
        w.rows()[0].port = 1;
        w.aTesztExecute();
        EXPECT_TRUE(messages.last().startsWith(u"Hiba: "_s)) << s(messages.last());
        w.show();
        w.aBezar->trigger();
    }
    EXPECT_TRUE(stored(1).startsWith(u"mysql;127.0.0.1;1;"_s)) << s(stored(1));
}

// What the stored profile cannot carry is told in the open dialog, which keeps what was typed.
TEST_F(ProfilesTest, TheProfileDialogRefusesWhatTheFileCannotCarry) {
    {
        Tfrm_Adatbazis w;
        QStringList told;
        WhenModalShown([&](QWidget* d) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(d));
            const QList<QLineEdit*> edits = d->findChildren<QLineEdit*>();
            ASSERT_EQ(edits.size(), 8); // the six of the profile first
            const auto type = [&](int box, const QString& text) {
                QTest::mouseClick(edits[box], Qt::LeftButton);
                QTest::keyClick(edits[box], Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(edits[box], Qt::Key_Backspace);
                TypeText(edits[box], text);
            };
            const QStringList values{u"Rendelő"_s, u"sonoria"_s, u"db.host"_s,
                                     u"3306"_s,    u"orvos"_s,   u"ti;tok"_s};
            for (int i = 0; i < 6; ++i)
                type(i, values[i]);
            // Each OK after the first mends what was told and brings the next fault in.
            struct Step {
                QList<std::pair<int, QString>> typed;
            } steps[] = {{{}},
                         {{{5, u"titok"_s}, {3, u""_s}}},
                         {{{3, u"3307"_s}, {1, u"sonoriaЖ"_s}}},
                         {{{1, u"sonoria"_s}}}};
            for (const Step& step : steps) {
                for (const auto& [box, text] : step.typed)
                    type(box, text);
                messages.entries.clear();
                d->findChild<QPushButton*>(u"ok"_s)->click();
                if (!d->isVisible()) break;
                told << messages.last();
                EXPECT_EQ(s(edits[0]->text()), "Rendelő"); // what was typed stays
            }
        });
        w.aUjExecute();
        ASSERT_EQ(told.size(), 3);
        EXPECT_TRUE(told[0].contains(u"„;”"_s)) << s(told[0]);
        EXPECT_EQ(s(told[1]), "A port 1 és 65535 közötti egész szám legyen.");
        EXPECT_TRUE(told[2].contains(u"Ж"_s)) << s(told[2]);
        ASSERT_EQ(w.rows().size(), 1);
        w.show();
        w.aBezar->trigger();
    }
    EXPECT_EQ(s(stored(1)), "sonoria;db.host;3307;orvos;titok;Rendelő;");
}

TEST_F(ProfilesTest, BackupToZipAndRestoreThroughTheWindow) {
    TestDatabase data(u"profilebackup"_s);
    data.db().exec(
        u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('1', 'Árvíztűrő', 10), ('2', 'x''y', NULL);"_s);
    const ConnectionParams p = data.params();
    store(1, u"%1;%2;%3;%4;%5;Mentés"_s.arg(p.database, p.host).arg(p.port).arg(p.user, p.password));
    Tfrm_Adatbazis w;
    w.grid->selectRow(0);
    const QString zip = dir.filePath(u"mentes.zip"_s);
    w.backupTo(zip);
    EXPECT_TRUE(QFile::exists(zip));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"mentes.sql"_s))); // only the archive stays
    data.db().exec(u"DELETE FROM tetel;"_s);
    w.restoreFrom(zip); // the recorder answers the question with yes
    EXPECT_TRUE(messages.texts().join(u'|').contains(u"felülírását?"_s));
    EXPECT_EQ(SelectInt(data.db(), u"SELECT COUNT(*) FROM tetel;"_s, 0), 2);
    EXPECT_EQ(s(SelectText(data.db(), u"SELECT tetel_nev FROM tetel WHERE who = '1';"_s, {})), "Árvíztűrő");
    // A profile that does not connect says so and writes nothing.
    w.rows()[0].port = 1;
    w.backupTo(dir.filePath(u"masik.sql"_s));
    EXPECT_TRUE(messages.last().startsWith(u"Hiba: "_s));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"masik.sql"_s)));
}

TEST_F(ProfilesTest, ARunningRestoreTakesNoSecondCommand) {
    TestDatabase data(u"profilebusy"_s);
    data.db().exec(u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('1', 'egy', 10), ('2', 'kettő', 20);"_s);
    const ConnectionParams p = data.params();
    store(1, u"%1;%2;%3;%4;%5;Mentés"_s.arg(p.database, p.host).arg(p.port).arg(p.user, p.password));
    Tfrm_Adatbazis w;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.grid->selectRow(0);
    const QString file = dir.filePath(u"mentes.sql"_s);
    w.backupTo(file);
    data.db().exec(u"DELETE FROM tetel;"_s);

    // F4 and the file of the restore; while it runs, the user presses F4, F3 and Esc and closes the window.
    // Every file dialog that shows is counted; one beyond the first is sent away.
    struct FileDialogs : QObject {
        int shown = 0;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (auto* d = qobject_cast<QFileDialog*>(o); d && e->type() == QEvent::Show && ++shown > 1)
                QTimer::singleShot(0, d, [d] { QMetaObject::invokeMethod(d, "reject"); });
            return false;
        }
    } fileDialogs;
    qApp->installEventFilter(&fileDialogs);
    WhenModalShown([&](QWidget* d) {
        auto* name = d->findChild<QLineEdit*>(u"fileNameEdit"_s);
        ASSERT_NE(name, nullptr);
        name->clear();
        TypeText(name, file);
        QTest::keyClick(name, Qt::Key_Return);
    });
    bool pressed = false;
    QTimer impatient;
    QObject::connect(&impatient, &QTimer::timeout, [&] {
        if (pressed || !w.progress->isVisible()) return;
        pressed = true;
        QTest::keyClick(w.grid, Qt::Key_F4);
        QTest::keyClick(w.grid, Qt::Key_F3);
        QTest::keyClick(w.grid, Qt::Key_Escape);
        w.close();
    });
    impatient.start(0);
    QTest::keyClick(w.grid, Qt::Key_F4);
    impatient.stop();
    QTest::qWait(1200); // a second file dialog would have come by now

    EXPECT_TRUE(pressed) << "the keys came while the restore ran";
    qApp->removeEventFilter(&fileDialogs);
    EXPECT_EQ(fileDialogs.shown, 1);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(messages.texts().filter(u"felülírását?"_s).size(), 1);
    EXPECT_EQ(SelectInt(data.db(), u"SELECT COUNT(*) FROM tetel;"_s, 0), 2);
    // Afterwards the window takes commands again.
    QTest::keyClick(w.grid, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
}
