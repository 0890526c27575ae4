#include "Wiring.h"

#include "MainRoutines.h"
#include "admin-ui/Tfrm_Adatbazis.h"
#include "admin-ui/Tfrm_SQL.h"
#include "export-ui/ExportDialogs.h"
#include "master/MasterBrowser.h"
#include "patients/PatientRecord.h"
#include "reports-ui/ReportRoutines.h"

using namespace Qt::StringLiterals;

ExamScreens StandardExamScreens(Connection& db) {
    ExamScreens s;
    s.pickPatient = [&db](QWidget* parent) {
        return BrowsePatients(parent, db, -1, true, u"Ügyfél választás"_s).key;
    };
    s.pickItem = [&db](QWidget* parent, int preselect) {
        return BrowseItems(parent, db, preselect, true).key;
    };
    s.pickSnippet = [&db](QWidget* parent, const QString& search) -> std::optional<QString> {
        const SnippetChoice choice = BrowseSnippets(parent, db, search, true);
        if (choice.title.isEmpty()) return std::nullopt;
        return choice.text;
    };
    s.printFindings = [&db](QWidget* parent, int examination, bool print) {
        PrintFindingsSheet(parent, db, examination, print);
    };
    return s;
}

void WireScreens() {
    MainRoutines& r = Routines();
    r.openPatient = [](Connection& db, QWidget* parent, int patient) {
        return OpenPatient(parent, db, patient);
    };
    r.openExamination = [](Connection& db, QWidget* parent, int examination, int patient, int type) {
        return OpenExamination(parent, db, StandardExamScreens(db), examination, patient, type);
    };
    r.showPatientHistory = [](Connection& db, QWidget* parent, int patient) {
        ShowPatientHistory(parent, db, patient);
    };
    r.printPatientList = [](Connection& db, QWidget* parent, const QString& sql, bool preview) {
        PrintPatientList(parent, db, !preview, sql);
    };
    r.printFindingsSheet = [](Connection& db, QWidget* parent, int examination, bool preview) {
        PrintFindingsSheet(parent, db, examination, !preview);
    };
    r.printEnvelope = [](Connection& db, QWidget* parent, int patient) {
        PrintEnvelope(parent, db, patient, true);
    };
    r.printRegisteredSlip = [](Connection& db, QWidget* parent, int patient) {
        PrintRegisteredSlip(parent, db, patient, true);
    };
    r.exportDataSet = [](QWidget* parent, const ResultSetModel& grid, const QString& fileName) {
        ExportDataSet(parent, grid, fileName);
    };
    r.exportGridToHtml = [](QWidget* parent, QTableView* grid, const QString& title) {
        ExportGridToHtml(parent, grid, title);
    };
    r.printRevenueList = [](Connection& db, QWidget* parent, QDate from, QDate to) {
        PrintRevenueList(parent, db, from, to);
    };
    r.printPerformedList = [](Connection& db, QWidget* parent, QDate from, QDate to) {
        PrintPerformedList(parent, db, from, to);
    };
    r.printExaminationTotals = [](Connection& db, QWidget* parent, QDate from, QDate to) {
        PrintExaminationTotals(parent, db, from, to);
    };
    r.showWhoSummary = [](Connection& db, QWidget* parent, QDate from, QDate to) {
        ShowWhoSummary(parent, db, from, to);
    };
    r.browseItems = [](Connection& db, QWidget* parent) { BrowseItems(parent, db, -1, false); };
    r.browseSnippets = [](Connection& db, QWidget* parent) { BrowseSnippets(parent, db, {}, false); };
    r.showConnectionProfiles = [](Connection&, QWidget* parent) { ShowConnectionProfiles(parent); };
    r.showSqlConsole = [](Connection& db, QWidget* parent) {
        ShowSqlConsole(parent, db,
                       [](QWidget* owner, ResultSetModel* result) { ExportDataSet(owner, *result, {}); });
    };
}
