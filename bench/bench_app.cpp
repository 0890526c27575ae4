// Main window benchmark over 100 000 patients and 300 000 examinations (offscreen): start to a painted
// patient list, one search keystroke that leaves about a thousand rows, switching to the examinations
// tab, and the program's resident memory with the patient list open. Each beside the server's own
// client running the same SELECT (mariadb --batch --compress, its output thrown away), in the same run.
//
// Connection: SONORIA_TEST_HOST, _PORT, _USER, _PASSWORD; the database SONORIA_TEST_DATABASE. Without
// a database a scratch one is made with the schema and generated rows, dropped at the end.
// Output: name<TAB>ours<TAB>peer<TAB>unit lines on standard output.
#include "BenchCommon.h"
#include "app/Tfrm_Main.h"
#include "core/Codec.h"
#include "core/Config.h"
#include "ui/Application.h"
#include "ui/BrowseList.h"

#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
using Clock = std::chrono::steady_clock;

struct Measure {
    double ms = 0;
    double peakMiB = 0;
};

// The server's client running one SELECT: wall time and peak resident memory. The statement goes in the
// connection's code page (latin2), as the program sends it, so that its search finds the same rows.
Measure peer(const ConnectionParams& p, const QString& select, const QString& output = {}) {
    std::vector<QByteArray> argv = ClientArguments(p);
    for (const char* option : {"--batch", "--compress", "--default-character-set=latin2"})
        argv.push_back(option);
    argv.push_back(p.database.toUtf8());
    argv.push_back("-e");
    argv.push_back(EncodeOrThrow(Codec::latin2(), select));
    const ChildRun run = RunChild(argv, p.password, {}, output);
    return {run.seconds * 1000, run.peakRssMiB};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double residentMiB() {
    QFile f(u"/proc/self/status"_s);
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Lets the window lay itself out and paint what changed.
void paint(QWidget* w) {
    QCoreApplication::processEvents();
    w->repaint();
    QCoreApplication::processEvents();
}

QString makeDatabase() {
    const QString name = CreateScratchDatabase(u"bench_app"_s);
    Connection db;
    db.open(BenchParams(name));
    db.exec(u"INSERT INTO ugyfel (ugyfel_nev, taj, telefon, emil, cim_irsz, cim_varos, cim_cim, dat_utolso, "
            u"dat_figyelmeztet, szuldatum) "
            u"SELECT CONCAT('Páciens Árvíztűrő ', seq), LPAD(seq, 9, '0'), CONCAT('+36 1 ', seq), "
            u"CONCAT('p', seq, '@example.org'), '6720', 'Szeged', CONCAT('Fő utca ', seq MOD 200), "
            u"DATE_ADD('2020-01-01', INTERVAL seq MOD 2500 DAY), "
            u"IF(seq MOD 7 = 0, DATE_ADD(CURDATE(), INTERVAL CAST(seq MOD 30 AS SIGNED) - 15 DAY), NULL), "
            u"'1970.01.01' "
            u"FROM seq_1_to_100000;"_s);
    db.exec(u"INSERT INTO munkalap (ev, sorszam, mlaptipus, cim, ugyfel, datum, statusz, panaszok, ar_ossz, "
            u"storno) "
            u"SELECT 2020 + seq MOD 7, seq, 1 + seq MOD 4, 'Ultrahang vizsgálat', 1 + seq MOD 100000, "
            u"DATE_ADD(CONCAT(2020 + seq MOD 7, '-01-01'), INTERVAL seq MOD 360 DAY), 1, "
            u"CONCAT('Panasz ', seq), 18000, 'N' FROM seq_1_to_300000;"_s);
    return name;
}
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SonoriaApplication app(argc, argv);
    InstallHungarian(app);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!BenchServerGiven()) return 2;
    QString database = qEnvironmentVariable("SONORIA_TEST_DATABASE");
    const bool scratch = database.isEmpty();
    if (scratch) database = makeDatabase();
    const ConnectionParams p = BenchParams(database);

    QTemporaryDir dir;
    QFile ini(dir.filePath(u"Sonoria.ini"_s));
    ini.open(QIODevice::WriteOnly);
    ini.close();
    SetConfigLocation(dir.path());
    Config().writeBytes(
        u"Adatbazis"_s, u"ConStr1"_s,
        EncodeProfile(
            QStringList{p.database, p.host, QString::number(p.port), p.user, p.password, u"Bench"_s}.join(
                u';')));

    // One keystroke more narrows the list; accented letters, so the peer's search shows its code page.
    const QString first = scratch ? u"Árvíztűrő 1"_s : u"Kovács"_s;
    const QString search = scratch ? u"Árvíztűrő 12"_s : u"Kovács É"_s;
    std::vector<double> start, keystroke, tab;
    double memory = 0;
    QString patientSql, searchSql, examSql;
    qsizetype searchRows = 0, examRows = 0;
    for (int run = 0; run < 3; ++run) {
        auto t0 = Clock::now();
        auto w = std::make_unique<Tfrm_Main>();
        w->show();
        paint(w.get());
        start.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        patientSql = w->QryU->sql();
        memory = std::max(memory, residentMiB());

        w->Edit1->setText(first);
        paint(w.get());
        t0 = Clock::now();
        w->Edit1->setText(search);
        paint(w.get());
        keystroke.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        searchSql = w->QryU->sql();
        searchRows = w->QryU->rowCount();
        w->Edit1->clear();
        paint(w.get());

        t0 = Clock::now();
        w->TabControl1->setCurrentIndex(1);
        paint(w.get());
        tab.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        examSql = w->QryMLap->sql();
        examRows = w->QryMLap->rowCount();
        w->close();
    }
    // The peer's search finds the rows the window found (a header line, then one line per row).
    {
        QTemporaryFile found;
        found.open();
        peer(p, searchSql, found.fileName());
        const qsizetype lines = found.readAll().count('\n');
        if (searchRows == 0 || lines != searchRows + 1) {
            fprintf(stderr, "the client's search found %lld rows, the window %lld\n",
                    static_cast<long long>(lines - 1), static_cast<long long>(searchRows));
            return 1;
        }
    }
    std::vector<double> peerStart, peerSearch, peerTab, peerMemory;
    for (int run = 0; run < 3; ++run) {
        const Measure m = peer(p, patientSql);
        peerStart.push_back(m.ms);
        peerMemory.push_back(m.peakMiB);
        peerSearch.push_back(peer(p, searchSql).ms);
        peerTab.push_back(peer(p, examSql).ms);
    }
    printf("main_start_to_patient_list_100k\t%.1f\t%.1f\tms\n", median(start), median(peerStart));
    printf("main_search_keystroke_%lld_rows\t%.1f\t%.1f\tms\n", static_cast<long long>(searchRows),
           median(keystroke), median(peerSearch));
    printf("main_tab_to_examinations_%lld_rows\t%.1f\t%.1f\tms\n", static_cast<long long>(examRows),
           median(tab), median(peerTab));
    printf("main_resident_memory_patient_list\t%.1f\t%.1f\tMiB\n", memory, median(peerMemory));
    fflush(stdout);
    if (scratch) {
        Connection admin;
        admin.open(BenchParams({}));
        admin.exec(u"DROP DATABASE %1;"_s.arg(database));
    }
    return 0;
}
