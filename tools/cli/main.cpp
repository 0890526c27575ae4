#include "CliCommon.h"

#include "core/Config.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The options that say where the database is. Those marked direct name the server themselves and do
// not go with --profile; the others adjust the connection either way. Each is applied after the
// profile was read, in the order given.
struct ConnectionOption {
    QString name;
    QString value; // its value's name in the help
    QString help;
    bool direct;
    void (*apply)(ConnectionParams& params, const QString& value);
};

const QList<ConnectionOption>& ConnectionOptions() {
    static const QList<ConnectionOption> options = {
        {u"--profile"_s, u"N"_s, u"a konfigurációs fájl ConStrN kapcsolata (a jelszóval együtt)"_s, false,
         nullptr},
        {u"--host"_s, u"H"_s,
         u"a kiszolgáló neve vagy IP címe; több is lehet, vesszővel elválasztva (H[:P],H2[:P2]...): ha az "
         u"előző nem válaszol, a program sorban a következőhöz kapcsolódik"_s,
         true, [](ConnectionParams& p, const QString& v) { p.host = v; }},
        {u"--port"_s, u"P"_s, u"a kiszolgáló portja (alapértéke 3306)"_s, true,
         [](ConnectionParams& p, const QString& v) {
             bool ok = false;
             const uint port = v.toUInt(&ok);
             if (!ok || port == 0 || port > 65535)
                 throw UsageError(u"A port 1 és 65535 közötti egész szám: %1"_s.arg(v));
             p.port = port;
         }},
        {u"--user"_s, u"U"_s, u"a felhasználó neve"_s, true,
         [](ConnectionParams& p, const QString& v) { p.user = v; }},
        {u"--database"_s, u"D"_s, u"az adatbázis neve"_s, true,
         [](ConnectionParams& p, const QString& v) { p.database = v; }},
        {u"--compression"_s, u"on|off"_s,
         u"tömörített átvitel (alapértéke a profilé; --host esetén be, kivéve ha a kiszolgáló ez a gép)"_s,
         false,
         [](ConnectionParams& p, const QString& v) { p.compression = OnOffValue(u"--compression"_s, v); }},
        {u"--tls-ca"_s, u"FÁJL"_s,
         u"titkosított kapcsolat (TLS); a kiszolgáló tanúsítványát és nevét ezzel a hitelesítésszolgáltatói "
         u"(CA) fájllal ellenőrzi"_s,
         false,
         [](ConnectionParams& p, const QString& v) {
             p.tls = TlsSettings{true, v, true};
         }},
    };
    return options;
}

const ConnectionOption* findConnectionOption(const QString& name) {
    for (const ConnectionOption& o : ConnectionOptions())
        if (o.name == name) return &o;
    return nullptr;
}

const CliOption* findCommandOption(const CliCommand& command, const QString& name) {
    for (const CliOption& o : command.options)
        if (o.name == name) return &o;
    return nullptr;
}

const CliCommand* findCommand(const QString& name) {
    for (const CliCommand& c : CliCommands())
        if (c.name == name) return &c;
    return nullptr;
}

// The first line of a command's help up to its description.
QString synopsis(const CliCommand& command) {
    const QString first = command.help.section(u'\n', 0, 0);
    const qsizetype gap = first.indexOf(u"  "_s);
    return gap < 0 ? first : first.left(gap);
}

bool isHelp(const QString& a) {
    return a == u"--help"_s || a == u"-h"_s;
}

// "-" alone (standard input) and negative numbers are arguments, anything else with a dash an option.
bool looksLikeOption(const QString& a) {
    if (a.size() < 2 || !a.startsWith(u'-')) return false;
    bool number = false;
    a.toDouble(&number);
    return !number;
}

QString readPasswordFromTerminal(QTextStream& err) {
    err << "Jelszó: " << Qt::flush;
    termios old{};
    const bool tty = tcgetattr(STDIN_FILENO, &old) == 0;
    if (tty) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QTextStream in(stdin);
    const QString password = in.readLine();
    if (tty) tcsetattr(STDIN_FILENO, TCSANOW, &old);
    err << Qt::endl;
    return password;
}

void printConnectionHelp(QTextStream& out) {
    out << "KAPCSOLAT: --profile N, vagy --host H[:P][,H2[:P2]...] [--port P] --user U --database D;\n"
           "a --compression és a --tls-ca mindkettő mellett megadható\n";
    for (const ConnectionOption& o : ConnectionOptions())
        out << "  " << (o.name + u' ' + o.value).leftJustified(31) << ' ' << o.help << '\n';
    out << "A jelszót a SONORIA_PASSWORD környezeti változó adja, különben a program a terminálon kéri\n"
           "(visszhang nélkül); argumentumként soha nem adható meg.\n";
}

void printHelp(QTextStream& out) {
    out << "sonoria-cli PARANCS [KAPCSOLAT] ARGUMENTUMOK\n\n";
    printConnectionHelp(out);
    out << "\nPARANCSOK:\n";
    for (const CliCommand& c : CliCommands())
        out << "  " << c.help << "\n";
    out << "\nKilépési kód: 0 siker, 1 hiba, 2 hibás parancssor.\n" << Qt::flush;
}

void printCommandHelp(QTextStream& out, const CliCommand& command) {
    out << "sonoria-cli " << command.help << "\n";
    if (command.target != CliTarget::None) {
        out << '\n';
        printConnectionHelp(out);
    }
    out << Qt::flush;
}

// The command line after the command's name, taken apart by the tables above.
struct CommandLine {
    QStringList args;
    QHash<QString, QString> options;
    QString profile; // N of --profile
    QList<std::pair<const ConnectionOption*, QString>> connection;
    bool help = false;
};

