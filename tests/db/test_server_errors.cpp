// Errors provoked on the real server reach the user as a Hungarian sentence with the server's own
// text and number after it.
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <thread>

using namespace Qt::StringLiterals;

namespace {
std::string s(const QString& q) {
    return q.toStdString();
}

// A loopback port that listens. acceptAndClose: the one connection that arrives is accepted and
// closed at once, so the client loses it while it waits for the server's greeting; otherwise the
// port is closed again before anyone connects, so nothing listens there.
class LoopbackPort {
public:
    explicit LoopbackPort(bool acceptAndClose) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        if (acceptAndClose) {
            ::listen(m_fd, 1);
            m_thread = std::thread([fd = m_fd] {
                const int c = ::accept(fd, nullptr, nullptr);
                if (c >= 0) ::close(c);
            });
        } else {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~LoopbackPort() {
        if (m_fd >= 0) ::shutdown(m_fd, SHUT_RDWR), ::close(m_fd);
        if (m_thread.joinable()) m_thread.join();
    }
    unsigned port() const { return m_port; }

private:
    int m_fd = -1;
    unsigned m_port = 0;
    std::thread m_thread;
};

class ServerErrorTest : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() { tdb = new TestDatabase(u"dberr"_s, TestDatabase::Empty); }
    static void TearDownTestSuite() { delete tdb; }
    Connection& db() { return tdb->db(); }
    void SetUp() override {
        db().exec(u"SET SESSION sql_mode = 'STRICT_TRANS_TABLES';"_s);
        db().exec(u"DROP TABLE IF EXISTS r;"_s);
        db().exec(u"CREATE TABLE r (id INT PRIMARY KEY, nev VARCHAR(5) NOT NULL CHECK (nev <> ''), "
                  u"ar DECIMAL(6,2)) ENGINE=InnoDB;"_s);
        db().exec(u"INSERT INTO r VALUES (1, 'egy', 1), (2, 'ketto', 2);"_s);
    }
    Connection& second() {
        if (!m_second.isOpen()) m_second.open(tdb->params());
        return m_second;
    }
    Connection m_second;
};

std::optional<DbError> errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e;
    }
    return std::nullopt;
}

void connectTo(const ConnectionParams& params) {
    Connection c;
    c.open(params);
}
} // namespace

TEST_F(ServerErrorTest, EveryErrorAUserMeetsIsToldInHungarian) {
    const auto lockWait = [this] {
        db().exec(u"START TRANSACTION;"_s);
        db().exec(u"UPDATE r SET ar = 3 WHERE id = 1;"_s);
        second().exec(u"SET SESSION innodb_lock_wait_timeout = 1;"_s);
        const auto rollBack = qScopeGuard([this] { db().exec(u"ROLLBACK;"_s); });
        second().exec(u"UPDATE r SET ar = 4 WHERE id = 1;"_s);
    };
    // Two sessions lock a row each and then wait for each other's: the server ends one of them.
    const auto deadlock = [this] {
        Connection first;
        first.open(tdb->params());
        first.exec(u"START TRANSACTION;"_s);
        first.exec(u"UPDATE r SET ar = 5 WHERE id = 1;"_s);
        second().exec(u"START TRANSACTION;"_s);
        second().exec(u"UPDATE r SET ar = 6 WHERE id = 2;"_s);
        std::optional<DbError> firstError;
        std::thread waiter([&] {
            firstError = errorOf([&] { first.exec(u"UPDATE r SET ar = 7 WHERE id = 2;"_s); });
            first.exec(u"ROLLBACK;"_s);
        });
        // Whichever of the two waits first, the other closes the circle.
        const std::optional<DbError> secondError =
            errorOf([this] { second().exec(u"UPDATE r SET ar = 8 WHERE id = 1;"_s); });
        second().exec(u"ROLLBACK;"_s);
        waiter.join();
        ASSERT_NE(firstError.has_value(), secondError.has_value()); // exactly one was chosen
        throw firstError ? *firstError : *secondError;
    };
    ConnectionParams wrongPassword = tdb->params();
    wrongPassword.password = u"nem ez a jelszó"_s;
    const LoopbackPort dropsTheLine(true), nobodyListens(false);
    ConnectionParams lost = tdb->params(), refused = tdb->params();
    lost.port = dropsTheLine.port();
    refused.port = nobodyListens.port();

    struct Case {
        const char* what;
        std::function<void()> provoke;
        QList<int> codes;
        QString says; // part of the Hungarian sentence
    } cases[] = {
        {"duplicate key",
         [this] { db().exec(u"INSERT INTO r VALUES (1, 'újra', 0);"_s); },
         {1062},
         u"már szerepel"_s},
        {"no default",
         [this] { db().exec(u"INSERT INTO r (id) VALUES (3);"_s); },
         {1364},
         u"nincs kitöltve"_s},
        {"too long",
         [this] { db().exec(u"UPDATE r SET nev = 'hatbetű' WHERE id = 1;"_s); },
         {1406},
         u"hosszabb"_s},
        {"broken rule",
         [this] { db().exec(u"UPDATE r SET nev = '' WHERE id = 1;"_s); },
         {4025},
         u"szabályának"_s},
        {"wrong kind",
         [this] { db().exec(u"UPDATE r SET ar = 'sok' WHERE id = 1;"_s); },
         {1366},
         u"nem illik"_s},
        {"out of range",
         [this] { db().exec(u"UPDATE r SET ar = 1e300 WHERE id = 1;"_s); },
         {1264},
         u"túl nagy"_s},
        {"lock wait", lockWait, {1205}, u"másik munkaállomás"_s},
        {"deadlock", deadlock, {1213}, u"visszavonta"_s},
        {"lost connection", [&] { connectTo(lost); }, {2013}, u"Megszakadt a kapcsolat"_s},
        {"access denied", [&] { connectTo(wrongPassword); }, {1045}, u"nem engedte be"_s},
        {"unknown database",
         [] { connectTo(TestServerParams(u"nincs_ilyen_adatbazis"_s)); },
         {1049},
         u"nem létezik"_s},
        {"cannot connect", [&] { connectTo(refused); }, {2002, 2003}, u"Nem sikerült kapcsolódni"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<DbError> e = errorOf(c.provoke);
        ASSERT_TRUE(e.has_value());
        EXPECT_TRUE(c.codes.contains(e->code())) << e->code();
        const QString advice = ServerErrorAdvice(e->code());
        EXPECT_TRUE(advice.contains(c.says)) << s(advice);
        EXPECT_FALSE(e->serverText().isEmpty());
        EXPECT_EQ(s(e->message()),
                  s(u"%1\nA kiszolgáló üzenete: %2 (hibaszám: %3)"_s.arg(advice, e->serverText().trimmed())
                        .arg(e->code())));
    }
    EXPECT_EQ(SelectInt(db(), u"SELECT COUNT(*) FROM r WHERE ar = 1 OR ar = 2;"_s, 0), 2); // nothing changed
}

TEST_F(ServerErrorTest, OtherErrorsKeepTheServerTextAndOwnMessagesStand) {
    const std::optional<DbError> e = errorOf([this] { db().exec(u"SELECT * FROM nincs_ilyen;"_s); });
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->code(), 1146);
    EXPECT_EQ(s(e->message()), s(e->serverText()));
    // A message of the program's own is not taken for the server's.
    EXPECT_EQ(s(DbError(u"A kapcsolat megszakadt a mentés közben."_s, 2013).message()),
              "A kapcsolat megszakadt a mentés közben.");
}
