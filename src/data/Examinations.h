#pragma once

class Connection;
class Value;

// Creates an examination of the given type for the patient through sp_ujmunkalap and returns its key.
int CreateExamination(Connection& db, int patient, int type);

// Cancelling an examination only flags the row; the views leave flagged rows out.
void CancelExamination(Connection& db, const Value& examination);
