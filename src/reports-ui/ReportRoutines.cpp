#include "ReportRoutines.h"

#include "ReportOutput.h"
#include "core/Config.h"
#include "export-ui/ExportDialogs.h"
#include "ui/PrintDialogs.h"

void PrintFindingsSheet(QWidget* parent, Connection& db, int examination, bool print) {
    const std::optional<PreparedReport> report = PrepareFindingsSheet(db, examination, LogoFolder());
    if (!report) return; // a type of 5 or more prints nothing
    OutputReport(parent, *report, print ? ReportOutput::Print : ReportOutput::Preview,
                 RunPrinterName(Beall.printerName));
}

namespace {
// The printer picked in the dialog applies to this run only; the settings keep their own.
void offerChoice(QWidget* parent, const PreparedReport& report) {
    QString printer = Beall.printerName;
    switch (AskPrintChoice(printer, parent)) {
    case 0:
        OutputReport(parent, report, ReportOutput::Preview, RunPrinterName(printer));
        break;
    case 1:
        OutputReport(parent, report, ReportOutput::Print, RunPrinterName(printer));
        break;
    case 2:
        ExportDataSet(parent, *report.qry, {});
        break;
    default:
        break;
    }
}
} // namespace

void PrintRevenueList(QWidget* parent, Connection& db, QDate from, QDate to) {
    offerChoice(parent, PrepareRevenueList(db, from, to));
}

void PrintPerformedList(QWidget* parent, Connection& db, QDate from, QDate to) {
    offerChoice(parent, PreparePerformedList(db, from, to));
}

void PrintExaminationTotals(QWidget* parent, Connection& db, QDate from, QDate to) {
    offerChoice(parent, PrepareExaminationTotals(db, from, to));
}

void PrintPatientExamList(QWidget* parent, Connection& db, int patient) {
    offerChoice(parent, PreparePatientExamList(db, patient));
}

void PrintEnvelope(QWidget* parent, Connection& db, int patient, bool print) {
    OutputReport(parent, PrepareEnvelope(db, patient, LogoFolder()),
                 print ? ReportOutput::Print : ReportOutput::Preview, RunPrinterName({}));
}

void PrintRegisteredSlip(QWidget* parent, Connection& db, int patient, bool print) {
    OutputReport(parent, PrepareRegisteredSlip(db, patient),
                 print ? ReportOutput::Print : ReportOutput::Preview, RunPrinterName({}));
}

void PrintPatientList(QWidget* parent, Connection& db, bool print, const QString& sql) {
    OutputReport(parent, PreparePatientList(db, sql), print ? ReportOutput::Print : ReportOutput::Preview,
                 RunPrinterName(Beall.printerName));
}
