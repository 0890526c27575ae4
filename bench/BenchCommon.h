#pragma once

// What every benchmark of bench/ shares. bench/run starts a server, loads the demo data and runs every
// executable named bench_* with the database in SONORIA_TEST_HOST, _PORT, _USER, _PASSWORD and
// SONORIA_TEST_DATABASE.
// Each prints one line per figure: name <TAB> ours <TAB> peer <TAB> unit, both measured in the same run.

#include "db/Connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <stdexcept>
#include <vector>

inline ConnectionParams BenchParams(const QString& database) {
    ConnectionParams p;
    p.host = qEnvironmentVariable("SONORIA_TEST_HOST", QStringLiteral("127.0.0.1"));
    p.port = qEnvironmentVariable("SONORIA_TEST_PORT", QStringLiteral("3306")).toUInt();
    p.user = qEnvironmentVariable("SONORIA_TEST_USER", QStringLiteral("sonoria"));
    p.password = qEnvironmentVariable("SONORIA_TEST_PASSWORD", QStringLiteral("sonoria"));
    p.database = database;
    return p;
}

inline ConnectionParams BenchParams() {
    return BenchParams(qEnvironmentVariable("SONORIA_TEST_DATABASE", QStringLiteral("sonoria")));
}

// The shortest of `runs` runs of each piece of work, in seconds. The pieces take turns (ours, the peer,
// ours, ...), so that a load that other programs put on the machine for a while hits both alike.
inline std::vector<double> BestOfEach(int runs, const std::vector<std::function<void()>>& works) {
    std::vector<double> best(works.size(), std::numeric_limits<double>::infinity());
    for (int i = 0; i < runs; ++i) {
        for (size_t w = 0; w < works.size(); ++w) {
            QElapsedTimer t;
            t.start();
            works[w]();
            best[w] = std::min(best[w], t.nsecsElapsed() / 1e9);
        }
    }
    return best;
}

// Runs the mariadb command-line client on the benchmark database with the extra arguments, its output
// thrown away. Throws when it fails, so that a broken peer never passes for a fast one.
inline void RunClient(const ConnectionParams& p, const QStringList& args) {
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MYSQL_PWD"), p.password);
    client.setProcessEnvironment(env);
    client.setStandardOutputFile(QProcess::nullDevice());
    client.start(QStringLiteral("mariadb"),
                 QStringList{QStringLiteral("--no-defaults"), QStringLiteral("-h") + p.host,
                             QStringLiteral("-P") + QString::number(p.port), QStringLiteral("-u") + p.user, p.database} +
                     args);
    if (!client.waitForFinished(-1) || client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
        throw std::runtime_error("mariadb client failed: " + client.readAllStandardError().toStdString());
}

// Feeds an SQL text to the mariadb client on that database (the schema's DELIMITER blocks need it).
inline void RunClientInput(const ConnectionParams& p, const QByteArray& sql) {
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MYSQL_PWD"), p.password);
    client.setProcessEnvironment(env);
    client.start(QStringLiteral("mariadb"),
                 {QStringLiteral("--no-defaults"), QStringLiteral("-h") + p.host, QStringLiteral("-P") + QString::number(p.port),
                  QStringLiteral("-u") + p.user, p.database});
    client.write(sql);
    client.closeWriteChannel();
    if (!client.waitForFinished(-1) || client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
        throw std::runtime_error("mariadb client failed: " + client.readAllStandardError().toStdString());
}

// A new database "<prefix>_<pid>" holding the schema, for a benchmark that makes its own rows.
inline QString CreateScratchDatabase(const QString& prefix) {
    const QString name = prefix + QStringLiteral("_%1").arg(QCoreApplication::applicationPid());
    Connection admin;
    admin.open(BenchParams(QString()));
    admin.exec(QStringLiteral("CREATE DATABASE %1 CHARACTER SET latin2 COLLATE latin2_hungarian_ci;").arg(name));
    QFile schema(QStringLiteral(SONORIA_SOURCE_DIR "/schema/sonoria.sql"));
    if (!schema.open(QIODevice::ReadOnly)) throw std::runtime_error("schema/sonoria.sql cannot be read");
    RunClientInput(BenchParams(name), schema.readAll());
    return name;
}

// False, after saying how to run it, when no benchmark server was named.
inline bool BenchServerGiven() {
    if (!qEnvironmentVariable("SONORIA_TEST_PORT").isEmpty()) return true;
    fprintf(stderr, "SONORIA_TEST_PORT is not set: run through bench/run or with a server's SONORIA_TEST_* values\n");
    return false;
}

inline void PrintFigure(const QString& name, double ours, double peer, const QString& unit) {
    QTextStream out(stdout);
    out << name << '\t' << QString::number(ours, 'f', 3) << '\t' << QString::number(peer, 'f', 3) << '\t' << unit
        << Qt::endl;
}
