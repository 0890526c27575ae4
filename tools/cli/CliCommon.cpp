#include "CliCommon.h"

static QList<CliCommand>& registry() {
    static QList<CliCommand> commands;
    return commands;
}

CliRegistration::CliRegistration(CliCommand command) { registry() << std::move(command); }

const QList<CliCommand>& CliCommands() { return registry(); }
