#pragma once

#include "db/Connection.h"

class QWidget;

// "Beállítások": the workstation settings of the settings record with the shared row of beallit.
// True when closed with OK (the row is then stored and the record updated).
bool RunSettingsDialog(Connection& db, QWidget* parent = nullptr);

// "Névjegy": the product name and version.
void ShowAbout(QWidget* parent = nullptr);
