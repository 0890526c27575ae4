#pragma once

#include "db/Connection.h"

#include <QStringList>
#include <QTextStream>

#include <optional>

// What every command gets: its own arguments (the connection options already taken out), the open
// connection (when the command needs one) and the error stream.
struct CliContext {
    QStringList args;
    Connection* db = nullptr;
    QTextStream& err;
    bool progress = false;  // standard error is a terminal
    std::optional<bool> compression; // --compression, when given
    QString tlsCa;                   // --tls-ca, when given
};

// One command of the tool: its name, one line of help (Hungarian, with an example), whether it needs
// a database connection, and the code that runs it (the exit status).
struct CliCommand {
    QString name;
    QString help;
    bool needsConnection;
    int (*run)(CliContext& context);
};

// Each group of commands registers itself from its own file:
//   static CliRegistration reg({u"backup"_s, u"..."_s, true, &RunBackup});
struct CliRegistration {
    explicit CliRegistration(CliCommand command);
};
const QList<CliCommand>& CliCommands();
