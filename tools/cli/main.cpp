#include "CliCommon.h"

#include "core/Config.h"
#include "core/Errors.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

static QString readPasswordFromTerminal(QTextStream& err) {
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

static void printHelp(QTextStream& out) {
    out << "sonoria-cli PARANCS [KAPCSOLAT] ARGUMENTUMOK\n\n"
           "KAPCSOLAT, az egyik:\n"
           "  --profile N                     a konfigurációs fájl ConStrN kapcsolata\n"
           "  --host H[:P][,H2[:P2]...] [--port P] --user U --database D\n"
           "                                  (a port alapértéke 3306; a további kiszolgálókat akkor\n"
           "                                  próbálja sorban, ha az előző nem válaszol)\n"
           "A KAPCSOLAT beállításai:\n"
           "  --compression on|off            tömörített átvitel (alapérték: a kapcsolaté; --host esetén\n"
           "                                  be, kivéve ha a kiszolgáló ez a gép)\n"
           "  --tls-ca FÁJL                   titkosított kapcsolat (TLS), a kiszolgáló tanúsítványát és\n"
           "                                  nevét ezzel a hitelesítésszolgáltatói (CA) fájllal ellenőrzi\n"
           "A jelszót a SONORIA_PASSWORD környezeti változó adja, különben a program a terminálon kéri\n"
           "(visszhang nélkül); argumentumként soha nem adható meg.\n\n"
           "PARANCSOK:\n";
    for (const CliCommand& c : CliCommands()) out << "  " << c.help << "\n";
    out << Qt::flush;
}

int main(int argc, char* argv[]) {
    // Fonts need a QGuiApplication; a command-line tool needs no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(ApplicationTitle());
    SetConfigLocation(QCoreApplication::applicationDirPath());
    QTextStream out(stdout), err(stderr);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == u"--help"_s || args.first() == u"-h"_s) {
        printHelp(out);
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    const CliCommand* command = nullptr;
    for (const CliCommand& c : CliCommands())
        if (c.name == name) command = &c;
    if (!command) {
        err << "Ismeretlen parancs: " << name << " (súgó: sonoria-cli --help)" << Qt::endl;
        return 2;
    }
    try {
        ConnectionParams params;
        bool haveProfile = false, haveHost = false;
        QString hosts, tlsCa;
        std::optional<bool> compression;
        QStringList rest;
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& a = args[i];
            auto next = [&]() -> QString {
                if (i + 1 >= args.size()) throw FormatError(u"A(z) %1 kapcsolóhoz érték kell."_s.arg(a));
                return args[++i];
            };
            if (a == u"--profile"_s) {
                const QString n = next();
                const QString profile = DecodeProfile(Config().readBytes(u"Adatbazis"_s, u"ConStr"_s + n));
                if (profile.isEmpty()) throw FormatError(u"Nincs ConStr%1 kapcsolat a(z) %2 fájlban."_s.arg(n, ConfigPath()));
                params = ConnectionParams::fromProfile(ConnectionProfile::parse(profile),
                                                       ProfileOptions::read(Config(), n.toInt()));
                haveProfile = true;
            } else if (a == u"--host"_s) {
                hosts = next();
                haveHost = true;
            } else if (a == u"--compression"_s) {
                const QString v = next();
                if (v != u"on"_s && v != u"off"_s)
                    throw FormatError(u"A --compression értéke on vagy off lehet, nem „%1”."_s.arg(v));
                compression = v == u"on"_s;
            } else if (a == u"--tls-ca"_s) {
                tlsCa = next();
            } else if (a == u"--port"_s) {
                bool ok = false;
                params.port = next().toUInt(&ok);
                if (!ok) throw FormatError(u"A port nem egész szám."_s);
            } else if (a == u"--user"_s) {
                params.user = next();
            } else if (a == u"--database"_s) {
                params.database = next();
            } else {
                rest << a;
            }
        }
        if (haveHost) {
            const QList<ServerAddress> servers = ParseServerList(hosts, params.port);
            if (servers.isEmpty()) throw FormatError(u"A --host értéke üres."_s);
            params.host = servers.first().host;
            params.port = servers.first().port;
            params.fallbackServers = servers.mid(1);
            params.compression = !std::all_of(servers.begin(), servers.end(),
                                              [](const ServerAddress& s) { return IsLoopbackHost(s.host); });
        }
        if (compression) params.compression = *compression;
        if (!tlsCa.isEmpty()) params.tls = TlsSettings{true, tlsCa, true};
        Connection db;
        CliContext context{rest, nullptr, err, isatty(STDERR_FILENO) != 0, compression, tlsCa};
        if (command->needsConnection) {
            if (!haveProfile && !haveHost)
                throw FormatError(u"Adja meg a kapcsolatot: --profile N vagy --host, --user, --database."_s);
            if (haveHost) {
                params.password = qEnvironmentVariableIsSet("SONORIA_PASSWORD")
                                      ? qEnvironmentVariable("SONORIA_PASSWORD")
                                      : readPasswordFromTerminal(err);
            }
            db.open(params);
            context.db = &db;
        }
        return command->run(context);
    } catch (const SonoriaError& e) {
        err << "Hiba: " << e.message() << Qt::endl;
        return 1;
    }
}
