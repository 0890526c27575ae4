#pragma once

#include "exams/ExamRoutines.h"

class Connection;

// The examination record's pickers and findings sheet: the real browsers and report.
ExamScreens StandardExamScreens(Connection& db);

// Hands the screens of the other libraries to the main window (MainRoutines).
void WireScreens();
