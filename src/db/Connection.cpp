#include "Connection.h"

#include "core/Codec.h"
#include "core/Config.h"
#include "core/TextRoutines.h"

#include <QFile>
#include <QFileInfo>

#include <errmsg.h>
#include <mysql.h>
#include <mysqld_error.h>

#include <poll.h>

using namespace Qt::StringLiterals;

namespace {
const char* const SetNames = "SET NAMES '%1' COLLATE '%2'";

bool isLostCode(int code) {
    return code == CR_SERVER_GONE_ERROR || code == CR_SERVER_LOST || code == ER_CONNECTION_KILLED ||
           code == 4031 /* ER_CLIENT_INTERACTION_TIMEOUT */ || code == CR_CONNECTION_ERROR ||
           code == CR_CONN_HOST_ERROR;
}

// The server answered that it had ended the session before running the statement.
bool notRunCode(int code) {
    return code == ER_CONNECTION_KILLED || code == 4031;
}

// Opening failed because that server does not serve now (down, unreachable, full, shutting down, or a
// cluster node not ready): the next server of the profile is tried. Other refusals (a wrong password, an
// unknown database, a certificate that does not check out) are the same on every server and end the
// attempt at once.
bool tryNextServerCode(int code) {
    return isLostCode(code) || code == CR_UNKNOWN_HOST || code == CR_SERVER_HANDSHAKE_ERR ||
           code == ER_CON_COUNT_ERROR || code == ER_SERVER_SHUTDOWN || code == ER_UNKNOWN_COM_ERROR;
}

// A deadlock or lock-wait time-out ends the statement and rolls it back; outside a transaction nothing
// of it stays, so it may be sent once more.
bool retryableCode(int code) {
    return code == ER_LOCK_DEADLOCK || code == ER_LOCK_WAIT_TIMEOUT;
}

// The session's last answer said: autocommit, no transaction open. A statement then is a transaction of
// its own.
bool onItsOwn(MYSQL* m) {
    unsigned status = 0;
    mariadb_get_infov(m, MARIADB_CONNECTION_SERVER_STATUS, &status);
    return (status & SERVER_STATUS_AUTOCOMMIT) && !(status & SERVER_STATUS_IN_TRANS);
}

// A procedure may have committed part of its work before the deadlock, so its call is not repeated here.
bool isProcedureCall(QByteArrayView sql) {
    qsizetype i = 0;
    while (i < sql.size() && QChar::isSpace(static_cast<uchar>(sql[i])))
        ++i;
    return sql.size() - i > 4 &&
           QByteArrayView(sql.data() + i, 4).compare("CALL", Qt::CaseInsensitive) == 0 &&
           QChar::isSpace(static_cast<uchar>(sql[i + 4]));
}

// The client library's TLS failures in words the user can act on, its own text after them.
QString tlsFailureText(const ServerAddress& server, const QString& libraryText) {
    const QString t = libraryText.toLower();
    QString text;
    if (t.contains(u"not support") || t.contains(u"doesn't support") || t.contains(u"not enabled"))
        text = u"A(z) %1 kiszolgáló nem ad titkosított (TLS) kapcsolatot, a kapcsolat beállítása viszont "
               u"megköveteli; titkosítás nélkül a program nem kapcsolódik."_s.arg(server.text());
    else if (t.contains(u"validation of ssl server certificate") || t.contains(u"hostname") ||
             t.contains(u"host name"))
        text = u"A(z) %1 kiszolgáló tanúsítványa nem erre a névre szól, ezért a program nem kapcsolódik. "
               u"A kapcsolatban a kiszolgáló neve úgy álljon, ahogy a tanúsítványában."_s.arg(server.text());
    else if (t.contains(u"certificate") || t.contains(u"issuer") || t.contains(u"unknown ca"))
        text =
            u"A(z) %1 kiszolgáló tanúsítványát nem a megadott hitelesítésszolgáltató (CA) írta alá, ezért a "
            u"program nem kapcsolódik."_s.arg(server.text());
    else
        text = u"A titkosított (TLS) kapcsolat a(z) %1 kiszolgálóval nem jött létre."_s.arg(server.text());
    return text + u"\n("_s + libraryText + u')';
}

ColumnType typeOf(const MYSQL_FIELD& f) {
    const bool binary = f.charsetnr == 63;
    switch (f.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_YEAR:
        return ColumnType::Integer;
    case MYSQL_TYPE_LONGLONG:
        return ColumnType::BigInt;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        return ColumnType::Double;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return ColumnType::Decimal;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return ColumnType::Date;
    case MYSQL_TYPE_TIME:
        return ColumnType::Time;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return ColumnType::DateTime;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
        return binary ? ColumnType::Blob : ColumnType::Memo;
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
        return binary ? ColumnType::Binary : ColumnType::Text;
    default:
        return ColumnType::Other;
    }
}

QList<Column> columnsOf(MYSQL_RES* res) {
    QList<Column> cols;
    const unsigned n = mysql_num_fields(res);
    const MYSQL_FIELD* fields = mysql_fetch_fields(res);
    for (unsigned i = 0; i < n; ++i) {
        const MYSQL_FIELD& f = fields[i];
        Column c;
        c.name = Codec::latin2().decode(QByteArrayView(f.name, f.name_length));
        c.table = Codec::latin2().decode(QByteArrayView(f.org_table, f.org_table_length));
        c.type = typeOf(f);
        c.serverType = f.type;
        c.flags = f.flags;
        c.length = f.length;
        c.decimals = f.decimals;
        cols << c;
    }
    return cols;
}
} // namespace

