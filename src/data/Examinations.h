#pragma once

class Connection;

// Creates an examination of the given type for the patient through sp_ujmunkalap and returns its key.
int CreateExamination(Connection& db, int patient, int type);
