#pragma once

// Scans a script handed over in pieces, the way the restore reads a file: the bytes before keepFrom()
// are dropped before each new piece. Plain C++, for the tests and the fuzz target alike.

#include "admin/SqlScanner.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

struct ScanResult {
    std::vector<std::string> statements, comments;
    SqlScanner::Problem problem = SqlScanner::Problem::None;
    int problemLine = 0;
    bool operator==(const ScanResult&) const = default;
};

// piece: bytes per piece; 0 hands the whole script over at once.
inline ScanResult ScanInPieces(std::string_view script, std::size_t piece,
                               const std::string& delimiter = ";") {
    ScanResult r;
    std::size_t fed = piece > 0 ? std::min(piece, script.size()) : script.size();
    std::string buffer(script.substr(0, fed));
    SqlScanner scanner(buffer, delimiter);
    scanner.setFinal(fed == script.size());
    scanner.onComment = [&](std::string_view c) { r.comments.emplace_back(c); };
    SqlScanner::Statement st;
    for (;;) {
        if (scanner.next(st)) {
            r.statements.emplace_back(buffer.substr(st.begin, st.end - st.begin));
            continue;
        }
        if (!scanner.needsInput()) break;
        const std::size_t dropped = scanner.keepFrom();
        buffer.erase(0, dropped);
        const std::size_t more = std::min(piece, script.size() - fed);
        buffer.append(script.substr(fed, more));
        fed += more;
        scanner.moreInput(buffer, dropped, fed == script.size());
    }
    r.problem = scanner.problem();
    r.problemLine = scanner.problemLine();
    return r;
}
