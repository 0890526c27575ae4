// Backup and restore of a million examination line items: our writer and executor against the server's
// dump tool and its command-line client, on the same tables in the same run. Prints
// name<TAB>ours<TAB>peer<TAB>unit lines. The server comes from SONORIA_BENCH_* (bench/run) or, when those
// are not set, from SONORIA_TEST_* (scripts/test).
#include "admin/BackupRestore.h"

#include "db/Connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
QString env(const char* bench, const char* test, const QString& def) {
    if (qEnvironmentVariableIsSet(bench)) return qEnvironmentVariable(bench);
    return qEnvironmentVariable(test, def);
}

ConnectionParams serverParams() {
    ConnectionParams p;
    p.host = env("SONORIA_BENCH_HOST", "SONORIA_TEST_HOST", u"127.0.0.1"_s);
    p.port = env("SONORIA_BENCH_PORT", "SONORIA_TEST_PORT", u"3306"_s).toUInt();
    p.user = env("SONORIA_BENCH_USER", "SONORIA_TEST_USER", u"sonoria"_s);
    p.password = env("SONORIA_BENCH_PASSWORD", "SONORIA_TEST_PASSWORD", u"sonoria"_s);
    return p;
}

double peakRssMiB(int who) {
    rusage ru{};
    getrusage(who, &ru);
    return ru.ru_maxrss / 1024.0; // kilobytes on Linux
}

struct ChildRun {
    double seconds = 0;
    double peakRssMiB = 0;
};

// Runs a program with stdin and stdout from and to files, the password in its environment; its own
// peak memory comes from wait4.
ChildRun runChild(const std::vector<std::string>& argv, const QString& password, const QString& in,
                  const QString& out) {
    QElapsedTimer t;
    t.start();
    const QByteArray inPath = QFile::encodeName(in), outPath = QFile::encodeName(out),
                     pwd = password.toUtf8();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (!in.isEmpty()) {
            const int fd = open(inPath.constData(), O_RDONLY);
            if (fd < 0) _exit(126);
            dup2(fd, 0);
        }
        const int fd =
            open(out.isEmpty() ? "/dev/null" : outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) _exit(126);
        dup2(fd, 1);
        setenv("MYSQL_PWD", pwd.constData(), 1);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) < 0) throw std::runtime_error("wait4 failed");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0] + " failed with status " + std::to_string(status));
    return {t.nsecsElapsed() / 1e9, ru.ru_maxrss / 1024.0};
}

void print(const QString& name, double ours, double peer, const QString& unit) {
    QTextStream out(stdout);
    out << name << '\t' << QString::number(ours, 'f', 3) << '\t' << QString::number(peer, 'f', 3) << '\t'
        << unit << Qt::endl;
}

double mib(const QString& file) {
    return QFileInfo(file).size() / 1048576.0;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        const ConnectionParams server = serverParams();
        ConnectionParams p = server;
        p.database = u"bench_admin"_s;
        {
            Connection admin;
            admin.open(server);
            admin.exec(u"DROP DATABASE IF EXISTS bench_admin"_s);
            admin.exec(u"CREATE DATABASE bench_admin CHARACTER SET latin2 COLLATE latin2_hungarian_ci"_s);
        }
        Connection db;
        db.open(p);
        db.exec(u"CREATE TABLE munkalap_tetel (munkalap_tetel INT NOT NULL AUTO_INCREMENT, munkalap INT "
                u"DEFAULT NULL, "
                u"tetel INT DEFAULT NULL, tetel_nev VARCHAR(100) DEFAULT NULL, ar DOUBLE DEFAULT NULL, "
                u"PRIMARY KEY (munkalap_tetel), KEY ix_munkalap_tetel_munkalap (munkalap), "
                u"KEY ix_munkalap_tetel_tetel (tetel)) ENGINE=InnoDB DEFAULT CHARSET=latin2 "
                u"COLLATE=latin2_hungarian_ci"_s);
        db.exec(
            u"INSERT INTO munkalap_tetel (munkalap, tetel, tetel_nev, ar) SELECT seq DIV 3 + 1, seq MOD 500 "
            u"+ 1, "
            u"CONCAT('Vizsgálati tétel ''', seq MOD 500, ''' - nyaki erek\\\\Doppler'), (seq MOD 97) * 250.5 "
            u"FROM seq_0_to_999999"_s);

        QTemporaryDir dir;
        const QString ours = dir.filePath(u"ours.sql"_s), peer = dir.filePath(u"peer.sql"_s);
        const std::string host = "-h" + p.host.toStdString(), port = "-P" + std::to_string(p.port),
                          user = "-u" + p.user.toStdString();

        QElapsedTimer t;
        t.start();
        BackupDatabase(db, ours);
        const double oursBackup = t.nsecsElapsed() / 1e9;
        const double oursBackupRss = peakRssMiB(RUSAGE_SELF);
        const ChildRun peerBackup = runChild({"mariadb-dump", "--no-defaults", host, port, user,
                                              "--no-create-info", "--complete-insert", "--extended-insert",
                                              "--single-transaction", "bench_admin", "munkalap_tetel"},
                                             p.password, {}, peer);
        // Our connection always uses the compressed client protocol; the same tool with -C shows its share.
        const ChildRun peerBackupCompressed = runChild(
            {"mariadb-dump", "--no-defaults", host, port, user, "-C", "--no-create-info", "--complete-insert",
             "--extended-insert", "--single-transaction", "bench_admin", "munkalap_tetel"},
            p.password, {}, peer);
        print(u"backup_1M_items_time"_s, oursBackup, peerBackup.seconds, u"s"_s);
        print(u"backup_1M_items_time_peer_compressed"_s, oursBackup, peerBackupCompressed.seconds, u"s"_s);
        print(u"backup_1M_items_peak_rss"_s, oursBackupRss, peerBackup.peakRssMiB, u"MiB"_s);
        print(u"backup_1M_items_file_size"_s, mib(ours), mib(peer), u"MiB"_s);

        t.restart();
        RestoreDatabase(db, ours);
        const double oursRestore = t.nsecsElapsed() / 1e9;
        const double oursRestoreRss = peakRssMiB(RUSAGE_SELF);
        const ChildRun peerRestore =
            runChild({"mariadb", "--no-defaults", host, port, user, "bench_admin"}, p.password, ours, {});
        print(u"restore_1M_items_time"_s, oursRestore, peerRestore.seconds, u"s"_s);
        print(u"restore_1M_items_peak_rss"_s, oursRestoreRss, peerRestore.peakRssMiB, u"MiB"_s);

        const qint64 rows = db.query(u"SELECT COUNT(*) FROM munkalap_tetel"_s).value(0, 0).toInt64();
        if (rows != 1000000)
            throw std::runtime_error("the restored table has " + std::to_string(rows) + " rows");
        db.close();
        Connection admin;
        admin.open(server);
        admin.exec(u"DROP DATABASE bench_admin"_s);
    } catch (const SonoriaError& e) {
        QTextStream(stderr) << "bench_admin: " << e.message() << Qt::endl;
        return 1;
    } catch (const std::exception& e) {
        QTextStream(stderr) << "bench_admin: " << e.what() << Qt::endl;
        return 1;
    }
    return 0;
}
