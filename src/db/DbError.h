#pragma once

#include "core/Errors.h"

// An error of the server or of the connection. The program's own messages (code 0 or a code the
// caller chose) stand as given; fromServer() makes the message the user reads from the server's text.
class DbError : public SonoriaError {
public:
    using SonoriaError::SonoriaError;
    // What the server or the client library reported: the message says in Hungarian what happened
    // and what to do (ServerErrorText), serverText() keeps the server's own words.
    static DbError fromServer(int code, const QString& serverText);
    const QString& serverText() const { return m_serverText; }
    bool connectionLost() const;

private:
    QString m_serverText;
};

// For the errors a user meets (duplicate key, missing value, a value too long or of the wrong kind, a
// broken rule, lock wait, deadlock, lost connection, access denied, unknown database, cannot connect): a
// Hungarian sentence of what happened and what to do. Empty for any other number.
QString ServerErrorAdvice(int code);

// The text shown for a server error: the advice, then the server's own text and number; a number
// without advice shows the server's text alone.
QString ServerErrorText(int code, const QString& serverText);
