#include "scan_format.h"

#include <cstdint>

namespace zentrix {

// White space as the C locale's isspace knows it: blank, \t, \n, \v, \f, \r.
static inline bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

static inline const char *skipBlanks(const char *s)
{
    while (isBlank(*s))
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

int scanFormat(const char *line, const char *format, const ScanTarget *targets)
{
    const char *s = line;
    int conversions = 0;
    for (const char *f = format; *f;) {
        if (*f == '%') {
            // Only %d and %1s occur in the formats of this library.
            s = skipBlanks(s);
            if (f[1] == 'd') {
                s = scanNumber(s, targets[conversions].number);
                if (!s)
                    return conversions;
                f += 2;
            } else {
                if (*s == '\0')
                    return conversions;
                *targets[conversions].letter = *s++;
                f += 3;
            }
            ++conversions;
        } else if (isBlank(*f)) {
            while (isBlank(*f))
                ++f;
            s = skipBlanks(s);
        } else {
            if (*s != *f)
                return conversions;
            ++s;
            ++f;
        }
    }
    return conversions;
}

}  // namespace zentrix
