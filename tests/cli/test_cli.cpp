#include "core/Config.h"
#include "core/IniFile.h"
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

// Runs the tool the way cron does: no terminal, no XDG_RUNTIME_DIR, no display.
CliRun Cli(const QStringList& args, const QString& password = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"XDG_RUNTIME_DIR"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    env.remove(u"DISPLAY"_s);
    if (password.isNull())
        env.remove(u"SONORIA_PASSWORD"_s);
    else
        env.insert(u"SONORIA_PASSWORD"_s, password);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SONORIA_CLI), args);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    CliRun r;
    if (p.exitStatus() == QProcess::NormalExit) r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList Server(const ConnectionParams& p) {
    return {u"--host"_s, p.host, u"--port"_s, QString::number(p.port), u"--user"_s, p.user};
}

TEST(CliCommandLine, HelpGoesToStandardOutputAndNothingElseIsSaid) {
    for (const QStringList& args : {QStringList{u"--help"_s}, QStringList{u"backup"_s, u"--help"_s}}) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.contains(u"KAPCSOLAT"_s)) << r.out.toStdString();
        EXPECT_EQ(r.err, QString());
    }
}

TEST(CliCommandLine, MistakesAreUsageErrorsWithStatusTwoBeforeAPasswordIsAsked) {
    // None of these reaches a server (the port below has none) or asks for the password.
    const QStringList nowhere = {u"--host"_s, u"127.0.0.1"_s, u"--port"_s, u"1"_s, u"--user"_s, u"u"_s};
    const QStringList db = nowhere + QStringList{u"--database"_s, u"d"_s};
    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {QStringList{u"backup"_s, u"--bogus"_s, u"1"_s, u"x.zip"_s} + db, "Ismeretlen kapcsoló: --bogus"},
        {QStringList{u"restore"_s, u"x.zip"_s, u"-q"_s} + db, "Ismeretlen kapcsoló: -q"},
        {QStringList{u"backup"_s, u"x.zip"_s} + nowhere, "hiányzik: --database D"},
        {QStringList{u"backup"_s} + db, "Egy fájlt kell megadni"},
        {QStringList{u"restore"_s, u"x.txt"_s} + db, ".sql vagy .zip"},
        {QStringList{u"export"_s, u"--query"_s, u"SELECT 1"_s, u"a.doc"_s} + db, "kiterjesztése"},
        {QStringList{u"pdf"_s, u"revenue"_s, u"2024-02-30"_s, u"2024-03-01"_s, u"x.pdf"_s} + db,
         "Hibás dátum"},
        {QStringList{u"pdf"_s, u"findings"_s, u"1"_s, u"x.pdf"_s, u"--query"_s, u"SELECT 1"_s} + db,
         "csak a patients"},
        {QStringList{u"create-database"_s, u"--demo"_s, u"0"_s} + db, "--demo értéke"},
        {{u"backup"_s, u"x.zip"_s}, "Adja meg a kapcsolatot"},
        {{u"backup"_s, u"x.zip"_s, u"--profile"_s, u"1"_s, u"--host"_s, u"h"_s}, "--profile mellett"},
        {{u"backup"_s, u"x.zip"_s, u"--port"_s}, "--port kapcsolóhoz érték kell"},
        {QStringList{u"backup"_s, u"x.zip"_s, u"--port"_s, u"70000"_s} + db, "1 és 65535"},
        {{u"profile"_s, u"1"_s, u"a;b;1;c;d;e"_s, u"--host"_s, u"h"_s}, "Ismeretlen kapcsoló: --host"},
        {{u"nincs"_s}, "Ismeretlen parancs: nincs"},
        {{}, "PARANCSOK"},
    };
    for (const Case& c : cases) {
        const CliRun r = Cli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(u"Jelszó"_s) || r.err.contains(u"QStandardPaths"_s))
            << r.err.toStdString();
    }
}

// Told as the program's windows tell it: in Hungarian what happened and what to do, then the server's own
// text and number.
TEST(CliCommandLine, AServerErrorIsStatusOneWithTheServersText) {
    const ConnectionParams p = TestServerParams();
    struct Case {
        QString database, password;
        const char* says;
        const char* server;
    } cases[] = {
        {u"nincs_ilyen_adatbazis"_s, p.password, "Hiba: A megadott adatbázis nem létezik",
         "A kiszolgáló üzenete: Unknown database 'nincs_ilyen_adatbazis' (hibaszám: 1049)"},
        {u"mysql"_s, u"nem ez a jelszó"_s, "Hiba: Az adatbázis-kiszolgáló nem engedte be",
         "(hibaszám: 1045)"},
    };
    for (const Case& c : cases) {
        const CliRun r =
            Cli(QStringList{u"backup"_s, u"x.zip"_s, u"--database"_s, c.database} + Server(p), c.password);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.says))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.server))) << r.err.toStdString();
    }
}

