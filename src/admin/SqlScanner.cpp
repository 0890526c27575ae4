#include "SqlScanner.h"

#include <algorithm>

namespace {
char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool identifierChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || u >= 0x80;
}

bool blank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

SqlScanner::SqlScanner(std::string_view script, std::string delimiter)
    : m_s(script), m_delimiter(std::move(delimiter)) {
    if (m_delimiter.empty()) {
        m_problem = Problem::EmptyDelimiter;
        m_problemLine = 1;
        m_done = true;
    }
    classify();
}

void SqlScanner::classify() {
    for (int c = 0; c < 256; ++c)
        m_plain[c] = true;
    for (const unsigned char c : {' ', '\t', '\r', '\n', '#', '-', '/', '*', '\'', '"', '`', 'D', 'd', '\\'})
        m_plain[c] = false;
    if (!m_delimiter.empty()) {
        const char first = m_delimiter[0];
        m_plain[static_cast<unsigned char>(first)] = false;
        m_plain[static_cast<unsigned char>(upper(first))] = false;
        if (first >= 'A' && first <= 'Z') m_plain[static_cast<unsigned char>(first - 'A' + 'a')] = false;
    }
}

bool SqlScanner::delimiterWordAt(std::size_t pos) const {
    static constexpr std::string_view word = "DELIMITER";
    if (pos + word.size() >= m_s.size()) return false; // the word needs a character after it
    if (pos > 0 && identifierChar(m_s[pos - 1])) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (upper(m_s[pos + i]) != word[i]) return false;
    const char after = m_s[pos + word.size()];
    return after == '\t' || after == '\n' || after == '\r' || after == ' ' || after == '#' || after == '/' ||
           after == ';';
}

bool SqlScanner::delimiterAt(std::size_t pos) const {
    if (pos + m_delimiter.size() > m_s.size()) return false;
    for (std::size_t i = 0; i < m_delimiter.size(); ++i)
        if (upper(m_s[pos + i]) != upper(m_delimiter[i])) return false;
    return true;
}

namespace {
constexpr std::size_t MaxReportedComment = 1024;
}

std::size_t SqlScanner::keepFrom() const {
    // One byte before the position stays: whether DELIMITER starts a word depends on the byte before it.
    std::size_t keep = m_pos > 0 ? m_pos - 1 : 0;
    if (m_inStatement && !m_statementCut) keep = std::min(keep, m_statementBegin);
    if (m_mode == Mode::DelimiterArgument) keep = std::min(keep, m_argumentBegin);
    if (m_trackComment && m_pos - m_commentBegin <= MaxReportedComment) keep = std::min(keep, m_commentBegin);
    return keep;
}

void SqlScanner::moreInput(std::string_view script, std::size_t dropped, bool final) {
    m_s = script;
    m_pos -= dropped;
    if (m_inStatement && !m_statementCut) m_statementBegin -= dropped;
    if (m_mode == Mode::DelimiterArgument) m_argumentBegin -= dropped;
    if (m_trackComment) {
        if (m_commentBegin >= dropped)
            m_commentBegin -= dropped;
        else
            m_trackComment = false; // too long to report
    }
    m_final = final;
    m_needInput = false;
}

