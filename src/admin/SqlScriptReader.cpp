#include "SqlScriptReader.h"

#include "core/Errors.h"

#include <cstring>

using namespace Qt::StringLiterals;

namespace {
constexpr qsizetype PieceBytes = 1 << 20;

std::string_view view(const QByteArray& b) {
    return {b.constData(), static_cast<std::size_t>(b.size())};
}
} // namespace

SqlScriptReader::SqlScriptReader(QByteArrayView script, const QByteArray& delimiter)
    : m_scanner({script.data(), static_cast<std::size_t>(script.size())}, delimiter.toStdString()),
      m_memory(script) {}

SqlScriptReader::SqlScriptReader(const QString& path, const QByteArray& delimiter)
    : m_file(std::make_unique<QFile>(path)), m_scanner({}, delimiter.toStdString()) {
    if (!m_file->open(QIODevice::ReadOnly))
        throw FileError(u"A(z) „%1” fájl nem olvasható: %2"_s.arg(path, m_file->errorString()));
    m_buffer.reserve(2 * PieceBytes);
    m_scanner.setFinal(false);
}

void SqlScriptReader::setCommentHandler(std::function<void(QByteArrayView)> handler) {
    if (!handler) {
        m_scanner.onComment = nullptr;
        return;
    }
    m_scanner.onComment = [handler = std::move(handler)](std::string_view c) {
        handler(QByteArrayView(c.data(), static_cast<qsizetype>(c.size())));
    };
}

void SqlScriptReader::refill() {
    // A checking pass keeps the beginning of a long statement aside and lets the rest go.
    if (m_headsOnly && m_scanner.inStatement() &&
        static_cast<qsizetype>(m_scanner.position() - m_scanner.statementBegin()) > HeadBytes) {
        m_head = m_buffer.sliced(static_cast<qsizetype>(m_scanner.statementBegin()), HeadBytes);
        m_scanner.cutStatement();
    }
    const auto dropped = static_cast<qsizetype>(m_scanner.keepFrom());
    const qsizetype kept = m_buffer.size() - dropped;
    if (dropped > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + dropped, static_cast<std::size_t>(kept));
    m_buffer.resize(kept + PieceBytes);
    const qint64 got = m_file->read(m_buffer.data() + kept, PieceBytes);
    if (got < 0)
        throw FileError(u"A(z) „%1” fájl nem olvasható: %2"_s.arg(m_file->fileName(), m_file->errorString()));
    m_buffer.resize(kept + got);
    m_scanner.moreInput(view(m_buffer), static_cast<std::size_t>(dropped), got == 0);
}

bool SqlScriptReader::next(QByteArrayView& text, int& line) {
    SqlScanner::Statement st;
    for (;;) {
        if (m_scanner.next(st)) break;
        if (!m_scanner.needsInput()) return false;
        refill();
    }
    line = st.line;
    if (st.cut) {
        text = m_head;
        return true;
    }
    const QByteArrayView script = m_file ? QByteArrayView(m_buffer) : m_memory;
    text = script.sliced(static_cast<qsizetype>(st.begin), static_cast<qsizetype>(st.end - st.begin));
    return true;
}