// A database name of this run that no other test uses, dropped again at the end.
class ScratchName {
public:
    explicit ScratchName(const QString& name)
        : m_name(u"t_%1_%2"_s.arg(name).arg(QCoreApplication::applicationPid())) {
        drop();
    }
    ~ScratchName() { drop(); }
    const QString& name() const { return m_name; }

private:
    void drop() {
        Connection admin;
        admin.open(TestServerParams());
        admin.exec(u"DROP DATABASE IF EXISTS %1;"_s.arg(m_name));
    }
    QString m_name;
};

class CreateDatabase : public ::testing::Test {
protected:
    CliRun create(const QString& database, const QStringList& options) {
        const ConnectionParams p = TestServerParams();
        return Cli(QStringList{u"create-database"_s, u"--database"_s, database} + Server(p) + options,
                   p.password);
    }
    static int count(const QString& database, const QString& sql) {
        Connection db;
        db.open(TestServerParams(database));
        return SelectInt(db, sql, -1);
    }
    static int objects(const QString& database) {
        return count({},
                     u"SELECT (SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '%1') + "
                     u"(SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = '%1');"_s.arg(
                         database));
    }
    static QString collation(const QString& database) {
        Connection db;
        db.open(TestServerParams());
        return SelectText(
            db,
            u"SELECT DEFAULT_COLLATION_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = '%1';"_s.arg(
                database),
            {});
    }
};

TEST_F(CreateDatabase, ANewDatabaseWithThePracticeAndDemoDataThenRefusesToLoadAgain) {
    ScratchName scratch(u"uj"_s);
    const QString& db = scratch.name();
    const QStringList practice = {
        u"--name"_s,  u"Őrségi Érsebészet Kft."_s, u"--postal-code"_s, u"9941"_s,
        u"--city"_s,  u"Őriszentpéter"_s,          u"--address"_s,     u"Városszer 8."_s,
        u"--phone"_s, u"+36 94 555 017"_s};
    CliRun r = create(db, practice + QStringList{u"--demo"_s, u"20"_s});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    EXPECT_EQ(collation(db), u"latin2_hungarian_ci"_s);
    Connection conn;
    conn.open(TestServerParams(db));
    EXPECT_EQ(SelectText(conn, u"SELECT MAX(verzio) FROM verzio;"_s, {}), ProgramVersion());
    EXPECT_EQ(SelectText(conn,
                         u"SELECT CONCAT_WS('|', tulajdonos, irszvaroscim, telefon) FROM vw_tulajdonos;"_s,
                         {}),
              u"Őrségi Érsebészet Kft.|9941 Őriszentpéter, Városszer 8.|+36 94 555 017"_s);
    EXPECT_EQ(SelectInt(conn, u"SELECT COUNT(*) FROM ugyfel;"_s, -1), 20);
    EXPECT_EQ(SelectInt(conn, u"SELECT COUNT(*) FROM munkalap;"_s, -1), 60);
    conn.exec(u"CALL sp_ujmunkalap(1, 2);"_s); // the procedures came along

    r = create(db, {u"--name"_s, u"Más"_s});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"már vannak táblák"_s)) << r.err.toStdString();
    EXPECT_EQ(SelectInt(conn, u"SELECT COUNT(*) FROM munkalap;"_s, -1), 61);
    EXPECT_EQ(SelectText(conn, u"SELECT tulajdonos FROM tulajdonos;"_s, {}), u"Őrségi Érsebészet Kft."_s);
}

TEST_F(CreateDatabase, AnEmptyDatabaseIsUsedAndAFailureLeavesNothingBehind) {
    // An empty database that an administrator made with the server's defaults: it takes latin2.
    TestDatabase empty(u"ures"_s, TestDatabase::Empty);
    empty.db().exec(u"ALTER DATABASE %1 CHARACTER SET latin1;"_s.arg(empty.name()));
    CliRun r = create(empty.name(), {});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(collation(empty.name()), u"latin2_hungarian_ci"_s);
    EXPECT_EQ(count(empty.name(), u"SELECT COUNT(*) FROM tulajdonos;"_s), 1);

    // A value that does not fit its column fails after the schema is in: the run takes it all back,
    // leaving the empty database empty and a new one not made at all.
    empty.db().exec(u"DROP DATABASE %1;"_s.arg(empty.name()));
    empty.db().exec(u"CREATE DATABASE %1;"_s.arg(empty.name()));
    ScratchName scratch(u"rossz"_s);
    for (const QString& db : {empty.name(), scratch.name()}) {
        r = create(db, {u"--postal-code"_s, u"123456"_s});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(u"--postal-code értéke legfeljebb 5 karakter"_s)) << r.err.toStdString();
    }
    EXPECT_EQ(objects(empty.name()), 0);
    EXPECT_EQ(collation(scratch.name()), QString());
}

