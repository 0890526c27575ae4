#include "ReportRuns.h"

#include "Layouts.h"

#include "reports/model/ReportRender.h"

#include "core/Config.h"
#include "core/Dates.h"
#include "core/Errors.h"
#include "core/SqlText.h"
#include "core/TextRoutines.h"
#include "data/Examinations.h"
#include "data/Patients.h"
#include "db/QueryHelpers.h"

#include <QDir>

#include <QImageReader>
#include <algorithm>

using namespace Qt::StringLiterals;

int PreparedReport::build(const PageSink& sink) const {
    PageBuilder builder(layout, qry.get(), tbl.get());
    builder.setPrintedAt(printedAt);
    return builder.build(sink);
}

std::vector<ReportPage> PreparedReport::pages() const {
    std::vector<ReportPage> out;
    build([&](ReportPage&& p) {
        out.push_back(std::move(p));
        return true;
    });
    return out;
}

int PreparedReport::writePdf(const QString& path) const {
    PdfStreamWriter writer(path, layout.title);
    build([&](ReportPage&& p) {
        writer.addPage(p);
        return true;
    });
    writer.finish();
    return writer.pageCount();
}

QImage LoadLogo(const QString& folder) {
    const QDir dir(folder);
    QStringList names = dir.entryList(QDir::Files);
    // The name as the program writes it first, then any other spelling of it.
    std::stable_partition(names.begin(), names.end(), [](const QString& n) { return n == u"Logo.bmp"_s; });
    for (const QString& name : names) {
        if (name.compare(u"logo.bmp"_s, Qt::CaseInsensitive) != 0) continue;
        QImageReader reader(dir.filePath(name));
        QImage image = reader.read();
        if (image.isNull())
            throw FileError(u"A(z) %1 kép nem olvasható: %2"_s.arg(
                QDir::toNativeSeparators(dir.filePath(name)), reader.errorString()));
        return image;
    }
    return {};
}

