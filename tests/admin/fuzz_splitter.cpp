// libFuzzer target: the statement splitter over any bytes ends, never reads outside the script, hands
// out statements in order without overlaps, and cuts exactly as the plain rule-by-rule splitter does.
// Built only with -DSONORIA_FUZZ=ON (clang); see scripts/fuzz.
#include "ReferenceScanner.h"
#include "ScanInPieces.h"
#include "admin/SqlScanner.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const delimiters[] = {";", "$$", "//", ";;", "END", "d", "\\", "--"};
    std::string_view script(reinterpret_cast<const char*>(data), size);
    std::string delimiter = ";";
    if (!script.empty() && static_cast<unsigned char>(script[0]) < 8) {
        delimiter = delimiters[static_cast<unsigned char>(script[0])];
        script.remove_prefix(1);
    }
    SqlScanner scanner(script, delimiter);
    ReferenceScanner reference(script, delimiter);
    SqlScanner::Statement st;
    ReferenceScanner::Statement expected;
    std::size_t last = 0, count = 0;
    int lastLine = 1;
    for (;;) {
        const bool got = scanner.next(st);
        if (got != reference.next(expected)) std::abort();
        if (!got) break;
        if (st.begin != expected.begin || st.end != expected.end || st.line != expected.line) std::abort();
        if (st.begin < last || st.begin >= st.end || st.end > script.size() || st.line < lastLine)
            std::abort();
        if (++count > script.size()) std::abort();
        // Touch the bytes so that the sanitizer sees a slice outside the script.
        volatile char first = script[st.begin], final = script[st.end - 1];
        (void)first;
        (void) final;
        last = st.end;
        lastLine = st.line;
    }
    if (scanner.delimiter().empty()) std::abort();
    if (static_cast<int>(scanner.problem()) != static_cast<int>(reference.problem()) ||
        scanner.problemLine() != reference.problemLine() || scanner.delimiter() != reference.delimiter())
        std::abort();
    if (scanner.next(st)) std::abort(); // the end stays the end
    // Read in pieces, as the restore reads a file, the script is cut exactly as at once.
    const std::size_t piece = size > 1 ? data[size - 1] % 17 + 1 : 1;
    if (!(ScanInPieces(script, piece, delimiter) == ScanInPieces(script, 0, delimiter))) std::abort();
    return 0;
}
