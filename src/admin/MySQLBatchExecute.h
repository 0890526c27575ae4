#pragma once

#include "core/Errors.h"
#include "db/Connection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

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
    // When set, the script is this file, read in pieces instead of SQL: only the statement at hand is
    // held in memory, whatever the file's size.
    QString ScriptFile;
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
    // The checking pass before anything runs: each statement's beginning (at most 64 KiB of it) and its
    // line. Throwing refuses the script.
    std::function<void(TMySQLBatchExecute&, SqlText, int line)> OnCheckStatement;
    // After the last statement ran, before a transaction is committed: throwing an
    // EmySQLBatchExecutorError rolls the transaction back and reports its message.
    std::function<void(TMySQLBatchExecute&)> OnScriptEnd;
    // A script without a single statement (empty, or all comment) is refused instead of run.
    bool RefuseEmptyScript = false;
    // Line comments between statements (without their line end), as the run reaches them.
    std::function<void(TMySQLBatchExecute&, SqlText)> OnComment;
    // The general error display used by baContinue; without one the error goes to the Qt log.
    std::function<void(const SonoriaError&)> ShowError;

    void ExecuteBatch();

    qint64 rowsAffected() const { return m_rowsAffected; }
    int statementCount() const { return m_statementNo; } // statements handed out in the last run
    bool ranInTransaction() const { return m_inTransaction; }
    int currentLine() const { return m_currentLine; }   // script line where the last statement began
    int plannedStatements() const { return m_planned; } // statements the checking pass found

    static TmySQLStatementType StatementType(QByteArrayView sql);
    // Whether the statement only changes rows (DELETE, INSERT, REPLACE) or sets a session variable
    // (SET, also inside a /*! comment) other than autocommit or the transaction's characteristics.
    static bool IsDataStatement(QByteArrayView sql);

private:
    enum class Outcome { Next, Stop };
    Outcome executeStatement(QByteArrayView sql);
    void runTransaction(const QByteArray& delimiter);
    std::unique_ptr<class SqlScriptReader> reader(const QByteArray& delimiter) const;
    bool runAll(const QByteArray& delimiter); // false when a statement stopped the run

    qint64 m_rowsAffected = 0;
    int m_statementNo = 0;
    bool m_inTransaction = false;
    int m_currentLine = 0;
    int m_planned = 0;
};
