#include "TestServer.h"

#include "TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

unsigned FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("no free loopback port");
    close(fd);
    return ntohs(a.sin_port);
}

namespace {
QString dbserver(const QStringList& args, bool tls = true, int timeoutMs = 120000) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SONORIA_DBSERVER_TLS"), tls ? QStringLiteral("1") : QStringLiteral("0"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(SourcePath(QStringLiteral("scripts/dbserver")), args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("scripts/dbserver " + args.join(u' ').toStdString() + ": " +
                                 p.readAll().toStdString());
    return QString::fromUtf8(p.readAll());
}

bool PortAnswers(unsigned port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool answers = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (fd >= 0) close(fd);
    return answers;
}
} // namespace

TestServer::TestServer(Tls tls) : m_port(FreeLoopbackPort()) {
    if (!m_dir.isValid()) throw std::runtime_error("no temporary folder for a server");
    dbserver({QStringLiteral("start"), m_dir.path(), QString::number(m_port)}, tls == WithTls);
    m_running = true;
}

TestServer::~TestServer() {
    try {
        stop();
    } catch (...) {
    }
}

void TestServer::stop() {
    if (!m_running) return;
    m_running = false;
    dbserver({QStringLiteral("stop"), m_dir.path()});
}

TestCluster::TestCluster() : m_dir(QStringLiteral("/tmp/sonoria-cluster.XXXXXX")) {
    if (!m_dir.isValid()) throw std::runtime_error("no temporary folder for a cluster");
    // Founding the cluster and the two joins take half a minute on this machine kind.
    const QString out =
        dbserver({QStringLiteral("cluster"), QStringLiteral("start"), m_dir.path()}, false, 600000);
    for (const QString& port : out.trimmed().split(u' '))
        m_ports.push_back(port.toUInt());
    if (m_ports.size() != Nodes || m_ports.back() == 0)
        throw std::runtime_error("scripts/dbserver cluster start gave no ports: " + out.toStdString());
}

TestCluster::~TestCluster() {
    try {
        dbserver({QStringLiteral("cluster"), QStringLiteral("stop"), m_dir.path()}, false);
    } catch (...) {
    }
}

void TestCluster::kill(int node) {
    QFile f(m_dir.path() + QStringLiteral("/node%1/mariadbd.pid").arg(node + 1));
    const pid_t pid =
        f.open(QIODevice::ReadOnly) ? static_cast<pid_t>(f.readAll().trimmed().toLongLong()) : 0;
    if (pid <= 0 || ::kill(pid, SIGKILL) != 0)
        throw std::runtime_error("node " + std::to_string(node + 1) + " has no process to kill");
    for (int i = 0; i < 1000; ++i) {
        if (!PortAnswers(port(node))) return;
        QThread::msleep(10);
    }
    throw std::runtime_error("node " + std::to_string(node + 1) + " does not die");
}
