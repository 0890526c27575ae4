#pragma once

#include "db/Connection.h"

#include <QString>

// The private server that scripts/test starts, named by SONORIA_TEST_HOST, _PORT, _USER, _PASSWORD.
ConnectionParams TestServerParams(const QString& database = {});

// A database of its own for one test suite: created empty or from schema/sonoria.sql, dropped at the end.
class TestDatabase {
public:
    enum Content { Empty, Schema };
    explicit TestDatabase(const QString& name, Content content = Schema);
    ~TestDatabase();
    const QString& name() const { return m_name; }
    ConnectionParams params() const { return TestServerParams(m_name); }
    Connection& db() { return m_db; }
    // Runs an SQL file (DELIMITER blocks allowed) through the mariadb client.
    void runFile(const QString& path);
    void runSql(const QByteArray& sql);

private:
    QString m_name;
    Connection m_db;
};

QString SourcePath(const QString& relative);
