// sonoria-cli pdf ...: the printed documents of the program as PDF files.

#include "CliCommon.h"

#include "reports/layouts/ReportRuns.h"

#include "core/Config.h"
#include "core/Errors.h"

#include <QDate>
#include <QRect>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

qint64 keyArgument(const QString& text) {
    bool ok = false;
    const qint64 key = text.toLongLong(&ok);
    if (!ok) throw UsageError(u"A kulcs nem egész szám: %1"_s.arg(text));
    return key;
}

QDate dateArgument(const QString& text) {
    const QDate d = QDate::fromString(text, u"yyyy-MM-dd"_s);
    if (!d.isValid())
        throw UsageError(u"Hibás dátum: %1 (a helyes alak: éééé-hh-nn, például 2024-01-31)"_s.arg(text));
    return d;
}

void expectCount(const QStringList& args, qsizetype n) {
    if (args.size() != n) throw UsageError(u"Hibás számú argumentum."_s);
}

// What the arguments ask for: the report, made once the connection is open, and the file.
struct PdfJob {
    std::function<PreparedReport(Connection&)> prepare;
    QString file;
};

PdfJob pdfJob(const CliContext& c) {
    QStringList args = c.args;
    if (args.isEmpty()) throw UsageError(u"Hiányzik a nyomtatvány neve."_s);
    const QString kind = args.takeFirst();
    if (c.has(u"--query"_s) && kind != u"patients"_s)
        throw UsageError(u"A --query csak a patients nyomtatványhoz adható meg."_s);
    if (kind == u"findings"_s) {
        expectCount(args, 2);
        const qint64 key = keyArgument(args[0]);
        return {
            [key](Connection& db) {
                std::optional<PreparedReport> report = PrepareFindingsSheet(db, key, LogoFolder());
                if (!report)
                    throw FormatError(
                        u"A(z) %1 vizsgálat típusához nincs leletnyomtatvány; a PDF nem készült."_s.arg(key));
                return std::move(*report);
            },
            args[1]};
    }
    if (kind == u"revenue"_s || kind == u"performed"_s || kind == u"totals"_s) {
        expectCount(args, 3);
        const QDate from = dateArgument(args[0]), to = dateArgument(args[1]);
        const auto prepare = kind == u"revenue"_s     ? &PrepareRevenueList
                             : kind == u"performed"_s ? &PreparePerformedList
                                                      : &PrepareExaminationTotals;
        return {[=](Connection& db) { return prepare(db, from, to); }, args[2]};
    }
    if (kind == u"patient-exams"_s || kind == u"envelope"_s || kind == u"slip"_s) {
        expectCount(args, 2);
        const qint64 key = keyArgument(args[0]);
        if (kind == u"envelope"_s)
            return {[key](Connection& db) { return PrepareEnvelope(db, key, LogoFolder()); }, args[1]};
        const auto prepare = kind == u"patient-exams"_s ? &PreparePatientExamList : &PrepareRegisteredSlip;
        return {[=](Connection& db) { return prepare(db, key); }, args[1]};
    }
    if (kind == u"patients"_s) {
        expectCount(args, 1);
        const QString query = c.option(u"--query"_s, DefaultPatientListQuery());
        return {[query](Connection& db) { return PreparePatientList(db, query); }, args[0]};
    }
    throw UsageError(u"Ismeretlen nyomtatvány: %1"_s.arg(kind));
}

void checkPdf(const CliContext& c) {
    pdfJob(c);
}

int runPdf(CliContext& c) {
    const PdfJob job = pdfJob(c);
    // The money format and the other display settings of this workstation.
    QRect bounds;
    LoadSettings(Config(), Beall, bounds);
    const int pages = job.prepare(*c.db).writePdf(job.file);
    c.err << u"A(z) %1 fájl elkészült (%2 oldal)."_s.arg(job.file).arg(pages) << Qt::endl;
    return 0;
}

CliRegistration
    registration({u"pdf"_s,
                  u"pdf NYOMTATVÁNY ... FILE        a program nyomtatványa PDF fájlba (dátum: éééé-hh-nn, "
                  u"mindkét vég benne van):\n"
                  "    pdf findings KEY FILE           a KEY vizsgálat lelete, a típusának nyomtatványán\n"
                  "    pdf revenue FROM TO FILE        árbevétel\n"
                  "    pdf performed FROM TO FILE      végzett vizsgálatok tételenként\n"
                  "    pdf totals FROM TO FILE         tételek vizsgálatonként\n"
                  "    pdf patient-exams KEY FILE      a KEY páciens vizsgálatainak listája\n"
                  "    pdf envelope KEY FILE           boríték a KEY páciensnek\n"
                  "    pdf slip KEY FILE               ajánlott postai szelvény a KEY páciensnek\n"
                  "    pdf patients FILE [--query SQL] páciensek listája (alapból a főablak lekérdezése)\n"
                  "    példa: sonoria-cli pdf revenue --profile 1 2024-01-01 2024-01-31 arbevetel.pdf"_s,
                  CliTarget::Database,
                  {{u"--query"_s, u"SQL"_s}},
                  &runPdf,
                  &checkPdf});

} // namespace