CommandLine parse(const CliCommand& command, const QStringList& words) {
    CommandLine line;
    bool optionsEnd = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& a = words[i];
        if (optionsEnd || !looksLikeOption(a)) {
            line.args << a;
            continue;
        }
        if (a == u"--"_s) {
            optionsEnd = true;
            continue;
        }
        if (isHelp(a)) {
            line.help = true;
            continue;
        }
        const ConnectionOption* connection =
            command.target != CliTarget::None ? findConnectionOption(a) : nullptr;
        const CliOption* own = findCommandOption(command, a);
        if (!connection && !own) throw UsageError(u"Ismeretlen kapcsoló: %1"_s.arg(a));
        QString value;
        if (connection || own->takesValue()) {
            if (i + 1 >= words.size()) throw UsageError(u"A(z) %1 kapcsolóhoz érték kell."_s.arg(a));
            value = words[++i];
        }
        if (own)
            line.options.insert(a, value);
        else if (!connection->apply)
            line.profile = value;
        else
            line.connection.append({connection, value});
    }
    return line;
}

ConnectionParams connectionParams(const CommandLine& line, QTextStream& err) {
    ConnectionParams params;
    QStringList direct;
    for (const auto& [option, value] : line.connection)
        if (option->direct && !direct.contains(option->name)) direct << option->name;
    if (!line.profile.isEmpty()) {
        if (!direct.isEmpty())
            throw UsageError(u"A --profile mellett nem adható meg: %1 (a kapcsolat vagy a profilból, vagy a "
                             u"kapcsolókból jön)."_s.arg(direct.join(u", "_s)));
        const QString profile = DecodeProfile(Config().readBytes(u"Adatbazis"_s, u"ConStr"_s + line.profile));
        if (profile.isEmpty())
            throw FormatError(u"Nincs ConStr%1 kapcsolat a(z) %2 fájlban."_s.arg(line.profile, ConfigPath()));
        params = ConnectionParams::fromProfile(ConnectionProfile::parse(profile),
                                               ProfileOptions::read(Config(), line.profile.toInt()));
    }
    for (const auto& [option, value] : line.connection)
        option->apply(params, value);
    if (line.profile.isEmpty()) {
        QStringList missing;
        if (params.host.isEmpty()) missing << u"--host H"_s;
        if (params.user.isEmpty()) missing << u"--user U"_s;
        if (params.database.isEmpty()) missing << u"--database D"_s;
        if (!missing.isEmpty())
            throw UsageError(
                direct.isEmpty()
                    ? u"Adja meg a kapcsolatot: --profile N, vagy --host H --user U --database D."_s
                    : u"A kapcsolatból hiányzik: %1."_s.arg(missing.join(u", "_s)));
        QList<ServerAddress> servers;
        try {
            servers = ParseServerList(params.host, params.port);
        } catch (const FormatError& e) {
            throw UsageError(e.message());
        }
        if (servers.isEmpty()) throw UsageError(u"A --host értéke üres."_s);
        params.host = servers.first().host;
        params.port = servers.first().port;
        params.fallbackServers = servers.mid(1);
        const bool compressionGiven =
            std::any_of(line.connection.begin(), line.connection.end(),
                        [](const auto& o) { return o.first->name == u"--compression"_s; });
        if (!compressionGiven) // compression only costs time to a server on this machine
            params.compression = !std::all_of(servers.begin(), servers.end(),
                                              [](const ServerAddress& a) { return IsLoopbackHost(a.host); });
        params.password = qEnvironmentVariableIsSet("SONORIA_PASSWORD")
                              ? qEnvironmentVariable("SONORIA_PASSWORD")
                              : readPasswordFromTerminal(err);
    } else if (params.database.isEmpty()) {
        throw UsageError(u"A ConStr%1 kapcsolatban nincs adatbázis megadva."_s.arg(line.profile));
    }
    return params;
}

// Qt's own warnings (a missing XDG_RUNTIME_DIR, fonts) are no business of a scheduled job's output;
// only what would end the program gets through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtCriticalMsg && type != QtFatalMsg) return;
    std::fputs(message.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(quietQtMessages);
    // Fonts need a QGuiApplication; a command-line tool needs no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(ApplicationTitle());
    SetConfigLocation(QCoreApplication::applicationDirPath());
    QTextStream out(stdout), err(stderr);
    QStringList words = app.arguments().mid(1);
    if (words.isEmpty()) {
        printHelp(err);
        return 2;
    }
    if (isHelp(words.first())) {
        printHelp(out);
        return 0;
    }
    const QString name = words.takeFirst();
    const CliCommand* command = findCommand(name);
    if (!command) {
        err << "Ismeretlen parancs: " << name << " (súgó: sonoria-cli --help)" << Qt::endl;
        return 2;
    }
    try {
        const CommandLine line = parse(*command, words);
        if (line.help) {
            printCommandHelp(out, *command);
            return 0;
        }
        Connection db;
        CliContext context{line.args, line.options, {}, nullptr, err, isatty(STDERR_FILENO) != 0};
        if (command->check) command->check(context);
        if (command->target != CliTarget::None) {
            context.params = connectionParams(line, err);
            ConnectionParams server = context.params;
            if (command->target == CliTarget::Server) server.database.clear();
            db.open(server);
            context.db = &db;
        }
        return command->run(context);
    } catch (const UsageError& e) {
        err << "Hiba: " << e.message() << "\nHasználat: sonoria-cli " << synopsis(*command)
            << " (súgó: sonoria-cli " << command->name << " --help)" << Qt::endl;
        return 2;
    } catch (const SonoriaError& e) {
        err << "Hiba: " << e.message() << Qt::endl;
        return 1;
    }
}
