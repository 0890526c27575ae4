#include "support/TestDatabase.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

// Runs the tool the way cron does: no terminal, no XDG_RUNTIME_DIR, no display.
CliRun Cli(const QStringList& args, const QString& password = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"XDG_RUNTIME_DIR"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    env.remove(u"DISPLAY"_s);
    if (password.isNull()) env.remove(u"SONORIA_PASSWORD"_s);
    else env.insert(u"SONORIA_PASSWORD"_s, password);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SONORIA_CLI), args);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    CliRun r;
    if (p.exitStatus() == QProcess::NormalExit) r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList Server(const ConnectionParams& p) {
    return {u"--host"_s, p.host, u"--port"_s, QString::number(p.port), u"--user"_s, p.user};
}

TEST(CliCommandLine, HelpGoesToStandardOutputAndNothingElseIsSaid) {
    for (const QStringList& args : {QStringList{u"--help"_s}, QStringList{u"backup"_s, u"--help"_s}}) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.contains(u"KAPCSOLAT"_s)) << r.out.toStdString();
        EXPECT_EQ(r.err, QString());
    }
}

TEST(CliCommandLine, MistakesAreUsageErrorsWithStatusTwoAndNoConnection) {
    // None of these reaches a server: the port below has none.
    const QStringList nowhere = {u"--host"_s, u"127.0.0.1"_s, u"--port"_s, u"1"_s, u"--user"_s, u"u"_s};
    const QStringList db = nowhere + QStringList{u"--database"_s, u"d"_s};
    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {QStringList{u"backup"_s, u"--bogus"_s, u"1"_s, u"x.zip"_s} + db, "Ismeretlen kapcsoló: --bogus"},
        {QStringList{u"restore"_s, u"x.zip"_s, u"-q"_s} + db, "Ismeretlen kapcsoló: -q"},
        {QStringList{u"backup"_s, u"x.zip"_s} + nowhere, "hiányzik: --database D"},
        {{u"backup"_s, u"x.zip"_s}, "Adja meg a kapcsolatot"},
        {{u"backup"_s, u"x.zip"_s, u"--profile"_s, u"1"_s, u"--host"_s, u"h"_s}, "--profile mellett"},
        {{u"backup"_s, u"x.zip"_s, u"--port"_s}, "--port kapcsolóhoz érték kell"},
        {QStringList{u"backup"_s, u"x.zip"_s, u"--port"_s, u"70000"_s} + db, "1 és 65535"},
        {{u"profile"_s, u"1"_s, u"a;b;1;c;d;e"_s, u"--host"_s, u"h"_s}, "Ismeretlen kapcsoló: --host"},
        {{u"nincs"_s}, "Ismeretlen parancs: nincs"},
        {{}, "PARANCSOK"},
    };
    for (const Case& c : cases) {
        const CliRun r = Cli(c.args, u"x"_s);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(u"QStandardPaths"_s) || r.err.contains(u"Can't connect"_s)) << r.err.toStdString();
    }
}

TEST(CliCommandLine, AServerErrorIsStatusOneWithTheServersText) {
    const ConnectionParams p = TestServerParams();
    const CliRun r = Cli(u"backup x.zip --database nincs_ilyen_adatbazis"_s.split(u' ') + Server(p), p.password);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(u"Hiba: "_s) && r.err.contains(u"nincs_ilyen_adatbazis"_s)) << r.err.toStdString();
}

}  // namespace
