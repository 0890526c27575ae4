// The connection options of sonoria-cli: TLS, a list of servers, compression.
#include "core/Config.h"
#include "core/IniFile.h"
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct CliRun {
    int exitCode;
    QString err;
};

CliRun cli(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"SONORIA_PASSWORD"_s, TestServerParams().password);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SONORIA_CLI), args);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

QStringList connection(const QString& hosts, const QString& user, const QString& database) {
    return {u"--host"_s, hosts, u"--user"_s, user, u"--database"_s, database};
}

QString shared() {
    return u"127.0.0.1:%1"_s.arg(TestServerParams().port);
}

} // namespace

TEST(CliConnection, BackupAndRestoreOverTls) {
    TestDatabase tdb(u"clitls"_s);
    tdb.db().exec(u"INSERT INTO ugyfel (ugyfel_nev) VALUES ('Titkos Tamás');"_s);
    const QString count = u"SELECT COUNT(*) FROM ugyfel;"_s;
    const int patients = SelectInt(tdb.db(), count, -1);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"mentes.sql"_s);
    const QStringList overTls =
        connection(shared(), qEnvironmentVariable("SONORIA_TEST_TLS_USER"), tdb.name()) +
        QStringList{u"--tls-ca"_s, qEnvironmentVariable("SONORIA_TEST_TLS_CA")};

    // The TLS-only login without TLS: refused, no file.
    const CliRun clear = cli(QStringList{u"backup"_s, file} + overTls.mid(0, 6));
    EXPECT_NE(clear.exitCode, 0);
    EXPECT_FALSE(QFile::exists(file)) << clear.err.toStdString();

    const CliRun backup = cli(QStringList{u"backup"_s, file} + overTls);
    ASSERT_EQ(backup.exitCode, 0) << backup.err.toStdString();
    tdb.db().exec(u"DELETE FROM ugyfel WHERE ugyfel > 0;"_s);
    const CliRun restore = cli(QStringList{u"restore"_s, file} + overTls);
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
    struct Case {
        QStringList extra;
        const char* value;
    } cases[] = {
        {{}, "OFF"},
        {{u"--compression"_s, u"on"_s}, "ON"},
    };
    const QString hosts = u"127.0.0.1:1,"_s + shared();
    for (const Case& c : cases) {
        QFile::remove(out);
        const CliRun r = cli(QStringList{u"export"_s, u"--no-header"_s, u"--query"_s, query, out} +
                             connection(hosts, TestServerParams().user, tdb.name()) + c.extra);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll().contains(c.value)) << c.extra.join(u' ').toStdString();
    }
    for (const QStringList& bad :
         {QStringList{u"--compression"_s, u"igen"_s}, QStringList{u"--host"_s, u"db:port"_s}}) {
        const CliRun r = cli(QStringList{u"export"_s, u"--query"_s, query, out} +
                             connection(shared(), TestServerParams().user, tdb.name()) + bad);
        EXPECT_NE(r.exitCode, 0) << bad.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(bad[1])) << r.err.toStdString();
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
        const CliRun r = cli(QStringList{u"profile"_s, QString::number(n),
                                         u"db;%1;3306;u;p;Név"_s.arg(c.host), u"--ini"_s, path} +
                             c.extra);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(ProfileOptions::read(IniFile(path), n), c.want) << n;
    }
    // The six-field text stays as older versions read it.
    EXPECT_EQ(DecodeProfile(IniFile(path).readBytes(u"Adatbazis"_s, u"ConStr3"_s)),
              u"db;127.0.0.1;3306;u;p;Név"_s);
}