// ---- the connection: TLS, a list of servers, compression ----

QStringList Connect(const QString& hosts, const QString& user, const QString& database) {
    return {u"--host"_s, hosts, u"--user"_s, user, u"--database"_s, database};
}

QString SharedServer() {
    return u"127.0.0.1:%1"_s.arg(TestServerParams().port);
}

TEST(CliConnection, BackupAndRestoreOverTls) {
    TestDatabase tdb(u"clitls"_s);
    tdb.db().exec(u"INSERT INTO ugyfel (ugyfel_nev) VALUES ('Titkos Tamás');"_s);
    const QString count = u"SELECT COUNT(*) FROM ugyfel;"_s;
    const int patients = SelectInt(tdb.db(), count, -1);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"mentes.sql"_s);
    const QString password = TestServerParams().password;
    const QStringList clear =
        Connect(SharedServer(), qEnvironmentVariable("SONORIA_TEST_TLS_USER"), tdb.name());
    const QStringList overTls =
        clear + QStringList{u"--tls-ca"_s, qEnvironmentVariable("SONORIA_TEST_TLS_CA")};

    // The TLS-only login without TLS: refused, no file.
    const CliRun refused = Cli(QStringList{u"backup"_s, file} + clear, password);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(QFile::exists(file)) << refused.err.toStdString();

    const CliRun backup = Cli(QStringList{u"backup"_s, file} + overTls, password);
    ASSERT_EQ(backup.exitCode, 0) << backup.err.toStdString();
    tdb.db().exec(u"DELETE FROM ugyfel WHERE ugyfel > 0;"_s);
    const CliRun restore = Cli(QStringList{u"restore"_s, file} + overTls, password);
    ASSERT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    EXPECT_EQ(SelectInt(tdb.db(), count, -1), patients);
}

// The first server of the list does not answer: the next one does the work. Compression is off for a
// server on this machine unless asked for.
TEST(CliConnection, ServerListAndCompression) {
    TestDatabase tdb(u"clihosts"_s, TestDatabase::Empty);
    QTemporaryDir dir;
    const QString out = dir.filePath(u"allapot.csv"_s);
    const QString query =
        u"SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS WHERE VARIABLE_NAME = 'COMPRESSION'"_s;
    const ConnectionParams p = TestServerParams();
    struct Case {
        QStringList extra;
        const char* value;
    } cases[] = {
        {{}, "OFF"},
        {{u"--compression"_s, u"on"_s}, "ON"},
    };
    for (const Case& c : cases) {
        QFile::remove(out);
        const CliRun r = Cli(QStringList{u"export"_s, u"--no-header"_s, u"--query"_s, query, out} +
                                 Connect(u"127.0.0.1:1,"_s + SharedServer(), p.user, tdb.name()) + c.extra,
                             p.password);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll().contains(c.value)) << c.extra.join(u' ').toStdString();
    }
    for (const QStringList& bad :
         {QStringList{u"--compression"_s, u"igen"_s}, QStringList{u"--host"_s, u"db:port"_s}}) {
        const CliRun r = Cli(QStringList{u"export"_s, u"--query"_s, query, out} +
                             Connect(SharedServer(), p.user, tdb.name()) + bad);
        EXPECT_EQ(r.exitCode, 2) << bad.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(bad[1])) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(u"Jelszó"_s)) << r.err.toStdString();
    }
}

TEST(CliConnection, ProfileStoresItsSettingsBesideIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Sonoria.ini"_s);
    struct Case {
        QString host;
        QStringList extra;
        ProfileOptions want;
    } cases[] = {
        {u"10.0.0.5"_s, {}, {}},
        {u"127.0.0.1"_s, {}, {false, {}, {}}},
        {u"127.0.0.1"_s,
         {u"--compression"_s, u"on"_s, u"--tls-ca"_s, u"/etc/ca.pem"_s},
         {true, {true, u"/etc/ca.pem"_s, true}, {}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        const CliRun r = Cli(QStringList{u"profile"_s, QString::number(n),
                                         u"db;%1;3306;u;p;Név"_s.arg(c.host), u"--ini"_s, path} +
                             c.extra);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(ProfileOptions::read(IniFile(path), n), c.want) << n;
    }
    // The six-field text stays as older versions read it.
    EXPECT_EQ(DecodeProfile(IniFile(path).readBytes(u"Adatbazis"_s, u"ConStr3"_s)),
              u"db;127.0.0.1;3306;u;p;Név"_s);
    EXPECT_EQ(
        Cli({u"profile"_s, u"4"_s, u"a;b;1;c;d;e"_s, u"--ini"_s, path, u"--compression"_s, u"x"_s}).exitCode,
        2);
    EXPECT_FALSE(IniFile(path).hasKey(u"Adatbazis"_s, u"ConStr4"_s));
}

} // namespace
