// Opening a connection: fail-over between the servers of a profile, TLS, compression; and the second
// try of a statement that met a lock.
#include "core/Config.h"
#include "db/QueryHelpers.h"
#include "db/RowEditor.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

static std::string s(const QString& q) {
    return q.toStdString();
}

namespace {

// The same small table on a server, as a cluster's nodes would hold it.
void createTable(const ConnectionParams& server) {
    Connection c;
    c.open(server);
    c.exec(u"CREATE DATABASE IF NOT EXISTS fo CHARACTER SET latin2 COLLATE latin2_hungarian_ci;"_s);
    c.exec(u"DROP TABLE IF EXISTS fo.t;"_s);
    c.exec(u"CREATE TABLE fo.t (id INT PRIMARY KEY, v VARCHAR(20)) ENGINE=InnoDB;"_s);
    c.exec(u"INSERT INTO fo.t VALUES (1, 'eredeti');"_s);
}
} // namespace

TEST(FailOver, StatementsGoOnOnTheNextServerWhenTheFirstStops) {
    TestServer first;
    const ConnectionParams shared = TestServerParams();
    ConnectionParams onFirst = shared;
    onFirst.host = first.address().host;
    onFirst.port = first.port();
    createTable(onFirst);
    createTable(shared);

    ConnectionParams p = onFirst;
    p.database = u"fo"_s;
    p.fallbackServers = {{shared.host, shared.port}};
    Connection db;
    db.open(p);
    EXPECT_EQ(SelectInt(db, u"SELECT @@port;"_s, 0), static_cast<int>(first.port()));

    // A record being edited when its server stops: what was typed is kept and posted on the other one.
    RowEditor editor(db, u"t"_s, u"id"_s);
    ASSERT_TRUE(editor.load(1));
    editor.setText(u"v"_s, u"Árvíztűrő"_s);
    first.stop();
    editor.post();
    EXPECT_EQ(db.currentServer(), (ServerAddress{shared.host, shared.port}));
    EXPECT_EQ(db.reconnects(), 1);
    EXPECT_EQ(SelectInt(db, u"SELECT @@port;"_s, 0), static_cast<int>(shared.port));
    EXPECT_EQ(s(SelectText(db, u"SELECT @@collation_connection;"_s, {})), "latin2_hungarian_ci");
    Connection check;
    check.open(shared);
    EXPECT_EQ(s(SelectText(check, u"SELECT v FROM fo.t WHERE id = 1;"_s, {})), "Árvíztűrő");

    // Opening when the first server does not answer: the next one is taken.
    Connection late;
    late.open(p);
    EXPECT_EQ(late.currentServer().port, shared.port);
    check.exec(u"DROP DATABASE fo;"_s);
}

TEST(FailOver, NoServerAnswersNamesEachAndSessionRulesHold) {
    ConnectionParams p = TestServerParams();
    const unsigned shared = p.port;
    p.port = FreeLoopbackPort();
    p.fallbackServers = {{u"127.0.0.1"_s, FreeLoopbackPort()}};
    Connection db;
    try {
        db.open(p);
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.connectionLost()) << s(e.message());
        for (const ServerAddress& a : p.servers())
            EXPECT_TRUE(e.message().contains(a.text())) << s(e.message());
    }
    // A refusal that every server would give (a wrong password) is not tried on the others.
    p.port = shared;
    p.password = u"rossz"_s;
    try {
        db.open(p);
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), 1045) << s(e.message());
    }
}

// A session lost inside a transaction: its changes are gone, so the statements after it must not run on
// the new session as if they were not; the one that meets the loss fails, the next starts afresh.
TEST(FailOver, TransactionIsNotContinuedOnANewSession) {
    TestDatabase tdb(u"losttrans"_s, TestDatabase::Empty);
    tdb.db().exec(u"CREATE TABLE t (id INT PRIMARY KEY) ENGINE=InnoDB;"_s);
    Connection c;
    c.open(tdb.params());
    c.exec(u"START TRANSACTION"_s);
    c.exec(u"INSERT INTO t VALUES (1)"_s);
    tdb.db().exec(u"KILL CONNECTION %1"_s.arg(c.threadId()));
    try {
        c.exec(u"INSERT INTO t VALUES (2)"_s);
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.connectionLost());
        EXPECT_TRUE(e.message().contains(u"tranzakció"_s)) << s(e.message());
    }
    c.exec(u"INSERT INTO t VALUES (3)"_s);
    EXPECT_EQ(SelectInt(tdb.db(), u"SELECT GROUP_CONCAT(id) FROM t;"_s, -1), 3);
}

