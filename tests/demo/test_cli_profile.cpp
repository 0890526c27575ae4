#include "core/Config.h"
#include "core/IniFile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct CliRun {
    int exitCode;
    QString err;
};

CliRun Cli(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(QStringLiteral(SONORIA_CLI), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

TEST(CliProfile, WritesTheEncodedProfileAndKeepsTheRestOfTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Sonoria.ini"_s);
    IniFile ini(path);
    ini.writeText(u"Alapertek"_s, u"AlapVaros"_s, u"Hódmezővásárhely"_s);
    const QString profile = u"sonoria;127.0.0.1;33306;sonoria;jel szó;Demo rendelő"_s;
    ASSERT_EQ(Cli({u"profile"_s, u"2"_s, profile, u"--ini"_s, path}).exitCode, 0);
    const QByteArray stored = ini.readBytes(u"Adatbazis"_s, u"ConStr2"_s);
    EXPECT_EQ(stored.size(), 3 + 2 * profile.size());
    EXPECT_EQ(DecodeProfile(stored), profile);
    EXPECT_FALSE(stored.contains("sonoria"));
    EXPECT_EQ(ini.readText(u"Alapertek"_s, u"AlapVaros"_s), u"Hódmezővásárhely"_s);
    // The program's start-up finds it; "-" reads the profile from standard input, replacing the old one.
    ASSERT_EQ(Cli({u"profile"_s, u"2"_s, u"-"_s, u"--ini"_s, path}, "db;host;3306;u;p;Másik\n").exitCode, 0);
    const QList<ProfileEntry> entries = StartupProfiles(ini);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].entry, u"2; Másik"_s);
    EXPECT_EQ(entries[0].profile, u"db;host;3306;u;p;Másik"_s);
}

TEST(CliProfile, BadInputIsRefusedAndTheFileIsLeftAlone) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Sonoria.ini"_s);
    struct Case {
        QStringList args;
        QString message;
    } cases[] = {
        {{u"0"_s, u"a;b;1;c;d;e"_s}, u"1 és 100"_s},
        {{u"x"_s, u"a;b;1;c;d;e"_s}, u"1 és 100"_s},
        {{u"1"_s, u"a;b;1;c;d"_s}, u"hat"_s},
        {{u"1"_s, u"a;b;port;c;d;e"_s}, u"port"_s},
        {{u"1"_s, u"a;b;1;c;d;"_s}, u"megnevezés"_s},
        {{u"1"_s, u"a;b;1;c;Ж;e"_s}, u"Ж"_s},
        {{u"1"_s}, u"Használat"_s},
    };
    for (const Case& c : cases) {
        const CliRun r = Cli(QStringList{u"profile"_s} + c.args + QStringList{u"--ini"_s, path});
        EXPECT_NE(r.exitCode, 0) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(path)) << c.args.join(u' ').toStdString();
    }
}

} // namespace
