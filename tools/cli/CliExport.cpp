// sonoria-cli export: a query's result as delimited text, a worksheet or an HTML page, written by
// the same engines as the export windows.
#include "CliCommon.h"

#include "core/Errors.h"
#include "export/DataToXLS.h"
#include "export/DelimitedExport.h"
#include "export/HtmlExport.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
const QString Usage = u"export [--separator ';'|tab|','|'|'] [--qualifier none|'\"'|\"'\"] [--no-header] "
                      u"[--field-names] --query SQL FILE\n"
                      u"                                  a lekérdezés eredménye FILE-ba: .csv/.txt "
                      u"(határolt szöveg), .xls (munkalap),\n"
                      u"                                  .htm/.html (HTML oldal); pl. sonoria-cli export "
                      u"--profile 1 --separator tab\n"
                      u"                                  --query \"SELECT * FROM vw_ugyfel\" ugyfelek.csv"_s;

QChar separatorOf(const QString& s) {
    if (s == u";"_s) return u';';
    if (s.compare(u"tab"_s, Qt::CaseInsensitive) == 0 || s == u"\t"_s) return u'\t';
    if (s == u","_s) return u',';
    if (s == u"|"_s) return u'|';
    throw UsageError(u"Ismeretlen határoló: %1 (lehet: ; tab , |)"_s.arg(s));
}

QChar qualifierOf(const QString& s) {
    if (s.compare(u"none"_s, Qt::CaseInsensitive) == 0) return {};
    if (s == u"\""_s) return u'"';
    if (s == u"'"_s) return u'\'';
    throw UsageError(u"Ismeretlen szövegjelölő: %1 (lehet: none \" ')"_s.arg(s));
}

class Progress {
public:
    Progress(CliContext& c) : m_c(c) {}
    bool operator()(qsizetype done, qsizetype total) {
        if (m_c.progress && (done % 1000 == 0 || done == total))
            m_c.err << "\r" << done << " / " << total << " sor" << Qt::flush;
        return true;
    }
    void finish() {
        if (m_c.progress) m_c.err << "\r" << Qt::flush;
    }

private:
    CliContext& m_c;
};

enum class ExportKind { Delimited, Worksheet, Page };

struct ExportArguments {
    DelimitedOptions options;
    QString query, file;
    ExportKind kind = ExportKind::Delimited;
};

ExportArguments exportArguments(const CliContext& c) {
    ExportArguments e;
    if (c.has(u"--separator"_s)) e.options.separator = separatorOf(c.option(u"--separator"_s));
    if (c.has(u"--qualifier"_s)) e.options.qualifier = qualifierOf(c.option(u"--qualifier"_s));
    e.options.header = !c.has(u"--no-header"_s);
    e.options.originalNames = c.has(u"--field-names"_s);
    e.query = c.option(u"--query"_s);
    if (e.query.isEmpty()) throw UsageError(u"Meg kell adni a lekérdezést (--query SQL)."_s);
    if (c.args.size() != 1) throw UsageError(u"Egy fájlt kell megadni."_s);
    e.file = c.args[0];
    const QString suffix = QFileInfo(e.file).suffix().toLower();
    if (suffix == u"xml"_s) throw FormatError(NotSupportedMessage());
    if (suffix == u"csv"_s || suffix == u"txt"_s)
        e.kind = ExportKind::Delimited;
    else if (suffix == u"xls"_s)
        e.kind = ExportKind::Worksheet;
    else if (suffix == u"htm"_s || suffix == u"html"_s)
        e.kind = ExportKind::Page;
    else
        throw UsageError(u"A fájl kiterjesztése .csv, .txt, .xls, .htm vagy .html legyen: %1"_s.arg(e.file));
    return e;
}

void checkExport(const CliContext& c) {
    exportArguments(c);
}

int RunExport(CliContext& c) {
    const auto [options, query, file, kind] = exportArguments(c);
    const ResultSet rows = c.db->query(query);
    Progress progress(c);
    if (kind == ExportKind::Delimited) {
        const DelimitedResult r = ExportDelimited(rows, file, options, std::ref(progress));
        progress.finish();
        c.err << file << " file kész (" << r.rows << " sor)." << Qt::endl;
    } else if (kind == ExportKind::Worksheet) {
        TDataToXLS xls;
        xls.SetDataSet(&rows);
        xls.AfterWriteRecord = [&](TDataExport& e) { progress(e.WrittenRows(), rows.rowCount()); };
        xls.SaveToFile(file);
        progress.finish();
        c.err << file << " file kész (" << xls.WrittenRows() << " sor)." << Qt::endl;
    } else {
        HtmlPageRequest request;
        request.grid.data = &rows;
        for (int i = 0; i < rows.columnCount(); ++i) {
            ExportGridColumn column;
            column.title = column.fieldName = rows.column(i).name;
            column.width = 100;
            request.grid.columns << column;
        }
        request.grid.width = 100 * rows.columnCount();
        request.title = QFileInfo(file).completeBaseName();
        WriteHtmlPage(request, file, std::ref(progress));
        progress.finish();
        c.err << file << " file kész (" << rows.rowCount() << " sor)." << Qt::endl;
    }
    return 0;
}

CliRegistration registration({u"export"_s,
                              Usage,
                              CliTarget::Database,
                              {{u"--separator"_s, u"HATÁROLÓ"_s},
                               {u"--qualifier"_s, u"JELÖLŐ"_s},
                               {u"--no-header"_s, {}},
                               {u"--field-names"_s, {}},
                               {u"--query"_s, u"SQL"_s}},
                              &RunExport,
                              &checkExport});
} // namespace
