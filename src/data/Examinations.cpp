#include "Examinations.h"

#include "core/SqlText.h"
#include "core/TextRoutines.h"
#include "db/QueryHelpers.h"
#include "db/RowEditor.h"

#include <QRandomGenerator>

#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

namespace {
constexpr int ErDeadlock = 1213;
}

int CreateExamination(Connection& db, int patient, int type) {
    const QString call = u"CALL sp_ujmunkalap(%1, %2);"_s.arg(patient).arg(type);
    for (int attempt = 1;; ++attempt) {
        try {
            ExecSql(db, call);
            break;
        } catch (const DbError& e) {
            if (e.code() != ErDeadlock || attempt >= CreateExaminationAttempts) throw;
        }
        // Workstations that clashed once would clash again in step: each waits a little, at random.
        const int ms = QRandomGenerator::global()->bounded(5, 20 * attempt);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    // The procedure's INSERT set this session's last insert id: another workstation's new
    // examination cannot be taken for ours.
    return SelectInt(db, u"SELECT LAST_INSERT_ID();"_s, 0);
}

void CancelExamination(Connection& db, const Value& examination) {
    ExecSql(db, u"UPDATE munkalap SET storno = 'I' WHERE munkalap = "_s + IdText(examination) + u';');
}

void FinishExamination(Connection& db, qint64 examination) {
    ExecSql(db, u"CALL sp_munkalapkesz(%1);"_s.arg(examination));
}

void DeleteNewExamination(Connection& db, qint64 examination) {
    ExecSql(db, u"DELETE FROM munkalap_tetel WHERE munkalap = %1;"_s.arg(examination));
    ExecSql(db, u"DELETE FROM munkalap WHERE munkalap = %1;"_s.arg(examination));
}

ExaminationPatient LoadExaminationPatient(Connection& db, qint64 patient) {
    return {LookupName(db, patient, u"ugyfel"_s, {}),
            SelectText(db, u"SELECT taj FROM ugyfel WHERE ugyfel = %1;"_s.arg(patient), {}),
            SelectText(db, u"SELECT mlapdb FROM vw_mlapcount WHERE ugyfel = %1;"_s.arg(patient), {})};
}

QStringList PatientExaminationsQuery(qint64 patient) {
    QStringList lines{u"SELECT * FROM vw_munkalap"_s, u"WHERE ugyfel = 0"_s, u"ORDER BY 1;"_s};
    ReplaceWhere(lines, u"ugyfel = "_s + IdText(patient));
    return lines;
}

QStringList LineItemsQuery(qint64 examination) {
    return {u"SELECT * FROM vw_munkalap_tetel"_s, u"WHERE munkalap = "_s + IdText(examination),
            u"ORDER BY munkalap_tetel;"_s};
}

double LineItemsTotal(Connection& db, qint64 examination) {
    return SelectFloat(db, u"SELECT SUM(ar) FROM munkalap_tetel WHERE munkalap = %1;"_s.arg(examination), 0);
}

void TakeItem(Connection& db, RowEditor& line, qint64 item) {
    line.setInt(u"tetel"_s, item);
    line.setText(u"tetel_nev"_s, LookupName(db, item, u"tetel"_s, {}));
    line.setDouble(u"ar"_s, SelectFloat(db, u"SELECT ar FROM tetel WHERE tetel = %1;"_s.arg(item), 0));
}

void DeleteLineItem(Connection& db, qint64 line) {
    ExecSql(db, u"DELETE FROM munkalap_tetel WHERE munkalap_tetel = "_s + IdText(line) + u';');
}