QString BindParameters(const QString& sql, const QList<std::pair<QString, QString>>& values) {
    QString out;
    const qsizetype n = sql.size();
    auto isName = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"' || c == u'`') {
            qsizetype j = i + 1;
            while (j < n && sql[j] != c)
                j += sql[j] == u'\\' ? 2 : 1;
            out += QStringView(sql).mid(i, std::min(j + 1, n) - i);
            i = j + 1;
            continue;
        }
        if (c == u':' && i + 1 < n && isName(sql[i + 1]) &&
            (i == 0 || (!isName(sql[i - 1]) && sql[i - 1] != u':'))) {
            qsizetype j = i + 1;
            while (j < n && isName(sql[j]))
                ++j;
            const QString name = sql.mid(i + 1, j - i - 1);
            bool found = false;
            for (const auto& [key, text] : values) {
                if (key.compare(name, Qt::CaseInsensitive) == 0) {
                    out += text;
                    found = true;
                    break;
                }
            }
            if (!found) throw FormatError(u"A lekérdezés :%1 paraméterének nincs értéke."_s.arg(name));
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

namespace {

const QStringList FindingsQuery = {
    u"SELECT"_s,
    u" vw_munkalap.*,"_s,
    u" CONCAT(COALESCE(vw_munkalap_tetel.tetel_nev,''),' (',COALESCE(vw_munkalap_tetel.who,''),')') tetelnev"_s,
    u"FROM vw_munkalap LEFT JOIN vw_munkalap_tetel ON (vw_munkalap.munkalap = vw_munkalap_tetel.munkalap)"_s,
    u"WHERE vw_munkalap.munkalap = :pmunkalap"_s,
    u"ORDER BY vw_munkalap_tetel.munkalap_tetel;"_s,
};

const QString PracticeQuery = u"SELECT * FROM vw_tulajdonos;"_s;

std::unique_ptr<DataSet> run(Connection& db, const QString& sql) {
    return std::make_unique<ResultSet>(db.query(sql));
}

void setLogo(ReportLayout& layout, const QString& folder) {
    const QImage logo = LoadLogo(folder);
    if (logo.isNull()) return;
    if (ImageElement* e = layout.findImage(u"logo"_s)) e->picture = Picture::fromImage(logo);
}

QString totalText(const QString& column) {
    return u"FORMATNUMERIC("_s + SqlQuote(Beall.formatFt) + u",SUM(Qry."_s + column + u"))"_s;
}

// Money format and totals of a list, from the settings of this run.
void setAmounts(ReportLayout& layout, const QString& column) {
    layout.setQryFormat(column, DisplayFormat::numeric(Beall.formatFt));
    for (const QString& name : {u"osszesen"_s, u"mindosszesen"_s})
        if (TextElement* e = layout.findText(name)) e->expression = totalText(column);
}

PreparedReport periodList(Connection& db, ReportLayout layout, const QStringList& lines,
                          const QString& amount, QDate from, QDate to) {
    PreparedReport r;
    r.layout = std::move(layout);
    if (TextElement* period = r.layout.findText(u"idoszak"_s)) period->caption = PeriodText(from, to);
    r.qrySql = BindParameters(lines.join(u'\n'), {{u"d1"_s, SqlDate(from)}, {u"d2"_s, SqlDate(to)}});
    setAmounts(r.layout, amount);
    r.qry = run(db, r.qrySql);
    r.tbl = run(db, PracticeQuery);
    return r;
}

} // namespace

std::optional<PreparedReport> PrepareFindingsSheet(Connection& db, qint64 examination,
                                                   const QString& logoFolder) {
    const int type = SelectInt(
        db, u"SELECT mlaptipus FROM munkalap WHERE munkalap = "_s + IdText(examination) + u";"_s, 1);
    if (type >= 5) return std::nullopt;
    PreparedReport r;
    r.layout = FindingsLayout(type);
    setLogo(r.layout, logoFolder);
    r.qrySql = BindParameters(FindingsQuery.join(u'\n'), {{u"pmunkalap"_s, IdText(examination)}});
    r.qry = run(db, r.qrySql);
    if (r.qry->rowCount() > 0) // the text sizes from the first row
        SetFindingsTextSizes(r.layout, r.qry->value(0, u"szoveg"_s).text(),
                             r.qry->value(0, u"velemeny"_s).text());
    r.tbl = run(db, PracticeQuery);
    return r;
}

PreparedReport PrepareRevenueList(Connection& db, QDate from, QDate to) {
    return periodList(db, qrArbevetel(),
                      {u"SELECT * FROM vw_arbevetel"_s, u"WHERE (datum BETWEEN :d1 AND :d2)"_s,
                       u"ORDER BY datum, munkalap;"_s},
                      u"ar_ossz"_s, from, to);
}

PreparedReport PreparePerformedList(Connection& db, QDate from, QDate to) {
    return periodList(
        db, qrFogyas(),
        {u"SELECT * FROM vw_fogyas"_s, u"WHERE datum BETWEEN :d1 AND :d2"_s, u"ORDER BY tetel, munkalap;"_s},
        u"ar"_s, from, to);
}

PreparedReport PrepareExaminationTotals(Connection& db, QDate from, QDate to) {
    return periodList(
        db, qrOsszesen(),
        {u"SELECT * FROM vw_fogyas"_s, u"WHERE datum BETWEEN :d1 AND :d2"_s, u"ORDER BY munkalap, tetel;"_s},
        u"ar"_s, from, to);
}

PreparedReport PreparePatientExamList(Connection& db, qint64 patient) {
    PreparedReport r;
    r.layout = qrBongLista();
    r.qrySql = PatientExaminationsQuery(patient).join(u'\n');
    setAmounts(r.layout, u"ar_ossz"_s);
    r.qry = run(db, r.qrySql);
    r.tbl = run(db, PracticeQuery);
    return r;
}

PreparedReport PrepareEnvelope(Connection& db, qint64 patient, const QString& logoFolder) {
    PreparedReport r;
    r.layout = qrBoritek();
    setLogo(r.layout, logoFolder);
    QStringList lines = {u"SELECT * FROM vw_boritek"_s, u"WHERE ugyfel = 0"_s, u"ORDER BY 1;"_s};
    ReplaceWhere(lines, u"ugyfel = "_s + IdText(patient));
    r.qrySql = lines.join(u'\n');
    r.qry = run(db, r.qrySql);
    return r;
}

PreparedReport PrepareRegisteredSlip(Connection& db, qint64 patient) {
    PreparedReport r;
    r.layout = qrAjanlott();
    // The practice: the first row of the table by name, with the town and street address in one text.
    const ResultSet owners = db.query(u"SELECT * FROM tulajdonos ORDER BY tulajdonos;"_s);
    auto tbl = std::make_unique<MemoryDataSet>();
    for (int c = 0; c < owners.columnCount(); ++c)
        tbl->addColumn(owners.column(c));
    Column varoscim;
    varoscim.name = u"varoscim"_s;
    varoscim.length = 100;
    tbl->addColumn(varoscim);
    if (owners.rowCount() > 0) {
        QList<Value> row;
        for (int c = 0; c < owners.columnCount(); ++c)
            row << owners.value(0, c);
        const DataSet& o = owners; // NULL town or street counts as empty text
        const QString town = o.value(0, u"varos"_s).text(), street = o.value(0, u"cim"_s).text();
        row << Value::fromText((town + u", "_s + street).left(100));
        tbl->addRow(std::move(row));
    }
    r.tbl = std::move(tbl);
    // Only the selected patient's row of the table is used.
    r.qrySql = u"SELECT * FROM ugyfel WHERE ugyfel = "_s + IdText(patient) + u";"_s;
    r.qry = run(db, r.qrySql);
    return r;
}

QString DefaultPatientListQuery() {
    return PatientListLines().join(u'\n');
}

PreparedReport PreparePatientList(Connection& db, const QString& query) {
    PreparedReport r;
    r.layout = qrUgyfel();
    r.qrySql = query;
    r.qry = run(db, r.qrySql);
    r.tbl = run(db, PracticeQuery);
    return r;
}
