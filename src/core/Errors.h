#pragma once

#include <QString>

#include <exception>

// The one base of the program's own errors: a message fit to show to the user, and a number where
// the source has one (the server's error number).
class SonoriaError : public std::exception {
public:
    explicit SonoriaError(QString message, int code = 0)
        : m_message(std::move(message)), m_code(code), m_utf8(m_message.toUtf8()) {}
    const QString& message() const { return m_message; }
    int code() const { return m_code; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    int m_code;
    QByteArray m_utf8;
};

// A file that cannot be read or written.
class FileError : public SonoriaError {
public:
    using SonoriaError::SonoriaError;
};

// Input whose form is wrong: a number that is no number, a profile text that cannot be stored.
class FormatError : public SonoriaError {
public:
    using SonoriaError::SonoriaError;
};
