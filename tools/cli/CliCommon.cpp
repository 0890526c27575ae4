#include "CliCommon.h"

static QList<CliCommand>& registry() {
    static QList<CliCommand> commands;
    return commands;
}

CliRegistration::CliRegistration(CliCommand command) {
    registry() << std::move(command);
}

const QList<CliCommand>& CliCommands() {
    return registry();
}

bool OnOffValue(const QString& option, const QString& value) {
    if (value != QLatin1String("on") && value != QLatin1String("off"))
        throw UsageError(QStringLiteral("A(z) %1 értéke on vagy off lehet, nem „%2”.").arg(option, value));
    return value == QLatin1String("on");
}
