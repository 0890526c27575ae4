#pragma once

// Cuts an SQL script into statements at the current delimiter, minding quotes, comments and
// DELIMITER lines. Plain C++ over the script's bytes, so the fuzz target can build it alone.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class SqlScanner {
public:
    struct Statement {
        std::size_t begin = 0; // the statement's bytes are script[begin, end)
        std::size_t end = 0;
        int line = 1;     // line of its first character, from 1
        bool cut = false; // its beginning was given up (cutStatement); begin is then 0
    };
    enum class Problem {
        None,
        UnterminatedQuote, // the text ends inside quotes
        EmptyDelimiter,    // a DELIMITER line without a delimiter (or an empty starting delimiter)
    };

    SqlScanner(std::string_view script, std::string delimiter);

    // The next statement; false at the end of the text, when a problem stops the scan, or (for a text
    // given in pieces) when needsInput() says that the next piece is wanted.
    bool next(Statement& statement);

    // A script read in pieces: the scanner is built over the first piece with final false. When next()
    // wants input, the caller drops the bytes before keepFrom() (they are no longer looked at) and hands
    // over the rest followed by the next piece; dropped is the number of bytes dropped, and final says
    // that the text ends with this piece. Statements come out exactly as over the whole text at once.
    void setFinal(bool final) { m_final = final; }
    bool needsInput() const { return m_needInput; }
    std::size_t keepFrom() const;
    void moreInput(std::string_view script, std::size_t dropped, bool final);
    // The running statement's beginning need not be kept any more (a checking pass that looks only at
    // its start); the statement comes out with cut set.
    void cutStatement() { m_statementCut = true; }
    bool inStatement() const { return m_inStatement; }
    std::size_t statementBegin() const { return m_statementBegin; }
    std::size_t position() const { return m_pos; }

    // Called with each line comment outside statements ("-- text", "# text", up to 1 KiB long,
    // without its line end) once the line has ended.
    std::function<void(std::string_view)> onComment;
    // The text ends inside a block comment that opened on this line (0: it does not).
    int openCommentLine() const { return m_done && m_blockComment ? m_blockCommentLine : 0; }

    Problem problem() const { return m_problem; }
    int problemLine() const { return m_problemLine; } // where the quote opened / the DELIMITER line
    char openQuote() const { return m_quote; }
    const std::string& delimiter() const { return m_delimiter; }

private:
    bool delimiterWordAt(std::size_t pos) const;
    void classify();
    bool delimiterAt(std::size_t pos) const;

    // Characters that no rule looks at inside a running statement: they are passed over in bulk.
    bool m_plain[256] = {};
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
    bool m_statementCut = false;
    bool m_final = true;
    bool m_needInput = false;
    int m_blockCommentLine = 0;
    std::size_t m_commentBegin = 0;
    bool m_trackComment = false;
    std::size_t m_statementBegin = 0;
    int m_statementLine = 1;
    std::size_t m_argumentBegin = 0;
    int m_argumentLine = 0;
    Problem m_problem = Problem::None;
    int m_problemLine = 0;
    bool m_done = false;
};
