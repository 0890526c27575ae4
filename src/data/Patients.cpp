#include "Patients.h"

#include "core/Dates.h"
#include "core/TextRoutines.h"
#include "db/QueryHelpers.h"

using namespace Qt::StringLiterals;

ListedTable PatientsTable() {
    return {u"ugyfel"_s, u"ugyfel"_s, false, u"(ugyfel > 0)"_s, u"ugyfel_nev"_s, u"vw_ugyfel"_s};
}

QStringList PatientListLines() {
    return PatientsTable().listLines();
}

void DeletePatient(Connection& db, const Value& patient) {
    ExecSql(db, u"UPDATE ugyfel SET torolve = 'I' WHERE ugyfel = "_s + IdText(patient) + u';');
}

void SetLastVisit(Connection& db, const Value& patient, QDate date) {
    ExecSql(db, u"UPDATE ugyfel SET dat_utolso = "_s + SqlDate(date) + u" WHERE ugyfel = "_s +
                    IdText(patient) + u';');
}

void SetReminder(Connection& db, const Value& patient, QDate date) {
    ExecSql(db, u"UPDATE ugyfel SET dat_figyelmeztet = "_s + SqlDate(date) + u" WHERE ugyfel = "_s +
                    IdText(patient) + u';');
}

void ClearReminder(Connection& db, const Value& patient) {
    ExecSql(db, u"UPDATE ugyfel SET dat_figyelmeztet = NULL WHERE ugyfel = "_s + IdText(patient) + u';');
}