bool DbError::connectionLost() const {
    return isLostCode(code());
}

ConnectionParams ConnectionParams::fromProfile(const ConnectionProfile& p, const ProfileOptions& options) {
    ConnectionParams c;
    c.compression = options.compression;
    c.tls = options.tls;
    c.database = p.database;
    c.host = p.host;
    c.user = p.user;
    c.password = p.password;
    bool ok = false;
    const uint port = p.port.trimmed().toUInt(&ok, 10);
    if (!ok || port == 0 || port > 65535)
        throw DbError(QStringLiteral("A kapcsolat portja („%1”) nem érvényes egész szám (1 és 65535 között).")
                          .arg(p.port));
    c.port = port;
    try {
        c.fallbackServers = ParseServerList(options.fallbackHosts, port);
    } catch (const FormatError& e) {
        throw DbError(e.message());
    }
    return c;
}

QList<ServerAddress> ConnectionParams::servers() const {
    return QList<ServerAddress>{ServerAddress{host, port}} + fallbackServers;
}

// ---- ResultSet ----

ResultSet::ResultSet(ResultSet&& o) noexcept
    : m_res(std::exchange(o.m_res, nullptr)), m_columns(std::move(o.m_columns)), m_rows(std::move(o.m_rows)) {
}

ResultSet& ResultSet::operator=(ResultSet&& o) noexcept {
    if (this != &o) {
        if (m_res) mysql_free_result(m_res);
        m_res = std::exchange(o.m_res, nullptr);
        m_columns = std::move(o.m_columns);
        m_rows = std::move(o.m_rows);
    }
    return *this;
}

ResultSet::~ResultSet() {
    if (m_res) mysql_free_result(m_res);
}

QByteArrayView ResultSet::rawBytes(qsizetype row, int column) const {
    char** r = m_rows[row];
    const char* start = r[column];
    if (!start) return {};
    // In a buffered row the values lie one after the other, each ended by a zero byte, and the slot
    // after the last column points past the end; a value's length follows from the next value.
    const int n = columnCount();
    for (int c = column + 1; c <= n; ++c)
        if (r[c]) return QByteArrayView(start, r[c] - start - 1);
    return QByteArrayView(start, qstrlen(start));
}

