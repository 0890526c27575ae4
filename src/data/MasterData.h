#pragma once

#include "ListedTable.h"

// The reference-data lists.
ListedTable ItemsTable();
ListedTable SnippetsTable();
ListedTable PostalCodesTable();
