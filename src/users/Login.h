#pragma once

#include "db/Connection.h"

#include <QString>

class QWidget;

// The login dialog "Belépés azonosítás" over the users of table felhasznalo. True when a user logged
// in; the user name and the rights of the settings record are then set from his row. False when the
// user gave up: the caller ends the program.
bool RunLogin(Connection& db, QWidget* parent = nullptr);

// Checks a user name and password against the rows of felhasznalo, exactly (letter case included).
// On success fills the session fields of the settings record and returns true; otherwise shows
// "Érvénytelen felhasználó, vagy jelszó" and returns false.
bool CheckCredentials(const ResultSet& users, const QString& user, const QString& password);

// Stores a new password for a user; refuses with a message a text that the column cannot hold.
// True when stored.
bool StoreNewPassword(Connection& db, const QString& user, const QString& password);
