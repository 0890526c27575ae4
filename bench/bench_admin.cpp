// Backup and restore of a million examination line items beside the server's own tools, in the same run
// and on the same table: our backup beside mariadb-dump and mydumper (two threads), our .zip backup beside
// mariadb-dump piped through gzip -6, our restore beside the mariadb client reading the same file; each
// with its peak memory. Every piece runs as a process of its own, ours too. Ours runs without the
// compressed client protocol, as the peers do. SONORIA_BENCH_ITEMS sets another number of rows.
// Output: name<TAB>ours<TAB>peer<TAB>unit lines on standard output.
#include "BenchCommon.h"

#include "admin/BackupRestore.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
struct Best {
    double seconds = std::numeric_limits<double>::infinity();
    double peakRssMiB = 0;
};

// Each piece of work `runs` times, taking turns; the shortest time and the largest peak memory of each.
std::vector<Best> Alternate(int runs, const std::vector<std::function<ChildRun()>>& works) {
    std::vector<Best> best(works.size());
    for (int i = 0; i < runs; ++i)
        for (std::size_t w = 0; w < works.size(); ++w) {
            const ChildRun r = works[w]();
            best[w].seconds = std::min(best[w].seconds, r.seconds);
            best[w].peakRssMiB = std::max(best[w].peakRssMiB, r.peakRssMiB);
        }
    return best;
}

double MiB(const QString& file) {
    return QFileInfo(file).size() / 1048576.0;
}

