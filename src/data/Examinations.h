#pragma once

#include <QString>
#include <QStringList>

class Connection;
class RowEditor;
class Value;

// How many times a new examination is tried before the server's refusal reaches the user.
inline constexpr int CreateExaminationAttempts = 8;

// Creates an examination of the given type for the patient through sp_ujmunkalap and returns its key.
// A call the server ends with a deadlock (on a cluster: another node stored the same serial number
// first) stored nothing and is made again, up to CreateExaminationAttempts times in all.
int CreateExamination(Connection& db, int patient, int type);

// Cancelling an examination only flags the row; the views leave flagged rows out.
void CancelExamination(Connection& db, const Value& examination);

// Marks an examination saved with OK as finished, through sp_munkalapkesz.
void FinishExamination(Connection& db, qint64 examination);

// Removes an examination abandoned as it was being made: its line items first, then the row.
void DeleteNewExamination(Connection& db, qint64 examination);

// What the examination window shows of its patient; a value not found is empty.
struct ExaminationPatient {
    QString name, taj, examinations; // examinations: how many the patient has
};
ExaminationPatient LoadExaminationPatient(Connection& db, qint64 patient);

// One patient's examinations (vw_munkalap), by key, as list query lines (SELECT, WHERE, ORDER BY):
// the history window and the patient's examination list report.
QStringList PatientExaminationsQuery(qint64 patient);

// The line items of an examination (vw_munkalap_tetel) in the order they were made, as list query lines.
QStringList LineItemsQuery(qint64 examination);
// The sum of the examination's line prices; 0 without lines.
double LineItemsTotal(Connection& db, qint64 examination);
// A line of munkalap_tetel takes the item: its key, its name and its price (0 when it has none).
void TakeItem(Connection& db, RowEditor& line, qint64 item);
void DeleteLineItem(Connection& db, qint64 line);
