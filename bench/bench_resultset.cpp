// Reading the whole patient view into a buffered ResultSet, against the mariadb client reading the same
// rows and throwing them away (without and with compression; our connection always compresses).
#include "BenchCommon.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        const ConnectionParams params = BenchParams();
        const QString sql = u"SELECT * FROM vw_ugyfel"_s;
        Connection db;
        db.open(params);
        qsizetype rows = 0;
        const std::vector<double> best =
            BestOfEach(3, {[&] {
                               const ResultSet rs = db.query(sql);
                               rows = rs.rowCount();
                           },
                           [&] {
                               RunClient(params, {u"-e"_s, sql});
                           },
                           [&] {
                               RunClient(params, {u"--compress"_s, u"-e"_s, sql});
                           }});
        const QString name = u"%1 -> ResultSet (%2 rows)"_s.arg(sql).arg(rows);
        PrintFigure(name + u", peer: mariadb -e"_s, best[0], best[1], u"s"_s);
        PrintFigure(name + u", peer: mariadb --compress -e"_s, best[0], best[2], u"s"_s);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_resultset: %s\n", e.what());
        return 1;
    }
    return 0;
}
