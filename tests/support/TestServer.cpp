#include "TestServer.h"

#include "TestDatabase.h"

#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

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
void dbserver(const QStringList& args, bool tls = true) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SONORIA_DBSERVER_TLS"), tls ? QStringLiteral("1") : QStringLiteral("0"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(SourcePath(QStringLiteral("scripts/dbserver")), args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("scripts/dbserver " + args.join(u' ').toStdString() + ": " +
                                 p.readAll().toStdString());
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
