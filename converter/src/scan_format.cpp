#include "scan_format.h"

#include <cstdint>

namespace zentrix {

// White space as the C locale's isspace knows it.
static bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static const char *skipBlanks(const char *s)
{
    while (isBlank(*s))
        ++s;
    return s;
}

// %d: optional sign, then at least one decimal digit. Answers null when no number starts here.
static const char *scanNumber(const char *s, int *out)
{
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = *s == '-';
        ++s;
    }
    if (*s < '0' || *s > '9')
        return nullptr;
    // Accumulate the magnitude with a ceiling just past the 32-bit range, so long digit runs
    // cannot overflow and still clamp correctly.
    const int64_t ceiling = int64_t(INT32_MAX) + 1;
    int64_t magnitude = 0;
    while (*s >= '0' && *s <= '9') {
        if (magnitude < ceiling)
            magnitude = magnitude * 10 + (*s - '0');
        ++s;
    }
    if (magnitude > ceiling)
        magnitude = ceiling;
    int64_t value = negative ? -magnitude : magnitude;
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
        if (isBlank(*f)) {
            while (isBlank(*f))
                ++f;
            s = skipBlanks(s);
            continue;
        }
        if (f[0] == '%' && f[1] == 'd') {
            s = scanNumber(skipBlanks(s), targets[conversions].number);
            if (!s)
                return conversions;
            ++conversions;
            f += 2;
            continue;
        }
        if (f[0] == '%' && f[1] == '1' && f[2] == 's') {
            s = skipBlanks(s);
            if (*s == '\0')
                return conversions;
            *targets[conversions].letter = *s++;
            ++conversions;
            f += 3;
            continue;
        }
        if (*s != *f)
            return conversions;
        ++s;
        ++f;
    }
    return conversions;
}

}  // namespace zentrix
