#pragma once

#include "core/Errors.h"
#include "db/Connection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Errors of the script executor itself (no connection, a script that cannot be cut into statements).
class EmySQLBatchExecutorError : public SonoriaError {
public:
    using SonoriaError::SonoriaError;
};

enum class TmySQLBatchAction { baFail, baAbort, baIgnore, baContinue };
enum class TmySQLStatementType { mstCursor, mstNonCursor };

// Runs an SQL script on a connection statement by statement: the script is cut at the current delimiter,
// minding quotes, comments and DELIMITER lines; each statement goes to the server as its bytes stand.
// The script is checked completely before the first statement runs, so a script that cannot be cut
// (text ending inside quotes, a DELIMITER line without a delimiter) changes nothing.
class TMySQLBatchExecute {
public:
    QString Name = QStringLiteral("MySQLBatchExecute1");
    Connection* Database = nullptr;
    QString Delimiter = QStringLiteral(";");
    TmySQLBatchAction Action = TmySQLBatchAction::baFail;
    // A script of nothing but DELETE, INSERT and REPLACE statements (and SET NAMES) runs in one
    // transaction when this is on: a failing statement rolls everything back.
    bool DataOnlyTransaction = false;

    // The script's bytes (in the code page of the connection, or whatever the script sets with SET NAMES).
    QByteArray SQL;
    void setLines(const QStringList& lines); // each line followed by CR LF, encoded to latin2
    void loadFromFile(const QString& path);  // the file's bytes as they stand

    using SqlText = QByteArrayView;
    std::function<void(TMySQLBatchExecute&)> OnBeforeExecute;
    std::function<void(TMySQLBatchExecute&)> OnAfterExecute;
    std::function<void(TMySQLBatchExecute&, SqlText, int statementNo, bool& allow)> OnBeforeStatement;
    std::function<void(TMySQLBatchExecute&, SqlText, TmySQLStatementType, int statementNo, bool& processed)>
        OnProcessEx;
    std::function<void(TMySQLBatchExecute&, SqlText, int statementNo)> OnProcess;
    std::function<void(TMySQLBatchExecute&, const DbError&, SqlText, int statementNo, TmySQLBatchAction&)>
        OnBatchErrorEx;
    std::function<void(TMySQLBatchExecute&, const DbError&, SqlText, int statementNo)> OnBatchError;
    std::function<void(TMySQLBatchExecute&, SqlText, int statementNo, qint64 rowsAffected, bool success)>
        OnAfterStatement;
    // The general error display used by baContinue; without one the error goes to the Qt log.
    std::function<void(const SonoriaError&)> ShowError;

    void ExecuteBatch();

    qint64 rowsAffected() const { return m_rowsAffected; }
    int statementCount() const { return m_statementNo; } // statements handed out in the last run
    bool ranInTransaction() const { return m_inTransaction; }
    int currentLine() const { return m_currentLine; } // script line where the last statement began

    static TmySQLStatementType StatementType(QByteArrayView sql);
    // Whether every statement is a DELETE, INSERT, REPLACE or SET NAMES (also inside a /*! comment).
    static bool IsDataStatement(QByteArrayView sql);

private:
    enum class Outcome { Next, Stop };
    Outcome executeStatement(QByteArrayView sql);
    void runTransaction(const QByteArray& delimiter);

    qint64 m_rowsAffected = 0;
    int m_statementNo = 0;
    bool m_inTransaction = false;
    int m_currentLine = 0;
};