QByteArray ShellWord(const QString& s) {
    return '\'' + s.toUtf8().replace('\'', "'\\''") + '\'';
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (!BenchServerGiven()) return 2;
    try {
        const qint64 items = qEnvironmentVariableIntValue("SONORIA_BENCH_ITEMS") > 0
                                 ? qEnvironmentVariableIntValue("SONORIA_BENCH_ITEMS")
                                 : 1000000;
        const QString scale = items % 1000000 == 0 ? u"%1M"_s.arg(items / 1000000) : QString::number(items);
        ConnectionParams p = BenchParams(u"bench_admin"_s);
        p.compression = false;
        {
            Connection admin;
            admin.open(BenchParams(QString()));
            admin.exec(u"DROP DATABASE IF EXISTS bench_admin"_s);
            admin.exec(u"CREATE DATABASE bench_admin CHARACTER SET latin2 COLLATE latin2_hungarian_ci"_s);
            admin.exec(u"USE bench_admin"_s);
            admin.exec(
                u"CREATE TABLE munkalap_tetel (munkalap_tetel INT NOT NULL AUTO_INCREMENT, munkalap INT "
                u"DEFAULT NULL, tetel INT DEFAULT NULL, tetel_nev VARCHAR(100) DEFAULT NULL, ar DOUBLE "
                u"DEFAULT NULL, PRIMARY KEY (munkalap_tetel), KEY ix_munkalap_tetel_munkalap (munkalap), "
                u"KEY ix_munkalap_tetel_tetel (tetel)) ENGINE=InnoDB DEFAULT CHARSET=latin2 "
                u"COLLATE=latin2_hungarian_ci"_s);
            admin.exec(u"INSERT INTO munkalap_tetel (munkalap, tetel, tetel_nev, ar) SELECT seq DIV 3 + 1, "
                       u"seq MOD 500 + 1, CONCAT('Vizsgálati tétel ''', seq MOD 500, ''' - nyaki "
                       u"erek\\\\Doppler'), (seq MOD 97) * 250.5 FROM seq_0_to_%1"_s.arg(items - 1));
        }
        const int runs = qEnvironmentVariableIntValue("SONORIA_BENCH_RUNS") > 0
                             ? qEnvironmentVariableIntValue("SONORIA_BENCH_RUNS")
                             : 2;
        QTemporaryDir dir;
        const QString ours = dir.filePath(u"ours.sql"_s), oursZip = dir.filePath(u"ours.zip"_s),
                      peer = dir.filePath(u"peer.sql"_s), peerGz = dir.filePath(u"peer.sql.gz"_s),
                      mydumperDir = dir.filePath(u"mydumper"_s);
        std::vector<QByteArray> dump = ClientArguments(p, "mariadb-dump");
        for (const char* option : {"--no-create-info", "--complete-insert", "--single-transaction",
                                   "bench_admin", "munkalap_tetel"})
            dump.push_back(option);
        QByteArray pipeline;
        for (const QByteArray& a : dump)
            pipeline += ShellWord(QString::fromUtf8(a)) + ' ';
        pipeline += "| gzip -6";
        const std::vector<QByteArray> mydumper{"mydumper",
                                               "-h",
                                               p.host.toUtf8(),
                                               "-P",
                                               QByteArray::number(p.port),
                                               "-u",
                                               p.user.toUtf8(),
                                               "-B",
                                               "bench_admin", // its one table (-T finds none in 0.10)
                                               "--no-schemas",
                                               "--complete-insert",
                                               "--trx-consistency-only",
                                               "-v",
                                               "1",
                                               "-t",
                                               "2",
                                               "-r",
                                               QByteArray::number(std::max<qint64>(1, items / 8)),
                                               "-o",
                                               QFile::encodeName(mydumperDir)};
        const auto own = [&](const std::function<void(Connection&)>& work) {
            return RunOwnChild([&] {
                Connection db;
                db.open(p);
                work(db);
            });
        };

        const std::vector<Best> backup =
            Alternate(runs, {[&] { return own([&](Connection& db) { BackupDatabase(db, ours); }); },
                             [&] { return RunChild(dump, p.password, {}, peer); },
                             [&] {
                                 QDir(mydumperDir).removeRecursively();
                                 return RunChild(mydumper, p.password);
                             }});
        const QString name = u"backup %1 items (%2 MiB SQL)"_s.arg(scale).arg(std::round(MiB(ours)));
        PrintFigure(name + u", peer: mariadb-dump --single-transaction"_s, backup[0].seconds,
                    backup[1].seconds, u"s"_s);
        PrintFigure(name + u", peer: mydumper -t 2"_s, backup[0].seconds, backup[2].seconds, u"s"_s);
        PrintFigure(name + u" peak memory, peer: mariadb-dump"_s, backup[0].peakRssMiB, backup[1].peakRssMiB,
                    u"MiB"_s);

        const std::vector<Best> zip =
            Alternate(runs, {[&] { return own([&](Connection& db) { BackupDatabase(db, oursZip); }); },
                             [&] {
                                 return RunChild({"sh", "-c", pipeline}, p.password, {}, peerGz);
                             }});
        PrintFigure(u"backup %1 items to .zip, peer: mariadb-dump | gzip -6"_s.arg(scale), zip[0].seconds,
                    zip[1].seconds, u"s"_s);
        PrintFigure(u"backup %1 items compressed size, peer: mariadb-dump | gzip -6"_s.arg(scale),
                    MiB(oursZip), MiB(peerGz), u"MiB"_s);

        std::vector<QByteArray> client = ClientArguments(p);
        client.push_back("bench_admin");
        const std::vector<Best> restore =
            Alternate(runs, {[&] { return own([&](Connection& db) { RestoreDatabase(db, ours); }); },
                             [&] { return RunChild(client, p.password, ours); }});
        PrintFigure(u"restore %1 items, peer: mariadb < the same file"_s.arg(scale), restore[0].seconds,
                    restore[1].seconds, u"s"_s);
        PrintFigure(u"restore %1 items peak memory (%2 MiB file), peer: mariadb < file"_s.arg(scale).arg(
                        std::round(MiB(ours))),
                    restore[0].peakRssMiB, restore[1].peakRssMiB, u"MiB"_s);

        Connection db;
        db.open(p);
        const qint64 rows = db.query(u"SELECT COUNT(*) FROM munkalap_tetel"_s).value(0, 0).toInt64();
        if (rows != items)
            throw std::runtime_error("the restored table has " + std::to_string(rows) + " rows");
        db.exec(u"DROP DATABASE bench_admin"_s);
    } catch (const SonoriaError& e) {
        fprintf(stderr, "bench_admin: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        fprintf(stderr, "bench_admin: %s\n", e.what());
        return 1;
    }
    return 0;
}
