#pragma once

class Connection;

// How many times a new examination is tried before the server's refusal reaches the user.
inline constexpr int CreateExaminationAttempts = 8;

// Creates an examination of the given type for the patient through sp_ujmunkalap and returns its key.
// A call the server ends with a deadlock (on a cluster: another node stored the same serial number
// first) stored nothing and is made again, up to CreateExaminationAttempts times in all.
int CreateExamination(Connection& db, int patient, int type);
