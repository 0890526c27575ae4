#pragma once

#include "db/Connection.h"

// While it lives, a dropped connection is not silently opened again: the session's transaction, snapshot
// or table locks would be gone, and the statements after it would run without them. The reconnect itself
// still happens (the connection stays usable afterwards), but the statement that would have run on the new
// session fails with the given message instead.
class ReconnectGuard {
public:
    ReconnectGuard(Connection& db, QString message) : m_db(db), m_saved(db.reconnectHandler()) {
        db.setReconnectHandler([saved = m_saved, message = std::move(message)](Connection& c) {
            if (saved) saved(c);
            throw DbError(message, 2013 /* CR_SERVER_LOST */);
        });
    }
    ~ReconnectGuard() { m_db.setReconnectHandler(m_saved); }
    ReconnectGuard(const ReconnectGuard&) = delete;
    ReconnectGuard& operator=(const ReconnectGuard&) = delete;

private:
    Connection& m_db;
    std::function<void(Connection&)> m_saved;
};
