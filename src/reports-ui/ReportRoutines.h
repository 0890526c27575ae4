#pragma once

#include <QDate>
#include <QString>

class Connection;
class QWidget;

// Every printed document of the program, each with its Hungarian name's routine. print: straight to
// the printer; otherwise the preview window.
void PrintFindingsSheet(QWidget* parent, Connection& db, int examination, bool print);
// The period lists and the patient's examination list run their queries first, then ask for preview,
// print or export.
void PrintRevenueList(QWidget* parent, Connection& db, QDate from, QDate to);
void PrintPerformedList(QWidget* parent, Connection& db, QDate from, QDate to);
void PrintExaminationTotals(QWidget* parent, Connection& db, QDate from, QDate to);
void PrintPatientExamList(QWidget* parent, Connection& db, int patient);
// The envelope and the slip always go to the system's default printer.
void PrintEnvelope(QWidget* parent, Connection& db, int patient, bool print);
void PrintRegisteredSlip(QWidget* parent, Connection& db, int patient, bool print);
// The patients the main window shows, in its order: sql is the patient list's query as it stands.
void PrintPatientList(QWidget* parent, Connection& db, bool print, const QString& sql);

void ShowWhoSummary(QWidget* parent, Connection& db, QDate from, QDate to);
void ShowPatientHistory(QWidget* parent, Connection& db, int patient);
