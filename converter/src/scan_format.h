// The subset of C's formatted input (sscanf) that KMC lines are matched with: literal
// characters, blanks (any run of white space, none included), %d and %1s. A format is
// compiled once, at compile time, into a list of steps, so matching a line does not re-read
// the format text.
#ifndef ZENTRIX_SCAN_FORMAT_H
#define ZENTRIX_SCAN_FORMAT_H

#include <cstddef>

namespace zentrix {

// Where one conversion goes: an int for %d, a char for %1s. The format decides which.
union ScanTarget {
    int *number;
    char *letter;
};

enum class ScanOp : unsigned char { End, Blank, Literal, Number, Letter };

struct ScanStep {
    ScanOp op;
    char literal;
};

// A compiled format: never more steps than the format has characters.
template <std::size_t N>
struct ScanFormat {
    ScanStep steps[N];
};

constexpr bool isScanBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Compiles a format of literal characters, blanks, "%d" and "%1s"; nothing else may appear.
template <std::size_t N>
constexpr ScanFormat<N> compileScanFormat(const char (&format)[N])
{
    ScanFormat<N> compiled{};
    std::size_t out = 0;
    for (std::size_t i = 0; i + 1 < N;) {
        if (format[i] == '%' && format[i + 1] == 'd') {
            compiled.steps[out++] = {ScanOp::Number, 0};
            i += 2;
        } else if (format[i] == '%') {
            compiled.steps[out++] = {ScanOp::Letter, 0};  // %1s
            i += 3;
        } else if (isScanBlank(format[i])) {
            compiled.steps[out++] = {ScanOp::Blank, 0};
            while (i + 1 < N && isScanBlank(format[i]))
                ++i;
        } else {
            compiled.steps[out++] = {ScanOp::Literal, format[i++]};
        }
    }
    compiled.steps[out] = {ScanOp::End, 0};
    return compiled;
}

// Scans `line` against the compiled format and answers the number of conversions made before
// the first mismatch or the end of the line, as sscanf does (except that it answers 0, never
// EOF, for an empty line; callers only compare with the full count). What follows the last
// conversion is not examined. A number beyond the 32-bit range is clamped to it, where
// sscanf's behaviour would be undefined.
int scanFormat(const char *line, const ScanStep *format, const ScanTarget *targets);

}  // namespace zentrix

#endif
