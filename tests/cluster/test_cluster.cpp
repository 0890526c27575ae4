// The program on a cluster of three nodes that all take writes. The suite starts the cluster itself
// (scripts/dbserver cluster start) in a folder of its own and stops it by the nodes' process ids.
#include "data/Examinations.h"
#include "db/QueryHelpers.h"
#include "patients/PatientRecord.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"
#include "support/UiTest.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int Nodes = TestCluster::Nodes;
TestCluster* cluster = nullptr;

class ClusterEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        cluster = new TestCluster;
        // The suite's databases are created through node 1; the cluster copies them to the others.
        qputenv("SONORIA_TEST_HOST", "127.0.0.1");
        qputenv("SONORIA_TEST_PORT", QByteArray::number(cluster->port(0)));
    }
    void TearDown() override {
        delete cluster;
        cluster = nullptr;
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new ClusterEnvironment);

std::string s(const QString& q) {
    return q.toStdString();
}

} // namespace

class ClusterTest : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() {
        tdb = new TestDatabase(u"cluster"_s);
        AwaitOnAllNodes(*tdb);
    }
    static void TearDownTestSuite() {
        delete tdb;
        tdb = nullptr;
    }

    // The database is created through node 1; the other nodes apply its schema a moment later.
    static void AwaitOnAllNodes(const TestDatabase& database) {
        for (int node = 0; node < Nodes; ++node)
            ASSERT_EQ(
                SelectInt(
                    *connect(node, {}),
                    u"SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = '%1';"_s.arg(
                        database.name()),
                    0),
                2)
                << "node " << node + 1;
    }

    // A workstation's connection to one node. Its reads wait until the node has applied every
    // write the cluster committed before them.
    static std::unique_ptr<Connection> connect(int node, const QString& database = tdb->name()) {
        ConnectionParams p = TestServerParams(database);
        p.port = cluster->port(node);
        auto c = std::make_unique<Connection>();
        c->open(p);
        c->exec(u"SET SESSION wsrep_sync_wait = 1;"_s);
        return c;
    }
};

// Two workstations on node 1 and two on node 2 press "Új" a hundred times each, at the same time,
// through the program's own routine: no error reaches them, every examination is stored once with
// a number of its own, and every node holds the same rows.
TEST_F(ClusterTest, ConcurrentExaminationsOnTwoNodesGetDistinctNumbers) {
    constexpr int Workers = 4, Calls = 100;
    std::vector<std::unique_ptr<Connection>> connections;
    for (int w = 0; w < Workers; ++w)
        connections.push_back(connect(w % 2));
    // Clashes the cluster found when certifying a commit, on all nodes together.
    const auto certificationFailures = [] {
        qint64 n = 0;
        for (int node = 0; node < Nodes; ++node)
            n += connect(node)
                     ->query(u"SHOW STATUS LIKE 'wsrep_local_cert_failures';"_s)
                     .value(0, 1)
                     .toInt64();
        return n;
    };
    const qint64 conflictsBefore = certificationFailures();

    std::atomic<int> errors = 0, foreignKeys = 0;
    std::vector<std::thread> threads;
    for (int w = 0; w < Workers; ++w) {
        threads.emplace_back([&, w] {
            Connection& c = *connections[w];
            const int patient = 2000 + w;
            for (int i = 0; i < Calls; ++i) {
                try {
                    const int key = CreateExamination(c, patient, i % 4 + 1);
                    if (SelectInt(c, u"SELECT ugyfel FROM munkalap WHERE munkalap = %1;"_s.arg(key), 0) !=
                        patient)
                        ++foreignKeys;
                } catch (const DbError& e) {
                    ADD_FAILURE() << e.code() << ' ' << e.what();
                    ++errors;
                }
            }
        });
    }
    for (auto& t : threads)
        t.join();

    const qint64 conflicts = certificationFailures() - conflictsBefore;
    for (int node = 0; node < Nodes; ++node) {
        auto c = connect(node);
        const ResultSet rs =
            c->query(u"SELECT COUNT(*), COUNT(DISTINCT ev, sorszam), MAX(sorszam) FROM munkalap;"_s);
        EXPECT_EQ(rs.value(0, 0).toInt(), Workers * Calls) << "node " << node + 1;
        EXPECT_EQ(rs.value(0, 1).toInt(), Workers * Calls) << "node " << node + 1;
        EXPECT_EQ(rs.value(0, 2).toInt(), Workers * Calls) << "node " << node + 1;
    }
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(foreignKeys, 0);
    std::printf(
        "concurrent creation on two nodes: %d rows wanted, %d errors, %lld clashes the cluster refused "
        "and the routine retried\n",
        Workers * Calls, errors.load(), static_cast<long long>(conflicts));
}

