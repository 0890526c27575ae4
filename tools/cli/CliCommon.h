#pragma once

#include "core/Errors.h"
#include "db/Connection.h"

#include <QHash>
#include <QStringList>
#include <QTextStream>

// A mistake in the command line itself (an unknown option, a missing argument): the message, the
// command's usage and exit status 2.
class UsageError : public SonoriaError {
public:
    using SonoriaError::SonoriaError;
};

// An option of one command: "--query" with a value named "SQL" in the help, or a switch (no value).
struct CliOption {
    QString name;
    QString value;
    bool takesValue() const { return !value.isEmpty(); }
};

// What a command talks to: nothing, its database, or the server alone (the database named by the
// connection options need not exist yet).
enum class CliTarget { None, Database, Server };

// What every command gets: its positional arguments, the values of its own options, the connection
// parameters as the options gave them, the open connection (when the command needs one) and the
// error stream.
struct CliContext {
    QStringList args;
    QHash<QString, QString> options; // given options by name; a switch maps to an empty text
    ConnectionParams params;
    Connection* db = nullptr;
    QTextStream& err;
    bool progress = false; // standard error is a terminal

    bool has(const QString& option) const { return options.contains(option); }
    QString option(const QString& name, const QString& otherwise = {}) const {
        return options.value(name, otherwise);
    }
};

// One command of the tool: its name, its help (Hungarian, with an example; the first line is its
// usage), what it connects to, its own options, the code that runs it (the exit status), and what
// checks its arguments before a password is asked or a server is called (throws UsageError).
struct CliCommand {
    QString name;
    QString help;
    CliTarget target;
    QList<CliOption> options;
    int (*run)(CliContext& context);
    void (*check)(const CliContext& context) = nullptr;
};

// "on" or "off" as the value of an option; anything else is a UsageError naming the option.
bool OnOffValue(const QString& option, const QString& value);

// Each group of commands registers itself from its own file:
//   static CliRegistration reg({u"backup"_s, u"..."_s, CliTarget::Database, {}, &RunBackup});
struct CliRegistration {
    explicit CliRegistration(CliCommand command);
};
const QList<CliCommand>& CliCommands();
