#include "Examinations.h"

#include "db/QueryHelpers.h"

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