// A backup taken through node 1 and restored through node 2 into another database: every table
// reads the same on every node as the original.
TEST_F(ClusterTest, BackupFromOneNodeRestoredThroughAnotherMatchesEverywhere) {
    Connection& db = tdb->db();
    db.exec(u"INSERT INTO ugyfel (ugyfel_nev, taj, cim_varos, megjegyzes) VALUES "
            u"('Árvíztűrő Tükörfúrógép', '123-456-789', 'Győr', 'első sor\\r\\nmásodik sor'), "
            u"('O''Brien Ödön', NULL, 'Pécs', NULL);"_s);
    db.exec(
        u"INSERT INTO tetel (who, tetel_nev, ar) VALUES ('W1', 'Hasi ultrahang', 12000), ('W2', 'Doppler', 15500.5);"_s);
    const int exam = CreateExamination(db, 1, 3);
    db.exec(
        u"INSERT INTO munkalap_tetel (munkalap, tetel, tetel_nev, ar) VALUES (%1, 1, 'Hasi ultrahang', 12000);"_s
            .arg(exam));
    db.exec(
        u"UPDATE munkalap SET szoveg = 'Lelet: ép, 5 × 3 mm', storno = 'I' WHERE munkalap = %1;"_s.arg(exam));

    QTemporaryDir folder;
    const QString file = folder.filePath(u"mentes.sql"_s);
    TestDatabase copy(u"cluster_copy"_s);
    AwaitOnAllNodes(copy);
    const auto cli = [&](int node, const QString& command, const QString& database) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SONORIA_PASSWORD"_s, TestServerParams().password);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(SONORIA_CLI),
                {command, u"--host"_s, u"127.0.0.1"_s, u"--port"_s, QString::number(cluster->port(node)),
                 u"--user"_s, TestServerParams().user, u"--database"_s, database, file});
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(300000));
        EXPECT_EQ(p.exitCode(), 0) << s(command) << ": " << p.readAll().toStdString();
    };
    cli(0, u"backup"_s, tdb->name());
    cli(1, u"restore"_s, copy.name());

    const QStringList tables = {u"ugyfel"_s,     u"munkalap"_s, u"munkalap_tetel"_s, u"tetel"_s,
                                u"szotar"_s,     u"irsz"_s,     u"felhasznalo"_s,    u"beallit"_s,
                                u"tulajdonos"_s, u"verzio"_s};
    const auto checksum = [&](Connection& c, const QString& database, const QString& table) {
        return c.query(u"CHECKSUM TABLE %1.%2;"_s.arg(database, table)).value(0, 1).toInt64();
    };
    auto first = connect(0);
    for (const QString& table : tables) {
        const qint64 original = checksum(*first, tdb->name(), table);
        for (int node = 0; node < Nodes; ++node) {
            auto c = connect(node);
            EXPECT_EQ(checksum(*c, tdb->name(), table), original)
                << s(table) << " original, node " << node + 1;
            EXPECT_EQ(checksum(*c, copy.name(), table), original)
                << s(table) << " restored, node " << node + 1;
        }
    }
    EXPECT_EQ(SelectInt(*connect(2, copy.name()), u"SELECT COUNT(*) FROM ugyfel;"_s, -1), 2);
}

// A workstation works through node 1 with nodes 2 and 3 as its further servers. While a patient
// record is open, node 1 dies: OK saves the typed record through another node, without a message,
// and the row is on both surviving nodes. (Runs last: node 1 stays down.)
TEST_F(ClusterTest, WorkstationWhoseNodeDiesSavesThroughAnother) {
    TestApplication();
    MessageRecorder messages;
    ConnectionParams p = TestServerParams(tdb->name());
    p.port = cluster->port(0);
    p.fallbackServers = {cluster->address(1), cluster->address(2)};
    Connection workstation;
    workstation.open(p);

    QElapsedTimer sinceLoss;
    WhenModalShown([&](QWidget* w) {
        auto* f = qobject_cast<Tfrm_Szerkeszt*>(w);
        ASSERT_TRUE(f);
        ASSERT_TRUE(QTest::qWaitForWindowActive(f));
        QLineEdit* name = f->edit(u"ugyfel_nev"_s);
        TypeText(name, u"Túlélő Örs"_s);
        QTest::keyClick(name, Qt::Key_Return);
        QTest::keyClicks(f->edit(u"taj"_s), u"987654321"_s);
        try {
            cluster->kill(0);
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
            f->reject();
            return;
        }
        sinceLoss.start();
        f->okButton()->click();
        if (f->isVisible()) {
            ADD_FAILURE() << "the record stays open: " << s(messages.texts().join(u" | "_s));
            f->reject();
        }
    });
    const int key = OpenPatient(nullptr, workstation, -1);
    const double seconds = sinceLoss.elapsed() / 1000.0;
    EXPECT_GT(key, 0);
    EXPECT_TRUE(messages.entries.isEmpty()) << s(messages.texts().join(u" | "_s));
    EXPECT_NE(workstation.currentServer().port, cluster->port(0));
    for (int node = 1; node < Nodes; ++node) {
        const ResultSet rs =
            connect(node)->query(u"SELECT ugyfel_nev, taj FROM ugyfel WHERE ugyfel = %1;"_s.arg(key));
        ASSERT_EQ(rs.rowCount(), 1) << "node " << node + 1;
        EXPECT_EQ(s(rs.value(0, 0).text()), "Túlélő Örs") << "node " << node + 1;
        EXPECT_EQ(s(rs.value(0, 1).text()), "987-654-321") << "node " << node + 1;
    }
    std::printf("from the loss of node 1 to the saved record on node %u: %.2f s\n",
                workstation.currentServer().port == cluster->port(1) ? 2u : 3u, seconds);
}
