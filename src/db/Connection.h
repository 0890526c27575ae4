#pragma once

#include "DataSet.h"
#include "DbError.h"
#include "core/Config.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

struct st_mysql;
struct st_mysql_res;

struct ConnectionParams {
    QString host;
    unsigned port = 3306;
    QString user;
    QString password;
    QString database;
    QList<ServerAddress> fallbackServers; // tried in order after host:port
    bool compression = true;
    TlsSettings tls;
    // Throws DbError when the profile's port or a further server is not valid.
    static ConnectionParams fromProfile(const ConnectionProfile& profile, const ProfileOptions& options = {});
    QList<ServerAddress> servers() const; // host:port, then the further servers
};

// A buffered result: all rows on the client, random access, values decoded only when read.
class ResultSet : public DataSet {
public:
    ResultSet() = default;
    ResultSet(ResultSet&&) noexcept;
    ResultSet& operator=(ResultSet&&) noexcept;
    ~ResultSet() override;

    int columnCount() const override { return static_cast<int>(m_columns.size()); }
    const Column& column(int index) const override { return m_columns[index]; }
    qsizetype rowCount() const override { return static_cast<qsizetype>(m_rows.size()); }
    using DataSet::value;
    Value value(qsizetype row, int column) const override;
    bool isNull(qsizetype row, int column) const override { return m_rows[row][column] == nullptr; }
    // The bytes as the server sent them; valid while the result lives.
    QByteArrayView rawBytes(qsizetype row, int column) const;

private:
    friend class Connection;
    st_mysql_res* m_res = nullptr;
    QList<Column> m_columns;
    std::vector<char**> m_rows;
};

// Rows one at a time, as the server sends them; nothing but the current row is held. The connection
// runs no other statement until the result is finished (read to its end or destroyed).
class StreamingResult {
public:
    StreamingResult(StreamingResult&&) noexcept;
    ~StreamingResult();
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    const QList<Column>& columns() const { return m_columns; }
    bool next(); // throws DbError when the connection fails while reading
    bool isNull(int column) const { return m_row[column] == nullptr; }
    QByteArrayView rawBytes(int column) const;
    Value value(int column) const;

private:
    friend class Connection;
    StreamingResult(class Connection* c, st_mysql_res* res);
    class Connection* m_connection = nullptr;
    st_mysql_res* m_res = nullptr;
    QList<Column> m_columns;
    char** m_row = nullptr;
    unsigned long* m_lengths = nullptr;
};

// The one owner of a client-library connection. Opens with 30 s connect time-out, latin2 with
// latin2_hungarian_ci, and the profile's compression and TLS settings. It connects to the first of the
// profile's servers that answers. A session that the server ended is noticed before the next statement
// is sent: the connection is opened again, on the next server of the list when there are several, the
// reconnect handler sets the character set and collation anew, and the statement runs there. A statement
// whose fate is unknown (the connection broke while it ran) is never sent twice; it fails, and so does
// the first statement after a session lost inside a transaction.
// A statement the server ended with a deadlock or a lock-wait time-out is sent once more when it ran on
// its own (autocommit, no transaction open, no procedure call): the server rolled all of it back.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void open(const ConnectionParams& params); // throws DbError
    void close();
    bool isOpen() const { return m_mysql != nullptr; }
    const ConnectionParams& params() const { return m_params; }

    qint64 exec(const QString& sql);     // affected rows; results of procedure calls are drained
    qint64 execRaw(QByteArrayView sql);  // the statement's bytes as they stand (scripts, dumps)
    ResultSet query(const QString& sql); // the first result set; the rest are drained
    StreamingResult stream(const QString& sql);
    qint64 lastInsertId() const;
    QString serverVersion() const;
    unsigned long serverVersionNumber() const; // 100511 for 10.5.11
    unsigned long threadId() const;
    ServerAddress currentServer() const; // the server of the session (the first one before opening)
    int reconnects() const { return m_reconnects; }

    // Runs after a dropped connection was opened again; by default "SET NAMES 'latin2' COLLATE ...".
    void setReconnectHandler(std::function<void(Connection&)> handler) { m_onReconnect = std::move(handler); }
    const std::function<void(Connection&)>& reconnectHandler() const { return m_onReconnect; }
    static void DefaultReconnectHandler(Connection& c);

private:
    friend class StreamingResult;
    void connect(qsizetype first);
    st_mysql* connectTo(const ServerAddress& server);
    bool sessionEnded() const;
    void ensureOpen();
    void reconnect();
    void send(QByteArrayView sql); // runs a statement, reconnecting once where that is safe
    qint64 finishExec();
    void drainResults();
    [[noreturn]] void fail();
    st_mysql* m_mysql = nullptr;
    ConnectionParams m_params;
    qsizetype m_server = 0; // index in m_params.servers()
    bool m_everOpened = false;
    bool m_broken = false;
    bool m_streaming = false;
    int m_reconnects = 0;
    std::function<void(Connection&)> m_onReconnect = DefaultReconnectHandler;
};
