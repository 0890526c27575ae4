// A year's revenue list (one examination a row, a group a day) to PDF: our page builder and PDF painter
// beside Qt's rich-text engine laying out and printing the same rows as an HTML table.
// Prints name<TAB>ours<TAB>peer<TAB>unit lines.

#include "reports/layouts/Layouts.h"
#include "reports/model/PageBuilder.h"
#include "reports/model/ReportRender.h"

#include "core/Config.h"
#include "core/NumberFormat.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>

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
            d.addRow({Value::fromInt(key), Value::fromText(u"%1"_s.arg(key, 5, 10, QChar(u'0'))), Value::fromInt(key % 700),
                      Value::fromDate(day), Value::fromText(u"Általános ultrahang vizsgálat"_s),
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

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir tmp;
    const MemoryDataSet data = yearOfRevenue(30);
    ReportLayout layout = qrArbevetel();

    QElapsedTimer t;
    t.start();
    int ourPages = 0;
    {
        PdfStreamWriter w(tmp.filePath(u"ours.pdf"_s), layout.title);
        PageBuilder b(layout, &data);
        ourPages = b.build([&](ReportPage&& p) {
            w.addPage(p);
            return true;
        });
        w.finish();
    }
    const double ourSeconds = t.nsecsElapsed() / 1e9;

    t.restart();
    int peerPages = 0;
    {
        QTextDocument doc;
        doc.setDefaultFont(QFont(u"Tahoma"_s, 9));
        doc.setHtml(asHtml(data));
        QPdfWriter w(tmp.filePath(u"peer.pdf"_s));
        w.setPageSize(QPageSize(QPageSize::A4));
        w.setResolution(1200);
        doc.print(&w);
        doc.setPageSize(QSizeF(595, 842));  // A4 in points, as print() lays it out
        peerPages = doc.pageCount();
    }
    const double peerSeconds = t.nsecsElapsed() / 1e9;

    std::printf("revenue_year_rows\t%lld\t%lld\trows\n", static_cast<long long>(data.rowCount()),
                static_cast<long long>(data.rowCount()));
    std::printf("revenue_year_pages\t%d\t%d\tpages\n", ourPages, peerPages);
    std::printf("revenue_year_pdf_time\t%.3f\t%.3f\ts\n", ourSeconds, peerSeconds);
    std::printf("revenue_year_pdf_rate\t%.1f\t%.1f\trows/s\n", data.rowCount() / ourSeconds, data.rowCount() / peerSeconds);
    return 0;
}