Value ResultSet::value(qsizetype row, int column) const {
    if (m_rows[row][column] == nullptr) return {};
    const QByteArrayView raw = rawBytes(row, column);
    return Value(QByteArray(raw.data(), raw.size()), m_columns[column].type);
}

// ---- StreamingResult ----

StreamingResult::StreamingResult(Connection* c, MYSQL_RES* res) : m_connection(c), m_res(res) {
    m_columns = columnsOf(res);
}

StreamingResult::StreamingResult(StreamingResult&& o) noexcept
    : m_connection(std::exchange(o.m_connection, nullptr)), m_res(std::exchange(o.m_res, nullptr)),
      m_columns(std::move(o.m_columns)), m_row(o.m_row), m_lengths(o.m_lengths) {}

StreamingResult::~StreamingResult() {
    if (m_res) {
        mysql_free_result(m_res); // reads and drops what is left
        m_connection->drainResults();
        m_connection->m_streaming = false;
    }
}

bool StreamingResult::next() {
    if (!m_res) return false;
    m_row = mysql_fetch_row(m_res);
    if (!m_row) {
        const unsigned err = mysql_errno(m_connection->m_mysql);
        if (err) {
            const QString text = Codec::latin2().decode(mysql_error(m_connection->m_mysql));
            mysql_free_result(m_res);
            m_res = nullptr;
            m_connection->m_streaming = false;
            if (isLostCode(static_cast<int>(err))) m_connection->m_broken = true;
            throw DbError::fromServer(static_cast<int>(err), text);
        }
        mysql_free_result(m_res);
        m_res = nullptr;
        m_connection->drainResults();
        m_connection->m_streaming = false;
        return false;
    }
    m_lengths = mysql_fetch_lengths(m_res);
    return true;
}

QByteArrayView StreamingResult::rawBytes(int column) const {
    return m_row[column] ? QByteArrayView(m_row[column], static_cast<qsizetype>(m_lengths[column]))
                         : QByteArrayView();
}

Value StreamingResult::value(int column) const {
    if (!m_row[column]) return {};
    const QByteArrayView raw = rawBytes(column);
    return Value(QByteArray(raw.data(), raw.size()), m_columns[column].type);
}

// ---- Connection ----

Connection::Connection() = default;

Connection::~Connection() {
    close();
}

void Connection::DefaultReconnectHandler(Connection& c) {
    c.exec(QString::fromLatin1(SetNames).arg(u"latin2", u"latin2_hungarian_ci"));
}

void Connection::open(const ConnectionParams& params) {
    close();
    m_params = params;
    connect(0);
    m_everOpened = true;
}

ServerAddress Connection::currentServer() const {
    const QList<ServerAddress> list = m_params.servers();
    return list[m_server < list.size() ? m_server : 0];
}

