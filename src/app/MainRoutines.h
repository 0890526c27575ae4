#pragma once

#include "db/Connection.h"

#include <QDate>
#include <QString>

#include <functional>

class QTableView;
class ResultSetModel;
class QWidget;

// The screens that the main window opens and that live in other libraries. The program's entry
// fills them in; an action whose routine is not set does nothing. Every routine gets the one
// connection and the main window as the owner of its window.
struct MainRoutines {
    // The key of the saved row, or -1.
    std::function<int(Connection&, QWidget*, int patient)> openPatient;
    std::function<int(Connection&, QWidget*, int examination, int patient, int type)> openExamination;
    std::function<void(Connection&, QWidget*, int patient)> showPatientHistory;
    std::function<void(Connection&, QWidget*, const QString& patientSql, bool preview)> printPatientList;
    std::function<void(Connection&, QWidget*, int examination, bool preview)> printFindingsSheet;
    std::function<void(Connection&, QWidget*, int patient)> printEnvelope;
    std::function<void(Connection&, QWidget*, int patient)> printRegisteredSlip;
    // The export dialog over a grid's rows, the grid's column titles as the header captions.
    std::function<void(QWidget*, const ResultSetModel& grid, const QString& fileName)> exportDataSet;
    std::function<void(QWidget*, QTableView* grid, const QString& title)> exportGridToHtml;
    using PeriodReport = std::function<void(Connection&, QWidget*, QDate from, QDate to)>;
    PeriodReport printRevenueList, printPerformedList, printExaminationTotals, showWhoSummary;
    std::function<void(Connection&, QWidget*)> browseItems, browseSnippets, showConnectionProfiles,
        showSqlConsole;
};

MainRoutines& Routines();
