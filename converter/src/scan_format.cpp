#include "scan_format.h"

#include <cstdint>

namespace zentrix {

static inline const char *skipBlanks(const char *s)
{
    while (isScanBlank(*s))
        ++s;
    return s;
}

// %d: optional sign, then at least one decimal digit. Answers null when no number starts here.
static inline const char *scanNumber(const char *s, int *out)
{
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = *s == '-';
        ++s;
    }
    unsigned digit = unsigned(*s - '0');
    if (digit > 9)
        return nullptr;
    // Past 2^31 the value only saturates; the remaining digits are still consumed.
    const uint64_t ceiling = uint64_t(INT32_MAX) + 1;
    uint64_t magnitude = 0;
    do {
        magnitude = magnitude * 10 + digit;
        ++s;
        if (magnitude >= ceiling) {
            magnitude = ceiling;
            while (unsigned(*s - '0') <= 9)
                ++s;
            break;
        }
    } while ((digit = unsigned(*s - '0')) <= 9);
    int64_t value = negative ? -int64_t(magnitude) : int64_t(magnitude);
    if (value > INT32_MAX)
        value = INT32_MAX;
    *out = static_cast<int>(value);
    return s;
}

int scanFormat(const char *line, const ScanStep *format, const ScanTarget *targets)
{
    const char *s = line;
    int conversions = 0;
    for (const ScanStep *step = format;; ++step) {
        switch (step->op) {
        case ScanOp::End:
            return conversions;
        case ScanOp::Blank:
            s = skipBlanks(s);
            break;
        case ScanOp::Literal:
            if (*s != step->literal)
                return conversions;
            ++s;
            break;
        case ScanOp::Number:
            s = scanNumber(skipBlanks(s), targets[conversions].number);
            if (!s)
                return conversions;
            ++conversions;
            break;
        case ScanOp::Letter:
            s = skipBlanks(s);
            if (*s == '\0')
                return conversions;
            *targets[conversions++].letter = *s++;
            break;
        }
    }
}

}  // namespace zentrix
