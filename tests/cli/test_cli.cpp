#include "core/Config.h"
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>

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
    if (password.isNull()) env.remove(u"SONORIA_PASSWORD"_s);
    else env.insert(u"SONORIA_PASSWORD"_s, password);
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
        {QStringList{u"pdf"_s, u"revenue"_s, u"2024-02-30"_s, u"2024-03-01"_s, u"x.pdf"_s} + db, "Hibás dátum"},
        {QStringList{u"pdf"_s, u"findings"_s, u"1"_s, u"x.pdf"_s, u"--query"_s, u"SELECT 1"_s} + db, "csak a patients"},
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
        EXPECT_FALSE(r.err.contains(u"Jelszó"_s) || r.err.contains(u"QStandardPaths"_s)) << r.err.toStdString();
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
        {u"mysql"_s, u"nem ez a jelszó"_s, "Hiba: Az adatbázis-kiszolgáló nem engedte be", "(hibaszám: 1045)"},
    };
    for (const Case& c : cases) {
        const CliRun r = Cli(QStringList{u"backup"_s, u"x.zip"_s, u"--database"_s, c.database} + Server(p), c.password);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.says))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.server))) << r.err.toStdString();
    }
}

// A database name of this run that no other test uses, dropped again at the end.
class ScratchName {
public:
    explicit ScratchName(const QString& name) : m_name(u"t_%1_%2"_s.arg(name).arg(QCoreApplication::applicationPid())) { drop(); }
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
        return Cli(QStringList{u"create-database"_s, u"--database"_s, database} + Server(p) + options, p.password);
    }
    static int count(const QString& database, const QString& sql) {
        Connection db;
        db.open(TestServerParams(database));
        return SelectInt(db, sql, -1);
    }
    static int objects(const QString& database) {
        return count({}, u"SELECT (SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '%1') + "
                         u"(SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = '%1');"_s.arg(database));
    }
    static QString collation(const QString& database) {
        Connection db;
        db.open(TestServerParams());
        return SelectText(db, u"SELECT DEFAULT_COLLATION_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = '%1';"_s.arg(database), {});
    }
};

TEST_F(CreateDatabase, ANewDatabaseWithThePracticeAndDemoDataThenRefusesToLoadAgain) {
    ScratchName scratch(u"uj"_s);
    const QString& db = scratch.name();
    const QStringList practice = {u"--name"_s, u"Őrségi Érsebészet Kft."_s, u"--postal-code"_s, u"9941"_s, u"--city"_s,
                                  u"Őriszentpéter"_s, u"--address"_s, u"Városszer 8."_s, u"--phone"_s, u"+36 94 555 017"_s};
    CliRun r = create(db, practice + QStringList{u"--demo"_s, u"20"_s});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    EXPECT_EQ(collation(db), u"latin2_hungarian_ci"_s);
    Connection conn;
    conn.open(TestServerParams(db));
    EXPECT_EQ(SelectText(conn, u"SELECT MAX(verzio) FROM verzio;"_s, {}), ProgramVersion());
    EXPECT_EQ(SelectText(conn, u"SELECT CONCAT_WS('|', tulajdonos, irszvaroscim, telefon) FROM vw_tulajdonos;"_s, {}),
              u"Őrségi Érsebészet Kft.|9941 Őriszentpéter, Városszer 8.|+36 94 555 017"_s);
    EXPECT_EQ(SelectInt(conn, u"SELECT COUNT(*) FROM ugyfel;"_s, -1), 20);
    EXPECT_EQ(SelectInt(conn, u"SELECT COUNT(*) FROM munkalap;"_s, -1), 60);
    conn.exec(u"CALL sp_ujmunkalap(1, 2);"_s);  // the procedures came along

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

}  // namespace
