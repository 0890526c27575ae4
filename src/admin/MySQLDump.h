#pragma once

#include "core/Errors.h"
#include "db/Connection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

// Errors of the dump writer itself.
class EmySQLDumpError : public SonoriaError {
public:
    using SonoriaError::SonoriaError;
};

// The format version in the first header line. From 1.3 on a file ends with DumpClosingText after the
// line comment, and the restore refuses a file of such a version that lacks it.
inline const QString DumpFormatVersion = QStringLiteral("1.3");
inline const QString DumpClosingText = QStringLiteral("  Dump completed");
// The SQL mode a file's statements run under (the way the server's dump tool heads its files).
inline const QString DumpSqlMode = QStringLiteral("NO_AUTO_VALUE_ON_ZERO");

enum class TDumpOption { dStructure, dData, dAll };

// Writes tables of a database into a file of SQL statements (latin2 bytes, CR LF line ends) that the
// script executor reads back: a comment header, then per table its structure, its data or both.
//
// The file appears only when the dump is complete: it is written under a temporary name beside the
// target and renamed at the end, so a failed dump leaves the target as it was.
class TmySQLDump {
public:
    QString Name = QStringLiteral("mySQLDump1");
    Connection* Database = nullptr;
    QString SQLFile; // empty: the database name followed by ".sql"
    QStringList TableList;
    TDumpOption DumpOption = TDumpOption::dStructure;
    bool DropObject = true;
    bool UseCreateDb = true;
    QString Delimiter = QStringLiteral(";");
    bool ExtInsert = false;
    int ExtInsertsCount = 100;
    bool AddLocks = true;
    bool DisableKeys = false;
    bool RewriteFile = true;
    bool IncludeHeader = true;
    QString LineComment = QStringLiteral("-- ");
    bool UseReplaceStmt = false;
    bool CompleteInsert = false;
    int Limit = 1024; // rows per progress step of OnDataProcess
    // An extended INSERT also ends before it would grow past this many bytes (a longer row stands alone),
    // so every statement of the file fits the server's packet limit.
    qsizetype MaxStatementBytes = 1024 * 1024;
    // Let pending events of the application run before each table and after each step of rows.
    bool ProcessEvents = true;
    // The time written into the header; the current time when not valid.
    QDateTime DumpTime;

    // Before each table, with the percentage of tables begun.
    std::function<void(TmySQLDump&, const QString& table, int percent)> OnProcess;
    // After each step of Limit rows (and after the last rows of a table), with the table's percentage.
    std::function<void(TmySQLDump&, int percent)> OnDataProcess;

    // Writes the dump of TableList into SQLFile; true when it completed. Server errors reach the caller
    // as DbError, file errors as FileError.
    bool DumpToFile();
    // Asks a running dump to stop at its next step (from an event handler or a stop button).
    void Stop() { m_stop = true; }
    // Whether the last dump read all tables in one consistent snapshot instead of locking them.
    bool usedSnapshot() const { return m_snapshot; }

    QByteArray quoteName(const QString& name) const; // `name` on servers from 3.23.7 on

private:
    class Writer;
    void dumpTable(Writer& out, const QString& table);
    void structureSection(Writer& out, const QString& table);
    void dataSection(Writer& out, const QString& table);
    void checkStop();
    void pumpEvents();
    bool allInnoDb();

    bool m_stop = false;
    bool m_snapshot = false;
};

// Appends value bytes with the writer's escapes: zero byte, TAB, LF, CR, double quote, single quote and
// backslash get a backslash before them (zero as \0, TAB as \t, LF as \n, CR as \r).
void AppendEscapedSql(QByteArray& out, QByteArrayView value);
