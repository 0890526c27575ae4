#include "TestDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <stdexcept>

ConnectionParams TestServerParams(const QString& database) {
    const QString port = qEnvironmentVariable("SONORIA_TEST_PORT");
    if (port.isEmpty())
        throw std::runtime_error("SONORIA_TEST_PORT is not set: run the tests through scripts/test");
    ConnectionParams p;
    p.host = qEnvironmentVariable("SONORIA_TEST_HOST", QStringLiteral("127.0.0.1"));
    p.port = port.toUInt();
    p.user = qEnvironmentVariable("SONORIA_TEST_USER", QStringLiteral("sonoria"));
    p.password = qEnvironmentVariable("SONORIA_TEST_PASSWORD", QStringLiteral("sonoria"));
    p.database = database;
    return p;
}

QString SourcePath(const QString& relative) {
    return QStringLiteral(SONORIA_SOURCE_DIR "/") + relative;
}

TestDatabase::TestDatabase(const QString& name, Content content)
    : m_name(QStringLiteral("t_%1_%2").arg(name).arg(QCoreApplication::applicationPid())) {
    Connection admin;
    admin.open(TestServerParams());
    admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1;").arg(m_name));
    admin.exec(
        QStringLiteral("CREATE DATABASE %1 CHARACTER SET latin2 COLLATE latin2_hungarian_ci;").arg(m_name));
    if (content == Schema) runFile(SourcePath(QStringLiteral("schema/sonoria.sql")));
    m_db.open(params());
}

TestDatabase::~TestDatabase() {
    try {
        m_db.close();
        Connection admin;
        admin.open(TestServerParams());
        admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1;").arg(m_name));
    } catch (...) {
    }
}

void TestDatabase::runFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
    runSql(f.readAll());
}

void TestDatabase::runSql(const QByteArray& sql) {
    const ConnectionParams p = params();
    QProcess client;
    client.start(QStringLiteral("mariadb"),
                 {QStringLiteral("--no-defaults"), QStringLiteral("--default-character-set=latin2"),
                  QStringLiteral("-h") + p.host, QStringLiteral("-P") + QString::number(p.port),
                  QStringLiteral("-u") + p.user, QStringLiteral("-p") + p.password, m_name});
    if (!client.waitForStarted()) throw std::runtime_error("the mariadb client does not start");
    client.write(sql);
    client.closeWriteChannel();
    client.waitForFinished(300000);
    if (client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
        throw std::runtime_error("mariadb client failed: " + client.readAllStandardError().toStdString());
}
