#pragma once

#include "ListedTable.h"

#include <QStringList>

class Connection;
class QDate;
class Value;

// The patients as lists show them: the view of the patients not deleted, keyed by ugyfel, every listing
// keeping "(ugyfel > 0)", ordered by name. A delete through it removes the row of ugyfel itself.
ListedTable PatientsTable();

// The patient list: every patient the view shows, by name. Three lines (SELECT, WHERE, ORDER BY), so
// that a search and a sort can replace the last two; the main window, the patient browser and the
// patient-list report all start from it.
QStringList PatientListLines();

// Deleting a patient only flags the row; the views leave flagged rows out.
void DeletePatient(Connection& db, const Value& patient);
// The date of the patient's last visit.
void SetLastVisit(Connection& db, const Value& patient, QDate date);
// The reminder date, and clearing it.
void SetReminder(Connection& db, const Value& patient, QDate date);
void ClearReminder(Connection& db, const Value& patient);
