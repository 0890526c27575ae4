// Report benchmarks, each beside a peer measured in the same run. Prints name<TAB>ours<TAB>peer<TAB>unit
// lines.
//
// - A year's revenue list (one examination a row, a group a day) to PDF: our page builder and PDF painter
//   beside Qt's rich-text engine laying out and printing the same rows as an HTML table. Each side runs in
//   a child process of its own, so that its peak memory is its own.
// - With the private test server (SONORIA_TEST_PORT set, as scripts/test and the bench driver do): the
//   findings sheet from examination key to built pages, beside the mariadb client running the same three
//   queries.

#include "reports/layouts/Layouts.h"
#include "reports/layouts/ReportRuns.h"
#include "reports/model/PageBuilder.h"
#include "reports/model/ReportRender.h"

#include "core/Config.h"
#include "core/NumberFormat.h"
#include "support/TestDatabase.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

using namespace Qt::StringLiterals;

namespace {

MemoryDataSet yearOfRevenue(int rowsPerDay) {
    auto col = [](const QString& n, ColumnType t) {
        Column c;
        c.name = n;
        c.type = t;
        return c;
    };
    MemoryDataSet d({col(u"munkalap"_s, ColumnType::Integer), col(u"munkalapstr"_s, ColumnType::Text),
                     col(u"ugyfel"_s, ColumnType::Integer), col(u"datum"_s, ColumnType::Date),
                     col(u"cim"_s, ColumnType::Text), col(u"ar_ossz"_s, ColumnType::Double)});
    int key = 0;
    for (QDate day(2024, 1, 1); day.year() == 2024; day = day.addDays(1))
        for (int i = 0; i < rowsPerDay; ++i, ++key)
            d.addRow({Value::fromInt(key), Value::fromText(u"%1"_s.arg(key, 5, 10, QChar(u'0'))),
                      Value::fromInt(key % 700), Value::fromDate(day),
                      Value::fromText(u"Általános ultrahang vizsgálat"_s),
                      Value::fromDouble(12000 + key % 7 * 500)});
    return d;
}

QString asHtml(const MemoryDataSet& d) {
    QString h = u"<html><body><h2>Árbevétel</h2><table width=\"100%\" cellspacing=\"0\">"_s;
    for (qsizetype r = 0; r < d.rowCount(); ++r) {
        h += u"<tr><td>%1</td><td>%2</td><td>%3</td><td align=\"right\">%4</td></tr>"_s.arg(
            d.value(r, 1).text(), FormatNumeric(u"00000", d.value(r, 2).toDouble()), d.value(r, 4).text(),
            FormatFt(d.value(r, 5).toDouble()));
    }
    return h + u"</table></body></html>"_s;
}

constexpr int RowsPerDay = 30;

// Child: one side of the revenue benchmark; prints "pages seconds".
int revenueChild(const QString& side) {
    QTemporaryDir tmp;
    const MemoryDataSet data = yearOfRevenue(RowsPerDay);
    const QString html = side == u"ours"_s ? QString() : asHtml(data);
    QElapsedTimer t;
    t.start();
    int pages = 0;
    if (side == u"ours"_s) {
        const ReportLayout layout = qrArbevetel();
        PdfStreamWriter w(tmp.filePath(u"ours.pdf"_s), layout.title);
        PageBuilder b(layout, &data);
        pages = b.build([&](ReportPage&& p) {
            w.addPage(p);
            return true;
        });
        w.finish();
    } else {
        QTextDocument doc;
        doc.setDefaultFont(QFont(u"Tahoma"_s, 9));
        doc.setHtml(html);
        QPdfWriter w(tmp.filePath(u"peer.pdf"_s));
        w.setPageSize(QPageSize(QPageSize::A4));
        w.setResolution(1200);
        doc.print(&w);
        doc.setPageSize(QSizeF(595, 842)); // A4 in points, as print() lays it out
        pages = doc.pageCount();
    }
    std::printf("%d %.6f\n", pages, t.nsecsElapsed() / 1e9);
    return 0;
}

struct ChildResult {
    int pages = 0;
    double seconds = 0;
    long maxRssKb = 0;
    bool ok = false;
};

ChildResult runChild(const char* self, const char* side) {
    ChildResult r;
    int out[2];
    if (pipe(out) != 0) return r;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(self), const_cast<char*>("--revenue"), const_cast<char*>(side),
                    nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return r;
    }
    QByteArray text;
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, n);
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.maxRssKb = usage.ru_maxrss;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           std::sscanf(text.constData(), "%d %lf", &r.pages, &r.seconds) == 2;
    return r;
}

