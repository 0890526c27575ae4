#pragma once

#include "ListedTable.h"

// The users of the program, keyed by their login name.
ListedTable UsersTable();