MYSQL* Connection::connectTo(const ServerAddress& server) {
    MYSQL* m = mysql_init(nullptr);
    if (!m) throw DbError(QStringLiteral("Nincs elég memória a kapcsolathoz."));
    const unsigned timeout = 30;
    const my_bool off = 0, on = 1;
    if (m_params.compression) mysql_options(m, MYSQL_OPT_COMPRESS, nullptr);
    mysql_options(m, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    mysql_options(m, MYSQL_OPT_RECONNECT, &off); // reconnecting is ours, so the collation survives it
    mysql_options(m, MYSQL_SET_CHARSET_NAME, "latin2");
    const QByteArray init = QString::fromLatin1(SetNames).arg(u"latin2", u"latin2_hungarian_ci").toLatin1();
    mysql_options(m, MYSQL_INIT_COMMAND, init.constData());
    const QByteArray caFile = QFile::encodeName(m_params.tls.caFile);
    if (m_params.tls.enabled && !caFile.isEmpty() && !QFileInfo(m_params.tls.caFile).isReadable()) {
        mysql_close(m);
        throw DbError(u"A hitelesítésszolgáltató (CA) tanúsítványfájlja („%1”) nem olvasható."_s.arg(
                          m_params.tls.caFile),
                      CR_SSL_CONNECTION_ERROR);
    }
    if (m_params.tls.enabled) {
        // Required: a server without TLS is refused, never talked to in clear text.
        mysql_options(m, MYSQL_OPT_SSL_ENFORCE, &on);
        // Given a CA the library checks the chain; without the check, neither it nor the name is checked.
        if (!caFile.isEmpty() && m_params.tls.verify) mysql_options(m, MYSQL_OPT_SSL_CA, caFile.constData());
        mysql_options(m, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, m_params.tls.verify ? &on : &off);
    }
    const auto enc = [](const QString& s) { return EncodeOrThrow(Codec::latin2(), s); };
    const QByteArray host = enc(server.host), user = enc(m_params.user), password = enc(m_params.password),
                     db = enc(m_params.database);
    if (!mysql_real_connect(m, host.constData(), user.constData(), password.constData(),
                            db.isEmpty() ? nullptr : db.constData(), server.port, nullptr,
                            CLIENT_MULTI_RESULTS)) {
        QString text = Codec::latin2().decode(mysql_error(m));
        const int code = static_cast<int>(mysql_errno(m));
        mysql_close(m);
        if (code == CR_SSL_CONNECTION_ERROR) text = tlsFailureText(server, text);
        throw DbError::fromServer(code, text);
    }
    return m;
}

// Tries every server once, beginning with the given one.
void Connection::connect(qsizetype first) {
    const QList<ServerAddress> servers = m_params.servers();
    QStringList failures;
    for (qsizetype i = 0; i < servers.size(); ++i) {
        const qsizetype index = (first + i) % servers.size();
        try {
            m_mysql = connectTo(servers[index]);
            m_server = index;
            m_broken = false;
            return;
        } catch (const DbError& e) {
            if (servers.size() == 1) throw;
            failures << servers[index].text() + u": "_s + e.message();
            if (!tryNextServerCode(e.code()) || i + 1 == servers.size())
                throw DbError(failures.join(u'\n'), e.code());
        }
    }
}

void Connection::close() {
    if (m_mysql) mysql_close(m_mysql);
    m_mysql = nullptr;
    m_broken = false;
    m_streaming = false;
}

void Connection::reconnect() {
    // A transaction dies with its session: what follows must not run without it on the new one.
    const bool transactionLost = m_mysql && !onItsOwn(m_mysql);
    if (m_mysql) mysql_close(m_mysql);
    m_mysql = nullptr;
    // The server of the lost session comes last: when it went down, the next one answers without a wait.
    connect(m_server + 1);
    ++m_reconnects;
    if (m_onReconnect) m_onReconnect(*this);
    if (transactionLost)
        throw DbError(
            u"A kapcsolat a kiszolgálóval egy tranzakció közben megszakadt: a tranzakció változásai "
            u"elvesztek, az utasítás nem futott le."_s,
            CR_SERVER_LOST);
}

// The server closed an idle session (it was killed, timed out, or the server stopped): the socket reports
// the end of the stream, or, without TLS, holds bytes nobody asked for (the server's last error packet).
// Nothing has been sent on it since the last answer, so a statement may go to a new session instead.
bool Connection::sessionEnded() const {
    pollfd p{};
    p.fd = mysql_get_socket(m_mysql);
    p.events = POLLIN | POLLRDHUP;
    if (p.fd < 0 || poll(&p, 1, 0) <= 0) return false;
    if (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) return true;
    // Under TLS an idle socket may hold a record of the protocol itself (a session ticket).
    return (p.revents & POLLIN) && mysql_get_ssl_cipher(m_mysql) == nullptr;
}

void Connection::ensureOpen() {
    if (m_streaming) throw DbError(QStringLiteral("A kapcsolat még egy előző lekérdezés sorait olvassa."));
    if (m_mysql && !m_broken && !sessionEnded()) return;
    if (!m_everOpened) throw DbError(QStringLiteral("Nincs megnyitott adatbázis-kapcsolat."));
    reconnect();
}

void Connection::fail() {
    const int code = static_cast<int>(mysql_errno(m_mysql));
    const QString text = Codec::latin2().decode(mysql_error(m_mysql));
    if (isLostCode(code)) m_broken = true;
    throw DbError::fromServer(code, text);
}

void Connection::send(QByteArrayView bytes) {
    ensureOpen();
    const bool retryable = onItsOwn(m_mysql) && !isProcedureCall(bytes);
    bool reconnected = false, retried = false;
    for (;;) {
        if (mysql_send_query(m_mysql, bytes.constData(), static_cast<unsigned long>(bytes.size())) != 0) {
            // Not sent at all: safe to send again on a new connection.
            if (!reconnected && isLostCode(static_cast<int>(mysql_errno(m_mysql)))) {
                reconnected = true;
                reconnect();
                continue;
            }
            fail();
        }
        if (mysql_read_query_result(m_mysql) != 0) {
            const int code = static_cast<int>(mysql_errno(m_mysql));
            // A cluster node that is not ready refuses every statement without running it: the next one.
            const bool nodeNotReady = code == ER_UNKNOWN_COM_ERROR && !m_params.fallbackServers.isEmpty();
            if (!reconnected && (notRunCode(code) || nodeNotReady)) {
                reconnected = true;
                reconnect();
                continue;
            }
            if (!retried && retryable && retryableCode(code)) {
                retried = true;
                continue;
            }
            fail();
        }
        return;
    }
}

void Connection::drainResults() {
    if (!m_mysql) return;
    while (mysql_more_results(m_mysql)) {
        if (mysql_next_result(m_mysql) > 0) fail();
        if (MYSQL_RES* r = mysql_store_result(m_mysql)) mysql_free_result(r);
    }
}

qint64 Connection::exec(const QString& sql) {
    send(EncodeOrThrow(Codec::latin2(), sql)); // refused before anything is sent
    return finishExec();
}

qint64 Connection::execRaw(QByteArrayView sql) {
    send(sql);
    return finishExec();
}

qint64 Connection::finishExec() {
    qint64 affected = 0;
    if (MYSQL_RES* r = mysql_store_result(m_mysql))
        mysql_free_result(r);
    else if (mysql_field_count(m_mysql) == 0)
        affected = static_cast<qint64>(mysql_affected_rows(m_mysql));
    else
        fail();
    drainResults();
    return affected;
}

ResultSet Connection::query(const QString& sql) {
    send(EncodeOrThrow(Codec::latin2(), sql));
    ResultSet rs;
    MYSQL_RES* r = mysql_store_result(m_mysql);
    if (!r) {
        if (mysql_field_count(m_mysql) != 0) fail();
        drainResults();
        return rs;
    }
    rs.m_res = r;
    rs.m_columns = columnsOf(r);
    rs.m_rows.reserve(mysql_num_rows(r));
    while (MYSQL_ROW row = mysql_fetch_row(r))
        rs.m_rows.push_back(row);
    drainResults();
    return rs;
}

StreamingResult Connection::stream(const QString& sql) {
    send(EncodeOrThrow(Codec::latin2(), sql));
    MYSQL_RES* r = mysql_use_result(m_mysql);
    if (!r) {
        if (mysql_field_count(m_mysql) != 0) fail();
        throw DbError(QStringLiteral("Az utasítás nem ad vissza sorokat."));
    }
    m_streaming = true;
    return StreamingResult(this, r);
}

qint64 Connection::lastInsertId() const {
    return m_mysql ? static_cast<qint64>(mysql_insert_id(m_mysql)) : 0;
}

QString Connection::serverVersion() const {
    return m_mysql ? QString::fromLatin1(mysql_get_server_info(m_mysql)) : QString();
}

unsigned long Connection::serverVersionNumber() const {
    return m_mysql ? mysql_get_server_version(m_mysql) : 0;
}

unsigned long Connection::threadId() const {
    return m_mysql ? mysql_thread_id(m_mysql) : 0;
}