bool SqlScanner::next(Statement& statement) {
    if (m_done) return false;
    const std::size_t n = m_s.size();
    while (m_pos < n) {
        // The most any rule looks ahead: the word DELIMITER and the character after it, or the delimiter
        // (which a DELIMITER line may just have changed).
        if (!m_final && n - m_pos < std::max<std::size_t>(10, m_delimiter.size())) {
            m_needInput = true;
            return false;
        }
        const char c = m_s[m_pos];
        const char following = m_pos + 1 < n ? m_s[m_pos + 1] : '\0';

        if (blank(c)) {
            ++m_pos;
            continue;
        }
        if (c == '\r' || c == '\n') {
            const std::size_t lineEnd = m_pos;
            m_pos += ((c == '\r' && following == '\n') || (c == '\n' && following == '\r')) ? 2 : 1;
            ++m_line;
            if (m_trackComment) {
                m_trackComment = false;
                if (onComment && lineEnd - m_commentBegin <= MaxReportedComment)
                    onComment(m_s.substr(m_commentBegin, lineEnd - m_commentBegin));
            }
            m_lineComment = false;
            if (m_mode == Mode::DelimiterArgument) {
                std::size_t b = m_argumentBegin, e = lineEnd;
                while (b < e && blank(m_s[b]))
                    ++b;
                while (e > b && blank(m_s[e - 1]))
                    --e;
                m_mode = Mode::Normal;
                if (b == e) {
                    m_problem = Problem::EmptyDelimiter;
                    m_problemLine = m_argumentLine;
                    m_done = true;
                    return false;
                }
                m_delimiter.assign(m_s.substr(b, e - b));
                classify();
            }
            continue;
        }
        if (m_mode == Mode::DelimiterArgument) {
            ++m_pos;
            continue;
        }
        if (m_mode == Mode::Quote) {
            // Only the closing quote, a backslash and line ends matter inside quotes.
            while (m_pos < n) {
                const char q = m_s[m_pos];
                if (q == m_quote || q == '\\' || q == '\r' || q == '\n') break;
                ++m_pos;
            }
            if (m_pos >= n) break;
            const char q = m_s[m_pos];
            if (q == '\r' || q == '\n') continue;
            if (q == '\\' && m_quote != '`')
                m_pos += 2;
            else {
                if (q == m_quote) m_mode = Mode::Normal;
                ++m_pos;
            }
            continue;
        }
        if (m_lineComment) {
            ++m_pos;
            continue;
        }
        if (c == '#') {
            m_lineComment = true;
            if (!m_inStatement && !m_blockComment) {
                m_trackComment = true;
                m_commentBegin = m_pos;
            }
            ++m_pos;
            continue;
        }
        if (c == '-') {
            if (following != '-') {
                ++m_pos;
            } else {
                const char third = m_pos + 2 < n ? m_s[m_pos + 2] : '\0';
                if (!m_inStatement && !m_blockComment &&
                    (blank(third) || third == '\r' || third == '\n' || m_pos + 2 >= n)) {
                    m_trackComment = true;
                    m_commentBegin = m_pos;
                }
                if (blank(third)) {
                    m_lineComment = true;
                    m_pos += 3;
                } else {
                    if (third == '\r' || third == '\n' || m_pos + 2 >= n) m_lineComment = true;
                    m_pos += 2;
                }
            }
            continue;
        }
        if (m_blockComment) {
            if (c == '*' && following == '/') {
                m_blockComment = false;
                m_pos += 2;
            } else {
                ++m_pos;
            }
            continue;
        }
        if (c == '/') {
            if (following == '*') {
                if (m_pos + 2 < n && m_s[m_pos + 2] == '!' && !m_inStatement) {
                    m_inStatement = true;
                    m_statementCut = false;
                    m_statementBegin = m_pos;
                    m_statementLine = m_line;
                }
                m_blockComment = true;
                m_blockCommentLine = m_line;
                m_pos += 2;
            } else {
                ++m_pos;
            }
            continue;
        }
        if ((c == 'D' || c == 'd') && delimiterWordAt(m_pos)) {
            m_mode = Mode::DelimiterArgument;
            m_pos += 9;
            m_argumentBegin = m_pos;
            m_argumentLine = m_line;
            continue;
        }
        if (c == '\'' || c == '"' || c == '`') {
            m_mode = Mode::Quote;
            m_quote = c;
            m_quoteLine = m_line;
            ++m_pos;
            continue;
        }
        if (upper(c) == upper(m_delimiter[0]) && delimiterAt(m_pos)) {
            m_pos += m_delimiter.size();
            if (m_inStatement) {
                m_inStatement = false;
                statement = {m_statementCut ? 0 : m_statementBegin, m_pos - m_delimiter.size(),
                             m_statementLine, m_statementCut};
                m_statementCut = false;
                return true;
            }
            continue;
        }
        if (!m_inStatement) {
            m_inStatement = true;
            m_statementCut = false;
            m_statementBegin = m_pos;
            m_statementLine = m_line;
        }
        ++m_pos;
        while (m_pos < n && m_plain[static_cast<unsigned char>(m_s[m_pos])])
            ++m_pos;
    }
    if (!m_final) {
        m_needInput = true;
        return false;
    }
    m_done = true;
    if (m_trackComment) {
        m_trackComment = false;
        if (onComment && n - m_commentBegin <= MaxReportedComment)
            onComment(m_s.substr(m_commentBegin, n - m_commentBegin));
    }
    if (m_mode == Mode::Quote) {
        m_problem = Problem::UnterminatedQuote;
        m_problemLine = m_quoteLine;
        return false;
    }
    if (m_inStatement) {
        m_inStatement = false;
        statement = {m_statementCut ? 0 : m_statementBegin, n, m_statementLine, m_statementCut};
        return true;
    }
    return false;
}