void findingsBench() {
    TestDatabase database(u"bench_reports"_s);
    Connection& db = database.db();
    db.exec(
        u"INSERT INTO ugyfel (ugyfel, ugyfel_nev, cim_irsz, cim_varos, cim_cim) VALUES (1, 'Kovács Éva', '6720', 'Szeged', 'Kárász utca 5.');"_s);
    db.exec(u"INSERT INTO tetel (tetel, who, tetel_nev, ar) VALUES (1, '12345', 'Hasi ultrahang', 12000);"_s);
    db.exec(u"INSERT INTO munkalap (munkalap, ev, sorszam, mlaptipus, cim, ugyfel, datum, szoveg, velemeny) "
            u"VALUES "
            "(1, 2024, 1, 3, 'Nyaki erek Doppler vizsgálata', 1, '2024-01-05', REPEAT('Árvíztűrő "
            "tükörfúrógép. ', 40), "
            "REPEAT('Kontroll fél év múlva. ', 20));"_s);
    QStringList items;
    for (int i = 0; i < 4; ++i)
        items << u"(1, 1, 'Hasi ultrahang', 12000)"_s;
    db.exec(u"INSERT INTO munkalap_tetel (munkalap, tetel, tetel_nev, ar) VALUES "_s + items.join(u", "_s));

    constexpr int Runs = 200;
    QTemporaryDir tmp;
    QElapsedTimer t;
    t.start();
    int pages = 0;
    for (int i = 0; i < Runs; ++i)
        pages += static_cast<int>(PrepareFindingsSheet(db, 1, tmp.path())->pages().size());
    const double ours = t.nsecsElapsed() / 1e9;

    // The peer: the mariadb client running the same three statements as many times, reading every row.
    const PreparedReport sample = *PrepareFindingsSheet(db, 1, tmp.path());
    QByteArray script = "SET NAMES latin2;\n";
    for (int i = 0; i < Runs; ++i)
        script += "SELECT mlaptipus FROM munkalap WHERE munkalap = 1;\n" + sample.qrySql.toUtf8() +
                  "\nSELECT * FROM vw_tulajdonos;\n";
    const ConnectionParams p = database.params();
    QProcess client;
    t.restart();
    client.start(u"mariadb"_s, {u"--no-defaults"_s, u"-h"_s + p.host, u"-P"_s + QString::number(p.port),
                                u"-u"_s + p.user, u"-p"_s + p.password, u"--batch"_s, p.database});
    client.waitForStarted();
    client.write(script);
    client.closeWriteChannel();
    client.waitForFinished(120000);
    const double peer = t.nsecsElapsed() / 1e9;
    const bool peerOk = client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    std::printf("findings_sheet_pages\t%d\t%d\tpages\n", pages, Runs);
    if (peerOk) std::printf("findings_sheet_rate\t%.1f\t%.1f\tsheets/s\n", Runs / ours, Runs / peer);
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == u"--revenue"_s) return revenueChild(args[2]);

    const ChildResult ours = runChild(argv[0], "ours"), peer = runChild(argv[0], "peer");
    if (!ours.ok || !peer.ok) {
        std::fprintf(stderr, "bench_reports: a revenue child failed\n");
        return 1;
    }
    const int rows = 366 * RowsPerDay;
    std::printf("revenue_year_pages\t%d\t%d\tpages\n", ours.pages, peer.pages);
    std::printf("revenue_year_pdf_time\t%.3f\t%.3f\ts\n", ours.seconds, peer.seconds);
    std::printf("revenue_year_pdf_rate\t%.1f\t%.1f\trows/s\n", rows / ours.seconds, rows / peer.seconds);
    std::printf("revenue_year_pdf_pages_rate\t%.1f\t%.1f\tpages/s\n", ours.pages / ours.seconds,
                peer.pages / peer.seconds);
    std::printf("revenue_year_peak_memory\t%ld\t%ld\tKiB\n", ours.maxRssKb, peer.maxRssKb);

    if (qEnvironmentVariableIsSet("SONORIA_TEST_PORT")) {
        try {
            findingsBench();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_reports: findings sheet: %s\n", e.what());
            return 1;
        }
    }
    return 0;
}
