#pragma once

// What every benchmark of bench/ shares. bench/run starts a server, loads the demo data and runs every
// executable named bench_* with the database in SONORIA_TEST_HOST, _PORT, _USER, _PASSWORD and
// SONORIA_TEST_DATABASE.
// Each prints one line per figure: name <TAB> ours <TAB> peer <TAB> unit, both measured in the same run.

#include "db/Connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
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

// What a child process took: wall time and its peak resident memory (of the largest process it waited
// for, when it is a shell running a pipeline).
struct ChildRun {
    double seconds = 0;
    double peakRssMiB = 0;
};

// The one runner of the benchmarks' processes: argv as bytes (so a statement can be given in the
// connection's own code page), standard input from a file (or nothing), standard output to a file (or
// thrown away), the password in MYSQL_PWD. Throws when the program fails, so that a broken peer never
// passes for a fast one.
inline ChildRun RunChild(const std::vector<QByteArray>& argv, const QString& password, const QString& in = {},
                         const QString& out = {}) {
    QElapsedTimer t;
    t.start();
    const QByteArray inPath = QFile::encodeName(in), outPath = QFile::encodeName(out),
                     pwd = password.toUtf8();
    std::vector<char*> args;
    for (const QByteArray& a : argv)
        args.push_back(const_cast<char*>(a.constData()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int input = open(in.isEmpty() ? "/dev/null" : inPath.constData(), O_RDONLY);
        const int output =
            open(out.isEmpty() ? "/dev/null" : outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (input < 0 || output < 0) _exit(126);
        dup2(input, STDIN_FILENO);
        dup2(output, STDOUT_FILENO);
        setenv("MYSQL_PWD", pwd.constData(), 1);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) < 0) throw std::runtime_error("wait4 failed");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0].toStdString() + " failed with status " + std::to_string(status));
    return {t.nsecsElapsed() / 1e9, ru.ru_maxrss / 1024.0};
}

// Runs a piece of our own work in a child process of its own, so that its time and peak memory are its
// alone. Throws when the work fails (its message goes to standard error).
inline ChildRun RunOwnChild(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        try {
            work();
        } catch (const SonoriaError& e) {
            fprintf(stderr, "%s\n", e.what());
            _exit(1);
        } catch (const std::exception& e) {
            fprintf(stderr, "%s\n", e.what());
            _exit(1);
        }
        fflush(nullptr);
        _exit(0);
    }
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) < 0) throw std::runtime_error("wait4 failed");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("our own run failed");
    return {t.nsecsElapsed() / 1e9, ru.ru_maxrss / 1024.0};
}

inline std::vector<QByteArray> ClientArguments(const ConnectionParams& p, const char* program = "mariadb") {
    return {program, "--no-defaults", "-h" + p.host.toUtf8(), "-P" + QByteArray::number(p.port),
            "-u" + p.user.toUtf8()};
}

// Runs the mariadb command-line client on the benchmark database with the extra arguments, its output
// thrown away.
inline ChildRun RunClient(const ConnectionParams& p, const QStringList& args) {
    std::vector<QByteArray> argv = ClientArguments(p);
    argv.push_back(p.database.toUtf8());
    for (const QString& a : args)
        argv.push_back(a.toUtf8());
    return RunChild(argv, p.password);
}

// Feeds an SQL text to the mariadb client on that database (the schema's DELIMITER blocks need it).
inline void RunClientInput(const ConnectionParams& p, const QByteArray& sql) {
    QTemporaryFile input;
    if (!input.open() || input.write(sql) != sql.size() || !input.flush())
        throw std::runtime_error("the client's input cannot be written");
    std::vector<QByteArray> argv = ClientArguments(p);
    argv.push_back(p.database.toUtf8());
    RunChild(argv, p.password, input.fileName());
}

// A new database "<prefix>_<pid>" holding the schema, for a benchmark that makes its own rows.
inline QString CreateScratchDatabase(const QString& prefix) {
    const QString name = prefix + QStringLiteral("_%1").arg(QCoreApplication::applicationPid());
    Connection admin;
    admin.open(BenchParams(QString()));
    admin.exec(
        QStringLiteral("CREATE DATABASE %1 CHARACTER SET latin2 COLLATE latin2_hungarian_ci;").arg(name));
    QFile schema(QStringLiteral(SONORIA_SOURCE_DIR "/schema/sonoria.sql"));
    if (!schema.open(QIODevice::ReadOnly)) throw std::runtime_error("schema/sonoria.sql cannot be read");
    RunClientInput(BenchParams(name), schema.readAll());
    return name;
}

// False, after saying how to run it, when no benchmark server was named.
inline bool BenchServerGiven() {
    if (!qEnvironmentVariable("SONORIA_TEST_PORT").isEmpty()) return true;
    fprintf(stderr,
            "SONORIA_TEST_PORT is not set: run through bench/run or with a server's SONORIA_TEST_* values\n");
    return false;
}

inline void PrintFigure(const QString& name, double ours, double peer, const QString& unit) {
    QTextStream out(stdout);
    out << name << '\t' << QString::number(ours, 'f', 3) << '\t' << QString::number(peer, 'f', 3) << '\t'
        << unit << Qt::endl;
}
