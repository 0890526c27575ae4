#pragma once

#include "SqlScanner.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>
#include <memory>

// Hands out the statements of an SQL script one by one, from memory or from a file read in pieces:
// of a file only the statement at hand and one piece of read-ahead are held, whatever its size.
class SqlScriptReader {
public:
    SqlScriptReader(QByteArrayView script, const QByteArray& delimiter);
    // Throws FileError when the file cannot be opened or read.
    SqlScriptReader(const QString& path, const QByteArray& delimiter);

    // A checking pass that looks only at the beginning of each statement: of a longer statement the
    // first HeadBytes are handed out, so that not even a quote left open keeps the rest in memory.
    static constexpr qsizetype HeadBytes = 64 * 1024;
    void setHeadsOnly(bool headsOnly) { m_headsOnly = headsOnly; }

    // The next statement's bytes (valid until the next call) and the line it begins on.
    bool next(QByteArrayView& text, int& line);
    // Line comments outside statements, once each has ended.
    void setCommentHandler(std::function<void(QByteArrayView)> handler);

    const SqlScanner& scanner() const { return m_scanner; }

private:
    void refill();

    std::unique_ptr<QFile> m_file;
    QByteArray m_buffer;
    SqlScanner m_scanner;
    QByteArrayView m_memory;
    bool m_headsOnly = false;
    QByteArray m_head;
};