TEST(FailOver, ServerListText) {
    struct Case {
        QString text;
        QList<ServerAddress> want;
    } cases[] = {
        {u""_s, {}},
        {u" node1 , node2:3307,,"_s, {{u"node1"_s, 3310}, {u"node2"_s, 3307}}},
        {u"10.0.0.5:3306"_s, {{u"10.0.0.5"_s, 3306}}},
        {u"[::1]:3308, ::1"_s, {{u"::1"_s, 3308}, {u"::1"_s, 3310}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseServerList(c.text, 3310), c.want) << s(c.text);
    for (const QString& bad : {u"node:0"_s, u"node:x"_s, u":3306"_s, u"node:70000"_s, u"[::1"_s})
        EXPECT_THROW(ParseServerList(bad), FormatError) << s(bad);
    EXPECT_EQ(s((ServerAddress{u"::1"_s, 3306}).text()), "[::1]:3306");
    for (const QString& h : {u"localhost"_s, u"127.0.0.1"_s, u"127.1.2.3"_s, u"::1"_s})
        EXPECT_TRUE(IsLoopbackHost(h));
    for (const QString& h : {u"10.0.0.5"_s, u"db.rendelo.hu"_s, u"localhost2"_s})
        EXPECT_FALSE(IsLoopbackHost(h));
}

// A row lock held by another session for three seconds against a lock-wait time-out of two: the first
// try of the statement gives up, a second try gets the row. Only a statement that ran on its own is
// tried again.
TEST(LockRetry, StatementOnItsOwnIsTriedOnceMore) {
    TestDatabase tdb(u"lockretry"_s, TestDatabase::Empty);
    tdb.db().exec(u"CREATE TABLE t (id INT PRIMARY KEY, n INT) ENGINE=InnoDB;"_s);
    tdb.db().exec(u"INSERT INTO t VALUES (1, 0);"_s);
    tdb.db().exec(u"CREATE PROCEDURE bump() UPDATE t SET n = n + 1 WHERE id = 1;"_s);
    struct Case {
        const char* name;
        QString before, statement;
        bool succeeds;
    } cases[] = {
        {"autocommit", {}, u"UPDATE t SET n = n + 1 WHERE id = 1"_s, true},
        {"transaction", u"START TRANSACTION"_s, u"UPDATE t SET n = n + 1 WHERE id = 1"_s, false},
        {"procedure", {}, u"CALL bump()"_s, false},
    };
    for (const Case& c : cases) {
        Connection holder, waiter;
        holder.open(tdb.params());
        waiter.open(tdb.params());
        waiter.exec(u"SET SESSION innodb_lock_wait_timeout = 2"_s);
        if (!c.before.isEmpty()) waiter.exec(c.before);
        holder.exec(u"START TRANSACTION"_s);
        holder.exec(u"SELECT * FROM t WHERE id = 1 FOR UPDATE"_s);
        std::thread release([&holder] {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            holder.exec(u"COMMIT"_s);
        });
        int code = 0;
        try {
            waiter.exec(c.statement);
        } catch (const DbError& e) {
            code = e.code();
        }
        release.join();
        EXPECT_EQ(code, c.succeeds ? 0 : 1205) << c.name;
    }
    EXPECT_EQ(SelectInt(tdb.db(), u"SELECT n FROM t;"_s, -1), 1);
}

namespace {
// The TLS-only login of the shared test server, with its CA.
ConnectionParams tlsParams() {
    ConnectionParams p = TestServerParams();
    p.user = qEnvironmentVariable("SONORIA_TEST_TLS_USER");
    p.tls = TlsSettings{true, qEnvironmentVariable("SONORIA_TEST_TLS_CA"), true};
    return p;
}

// What opening gives: empty when it worked, else the error's code and text.
std::pair<int, QString> openWith(const ConnectionParams& p) {
    try {
        Connection c;
        c.open(p);
        return {
            0,
            SelectText(
                c,
                u"SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS WHERE VARIABLE_NAME = 'SSL_CIPHER';"_s,
                {})};
    } catch (const DbError& e) {
        return {e.code(), e.message()};
    }
}
} // namespace

TEST(Tls, VerifiedWithTheCaAndRefusedOtherwise) {
    ASSERT_FALSE(qEnvironmentVariable("SONORIA_TEST_TLS_CA").isEmpty())
        << "run the tests through scripts/test";
    QTemporaryDir dir;
    const QString otherCa = dir.filePath(u"other-ca.pem"_s);
    QProcess openssl;
    openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-days"_s,
                                 u"1"_s, u"-subj"_s, u"/CN=Masik CA"_s, u"-keyout"_s,
                                 dir.filePath(u"k.pem"_s), u"-out"_s, otherCa});
    ASSERT_TRUE(openssl.waitForFinished(60000) && openssl.exitCode() == 0);

    const auto [code, cipher] = openWith(tlsParams());
    EXPECT_EQ(code, 0) << s(cipher);
    EXPECT_FALSE(cipher.isEmpty());

    struct Case {
        const char* name;
        ConnectionParams params;
        QString message;
    } cases[] = {
        {"without TLS",
         [] {
             ConnectionParams p = tlsParams();
             p.tls = {};
             return p;
         }(),
         u"Access denied"_s},
        {"unknown CA",
         [&] {
             ConnectionParams p = tlsParams();
             p.tls.caFile = otherCa;
             return p;
         }(),
         u"hitelesítésszolgáltató (CA) írta alá"_s},
        {"wrong name",
         [] {
             ConnectionParams p = tlsParams();
             p.host = u"127.0.0.2"_s;
             return p;
         }(),
         u"nem erre a névre szól"_s},
        {"CA file missing",
         [&] {
             ConnectionParams p = tlsParams();
             p.tls.caFile = dir.filePath(u"nincs.pem"_s);
             return p;
         }(),
         u"nem olvasható"_s},
    };
    for (const Case& c : cases) {
        const auto [code, message] = openWith(c.params);
        EXPECT_NE(code, 0) << c.name;
        EXPECT_TRUE(message.contains(c.message)) << c.name << ": " << s(message);
    }
    // Without the check of the certificate the name does not matter; the session is still encrypted.
    ConnectionParams unchecked = tlsParams();
    unchecked.host = u"127.0.0.2"_s;
    unchecked.tls.verify = false;
    const auto [uncheckedCode, uncheckedCipher] = openWith(unchecked);
    EXPECT_EQ(uncheckedCode, 0) << s(uncheckedCipher);
    EXPECT_FALSE(uncheckedCipher.isEmpty());
}

TEST(Tls, ServerWithoutTlsIsRefusedNotTalkedToInClearText) {
    TestServer plain(TestServer::WithoutTls);
    ConnectionParams p = TestServerParams();
    p.port = plain.port();
    p.tls.enabled = true;
    const auto [code, message] = openWith(p);
    EXPECT_NE(code, 0);
    EXPECT_TRUE(message.contains(u"nem ad titkosított (TLS) kapcsolatot"_s)) << s(message);
    p.tls.enabled = false;
    EXPECT_EQ(openWith(p).first, 0);
}

TEST(Compression, FollowsTheSetting) {
    for (const bool on : {true, false}) {
        ConnectionParams p = TestServerParams();
        p.compression = on;
        Connection c;
        c.open(p);
        EXPECT_EQ(
            s(SelectText(
                c,
                u"SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS WHERE VARIABLE_NAME = 'COMPRESSION';"_s,
                {})),
            on ? "ON" : "OFF");
    }
}
