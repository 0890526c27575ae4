#pragma once

#include "MySQLBatchExecute.h"
#include "MySQLDump.h"

#include "core/Errors.h"
#include "db/Connection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

// A backup or restore that did not complete, with a message fit to show (Hungarian, the server's or the
// tool's own text included).
class BackupError : public SonoriaError {
public:
    using SonoriaError::SonoriaError;
};

// "sonoria-2024-03-05-14-07-09.sql" for the database sonoria at 5 March 2024, 14:07:09.
QString ProposedBackupName(const QString& database, const QDateTime& now = QDateTime::currentDateTime());

// The data-only settings of the profiles window's writer.
void SetupBackupWriter(TmySQLDump& dump);
// The database's base tables (views left out) in the order the server lists them.
QStringList BaseTables(Connection& db);

// The question asked before a restore overwrites the profile's database.
QString RestoreQuestion(const QString& host, const QString& database);

// What a window or the command-line tool shows while a backup or restore runs.
struct BackupProgress {
    std::function<void(const QString& table, int percent)> table; // backup: before each table
    std::function<void(int statementNo, int maximum)> statement;  // restore: after each statement
    std::function<void(const QString& what)> stage;               // "archiving", "extracting"
};

// Backs up the connection's database into file (.sql, or .zip holding one .sql of the same bare name).
// Nothing that looks complete is left behind when it fails. Throws BackupError.
void BackupDatabase(Connection& db, const QString& file, const BackupProgress& progress = {},
                    TmySQLDump* writer = nullptr);

// Runs a .sql file, or the .sql of the same bare name inside a .zip, on the connection, reading it in
// pieces. A data-only script runs in one transaction. Refused before anything runs: a script with nothing
// to run, one that cannot be cut into statements, one that names more than one database, and a file of
// the writer that lacks its closing line. Statements that select, create or drop another database than
// the connection's are passed over, so the file loads into the connection's database. A file of the
// writer whose tables received other numbers of rows than it announces is rolled back. Archives are
// unpacked into a private folder that goes when the restore ends. Throws BackupError.
void RestoreDatabase(Connection& db, const QString& file, const BackupProgress& progress = {});

// The folder where archives are unpacked for a restore: ConfigDirectory followed by "/Temp".
QString RestoreTempDirectory();

// Packs one file into a new ZIP archive as one deflated entry (highest level) named entryName.
// The archive appears only when it is complete. Throws BackupError with the library's text.
void ZipSingleFile(const QString& archive, const QString& file, const QString& entryName);
// Extracts every entry of an archive into folder; throws BackupError for a damaged archive or an entry
// whose name would lead outside the folder.
QStringList UnzipAll(const QString& archive, const QString& folder);

// The full backup with the server's own dump tool.
struct ServerDumpResult {
    bool ok = false;
    int exitCode = -1;
    QString errorText; // the tool's own error output (or why it could not run)
};
// The tool's arguments: never the password, which goes to the child through its environment.
QStringList ServerDumpArguments(const ConnectionParams& params, const QString& resultFile);
// Runs the tool as a child process (no shell) and waits for it; the result file appears only when the
// tool succeeded. While it waits, pending events of the application run (the window stays responsive).
ServerDumpResult RunServerDump(const QString& toolPath, const ConnectionParams& params, const QString& file);
