#pragma once

#include "db/Connection.h"

class QWidget;

// The users window "Felhasználók adatai": the rows of felhasznalo with new, edit and delete.
void ShowUserAdmin(Connection& db, QWidget* parent = nullptr);
