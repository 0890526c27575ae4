#pragma once

#include "db/Connection.h"

#include <QTemporaryDir>

#include <vector>

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

// Three MariaDB nodes that replicate every write to each other, started by "scripts/dbserver cluster"
// in a temporary folder. Same login as the shared test server.
class TestCluster {
public:
    static constexpr int Nodes = 3;
    TestCluster();  // throws std::runtime_error when the cluster does not start
    ~TestCluster(); // stops every node and removes the folder
    TestCluster(const TestCluster&) = delete;
    TestCluster& operator=(const TestCluster&) = delete;

    unsigned port(int node) const { return m_ports.at(node); } // node 0, 1 or 2
    ServerAddress address(int node) const { return {QStringLiteral("127.0.0.1"), port(node)}; }
    // The node's server process dies at once, as in a crash: returns when its port refuses
    // connections, and with it the sessions of its clients are gone. Throws when it does not die.
    void kill(int node);

private:
    QTemporaryDir m_dir;
    std::vector<unsigned> m_ports;
};

// A loopback port that nothing listens on at the moment.
unsigned FreeLoopbackPort();
