#pragma once

#include "db/Connection.h"

#include <QTemporaryDir>

// A MariaDB server of its own for one test, started by scripts/dbserver in a temporary folder on a free
// loopback port: for tests that stop a server. Same login as the shared test server.
class TestServer {
public:
    enum Tls { WithTls, WithoutTls };
    explicit TestServer(Tls tls = WithTls); // throws std::runtime_error when the server does not start
    ~TestServer();                          // stops it and removes its folder
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    unsigned port() const { return m_port; }
    ServerAddress address() const { return {QStringLiteral("127.0.0.1"), m_port}; }
    void stop(); // by its process id, as a crash or a switched-off machine would end it

private:
    QTemporaryDir m_dir;
    unsigned m_port = 0;
    bool m_running = false;
};

// A loopback port that nothing listens on at the moment.
unsigned FreeLoopbackPort();
