#include "Examinations.h"

#include "core/TextRoutines.h"
#include "db/QueryHelpers.h"

using namespace Qt::StringLiterals;

int CreateExamination(Connection& db, int patient, int type) {
    ExecSql(db, u"CALL sp_ujmunkalap(%1, %2);"_s.arg(patient).arg(type));
    // The procedure's INSERT set this session's last insert id: another workstation's new
    // examination cannot be taken for ours.
    return SelectInt(db, u"SELECT LAST_INSERT_ID();"_s, 0);
}

void CancelExamination(Connection& db, const Value& examination) {
    ExecSql(db, u"UPDATE munkalap SET storno = 'I' WHERE munkalap = "_s + IdText(examination) + u';');
}
