// sonoria-cli profile: stores a connection profile, encoded as the program stores it, without connecting.
#include "CliCommon.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/TextRoutines.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

int RunProfile(CliContext& c) {
    const QString iniPath = c.option(u"--ini"_s);
    const QStringList& positional = c.args;
    if (positional.size() != 2) throw UsageError(u"A parancs két argumentuma a sorszám és a kapcsolat."_s);
    bool ok = false;
    const int n = positional[0].toInt(&ok);
    if (!ok || n < 1 || n > 100)
        throw FormatError(u"A kapcsolat sorszáma 1 és 100 közötti egész szám: %1"_s.arg(positional[0]));
    QString text = positional[1];
    if (text == u"-"_s) { // from standard input, so that the password need not be an argument
        QTextStream in(stdin);
        text = in.readLine();
    }
    if (CountChar(u';', text) < 5)
        throw FormatError(u"A kapcsolat hat, pontosvesszővel elválasztott mezőből áll: "
                          u"adatbázis;kiszolgáló;port;felhasználó;jelszó;megnevezés"_s);
    const ConnectionProfile profile = ConnectionProfile::parse(text);
    bool portOk = false;
    profile.port.toUInt(&portOk);
    if (!portOk) throw FormatError(u"A port nem egész szám: %1"_s.arg(profile.port));
    if (profile.displayName.isEmpty())
        throw FormatError(u"A kapcsolat megnevezése üres, így induláskor nem választható."_s);

    IniFile own(iniPath);
    IniFile& ini = iniPath.isEmpty() ? Config() : own;
    // Its settings: those of the options, otherwise compression as the first-run dialog proposes it.
    ProfileOptions options;
    options.compression = c.has(u"--compression"_s)
                              ? OnOffValue(u"--compression"_s, c.option(u"--compression"_s))
                              : !IsLoopbackHost(profile.host);
    if (c.has(u"--tls-ca"_s)) options.tls = TlsSettings{true, c.option(u"--tls-ca"_s), true};
    ini.writeBytes(u"Adatbazis"_s, u"ConStr%1"_s.arg(n), EncodeProfile(profile.text()));
    options.write(ini, n);
    QTextStream out(stdout);
    out << "ConStr" << n << " („" << profile.displayName << "”) beírva: " << ini.path() << Qt::endl;
    if (n > 25) c.err << "Figyelem: induláskor a program csak az 1-25. kapcsolatot kínálja fel." << Qt::endl;
    return 0;
}

CliRegistration reg(
    {u"profile"_s,
     u"profile N \"adatbázis;kiszolgáló;port;felhasználó;jelszó;megnevezés\" [--ini FÁJL] "
     u"[--compression on|off] [--tls-ca FÁJL]\n"
     u"                                  a kapcsolatot kódolva ConStrN néven a konfigurációs fájlba írja "
     u"(kapcsolódás nélkül; \"-\": a szabványos bemenetről olvassa), mellé a tömörítést (alapértéke: "
     u"be, kivéve ha a kiszolgáló ez a gép) és a TLS-t a CA fájllal\n"
     u"                                  pl. sonoria-cli profile 1 \"sonoria;127.0.0.1;3306;sonoria;jelszo;Rendelő\""_s,
     CliTarget::None,
     {{u"--ini"_s, u"FÁJL"_s}, {u"--compression"_s, u"on|off"_s}, {u"--tls-ca"_s, u"FÁJL"_s}},
     &RunProfile});

} // namespace
