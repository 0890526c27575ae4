#pragma once

// The statement splitter written rule by rule, one character at a time, without the fast paths of
// SqlScanner: the fuzz target compares the two.

#include <cstddef>
#include <string>
#include <string_view>

class ReferenceScanner {
public:
    struct Statement {
        std::size_t begin = 0; // the statement's bytes are script[begin, end)
        std::size_t end = 0;
        int line = 1; // line of its first character, from 1
    };
    enum class Problem {
        None,
        UnterminatedQuote, // the text ends inside quotes
        EmptyDelimiter,    // a DELIMITER line without a delimiter (or an empty starting delimiter)
    };

    ReferenceScanner(std::string_view script, std::string delimiter);

    // The next statement; false at the end of the text or when a problem stops the scan.
    bool next(Statement& statement);

    Problem problem() const { return m_problem; }
    int problemLine() const { return m_problemLine; } // where the quote opened / the DELIMITER line
    char openQuote() const { return m_quote; }
    const std::string& delimiter() const { return m_delimiter; }

private:
    bool delimiterWordAt(std::size_t pos) const;
    bool delimiterAt(std::size_t pos) const;

    std::string_view m_s;
    std::string m_delimiter;
    std::size_t m_pos = 0;
    int m_line = 1;
    enum class Mode { Normal, Quote, DelimiterArgument } m_mode = Mode::Normal;
    char m_quote = 0;
    int m_quoteLine = 0;
    bool m_lineComment = false;
    bool m_blockComment = false;
    bool m_inStatement = false;
    std::size_t m_statementBegin = 0;
    int m_statementLine = 1;
    std::size_t m_argumentBegin = 0;
    int m_argumentLine = 0;
    Problem m_problem = Problem::None;
    int m_problemLine = 0;
    bool m_done = false;
};
