// Export benchmark: 100 000 patients to delimited text and 16 000 to a worksheet, each beside the
// server's own client writing the same rows as tab-separated text (mariadb --batch), measured in
// the same run (compressed, as the program's connection always is). Every run is a child process of its own,
// so its wall time and peak memory (maximum resident set) are measured the same way for ours and the peer.
//
// Connection: SONORIA_TEST_HOST, _PORT, _USER, _PASSWORD; the database SONORIA_TEST_DATABASE. Without
// a database a scratch one is made with the schema and 100 000 generated patients, dropped at the end.
// Output: name<TAB>ours<TAB>peer<TAB>unit lines on standard output.
#include "BenchCommon.h"
#include "db/Connection.h"
#include "export/DataToXLS.h"
#include "export/DelimitedExport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QString query(int rows) {
    return u"SELECT * FROM vw_ugyfel LIMIT %1;"_s.arg(rows);
}

// Child: one export of ours.
int runChild(const QString& kind, const QString& database, int rows, const QString& file) {
    try {
        Connection db;
        db.open(BenchParams(database));
        const ResultSet data = db.query(query(rows));
        if (kind == u"delimited"_s) {
            ExportDelimited(data, file, {});
        } else {
            TDataToXLS xls;
            xls.SetDataSet(&data);
            xls.SaveToFile(file);
        }
        return 0;
    } catch (const SonoriaError& e) {
        fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

struct Measure {
    double seconds = 0;
    double peakMiB = 0;
};

// Runs a program with its standard output in a file; wall time and peak resident memory.
Measure run(const QStringList& argv, const QString& stdoutFile, const QString& password) {
    std::vector<QByteArray> bytes;
    for (const QString& a : argv)
        bytes.push_back(a.toLocal8Bit());
    const ChildRun r = RunChild(bytes, password, {}, stdoutFile);
    return {r.seconds, r.peakRssMiB};
}

// The median of three runs, time and memory each.
Measure median(const std::function<Measure()>& once) {
    std::vector<Measure> m{once(), once(), once()};
    std::vector<double> t, r;
    for (const Measure& x : m)
        t.push_back(x.seconds), r.push_back(x.peakMiB);
    std::sort(t.begin(), t.end());
    std::sort(r.begin(), r.end());
    return {t[1], r[1]};
}

// A scratch database with the schema and generated patients.
QString makeDatabase(int patients) {
    const QString name = CreateScratchDatabase(u"bench_export"_s);
    Connection db;
    db.open(BenchParams(name));
    db.exec(u"INSERT INTO ugyfel (ugyfel_nev, taj, telefon, emil, cim_irsz, cim_varos, cim_cim, dat_utolso, "
            u"csoport, "
            u"megjegyzes, szuldatum, szulhely, anyjaneve) "
            u"SELECT CONCAT('Páciens Árvíztűrő ', seq), LPAD(seq, 9, '0'), CONCAT('+36 1 ', seq), "
            u"CONCAT('p', seq, '@example.org'), "
            u"'1011', 'Budapest', CONCAT('Fő utca ', seq MOD 200), DATE_ADD('2020-01-01', INTERVAL seq MOD "
            u"1500 DAY), seq MOD 5, "
            u"IF(seq MOD 3 = 0, CONCAT('első sor;\\r\\nmásodik \"', seq, '\"'), NULL), '1970.01.01', 'Győr', "
            u"'Kovács Éva' "
            u"FROM seq_1_to_%1;"_s.arg(patients));
    return name;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args[1] == u"--child"_s)
        return runChild(args[2], args[3], args[4].toInt(), args[5]);
    if (!BenchServerGiven()) return 2;
    QString database = qEnvironmentVariable("SONORIA_TEST_DATABASE");
    const bool scratch = database.isEmpty();
    if (scratch) database = makeDatabase(100000);

    QTemporaryDir dir;
    const ConnectionParams p = BenchParams(database);
    const QString& password = p.password;
    struct Job {
        const char* name;
        QString kind;
        int rows;
        QString file;
    } jobs[] = {
        {"export_delimited_100k", u"delimited"_s, 100000, dir.filePath(u"ours.csv"_s)},
        {"export_xls_16k", u"xls"_s, 16000, dir.filePath(u"ours.xls"_s)}, // a worksheet holds 16 384 rows
    };
    for (const Job& j : jobs) {
        const Measure ours = median([&] {
            return run(
                {app.applicationFilePath(), u"--child"_s, j.kind, database, QString::number(j.rows), j.file},
                {}, password);
        });
        const Measure peer = median([&] {
            return run({u"mariadb"_s, u"--no-defaults"_s, u"--batch"_s, u"--compress"_s,
                        u"--default-character-set=latin2"_s, u"-h"_s + p.host,
                        u"-P"_s + QString::number(p.port), u"-u"_s + p.user, database, u"-e"_s,
                        query(j.rows)},
                       dir.filePath(u"peer.txt"_s), password);
        });
        printf("%s_time\t%.3f\t%.3f\ts\n", j.name, ours.seconds, peer.seconds);
        printf("%s_peak_rss\t%.1f\t%.1f\tMiB\n", j.name, ours.peakMiB, peer.peakMiB);
        printf("%s_file_size\t%.1f\t%.1f\tMiB\n", j.name, QFile(j.file).size() / 1048576.0,
               QFile(dir.filePath(u"peer.txt"_s)).size() / 1048576.0);
        fflush(stdout);
    }
    if (scratch) {
        Connection admin;
        admin.open(BenchParams({}));
        admin.exec(u"DROP DATABASE %1;"_s.arg(database));
    }
    return 0;
}
