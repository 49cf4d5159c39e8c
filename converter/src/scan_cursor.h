// Matches a KMC line the way C's formatted input (sscanf) matches it against a format made of
// literal characters, blanks, %d and %1s, one directive at a time. Every call answers whether
// its directive matched; the parser chains them with && and needs only "all matched", since
// it compares sscanf's conversion count with the full count of its format.
#ifndef ZENTRIX_SCAN_CURSOR_H
#define ZENTRIX_SCAN_CURSOR_H

#include <cstdint>

namespace zentrix {

// White space as the C locale's isspace knows it: blank, \t, \n, \v, \f, \r.
inline bool isScanBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

class ScanCursor {
public:
    explicit ScanCursor(const char *line) : at_(line) {}

    // Literal text; a blank in `text` matches any run of white space in the line, none
    // included, as a blank in a scanf format does.
    bool literal(const char *text)
    {
        while (*text) {
            if (isScanBlank(*text)) {
                while (isScanBlank(*text))
                    ++text;
                skipBlanks();
            } else if (*at_ == *text) {
                ++at_;
                ++text;
            } else {
                return false;
            }
        }
        return true;
    }

    // %d: leading white space, an optional sign, at least one decimal digit. A value beyond the
    // 32-bit range is clamped to it, where sscanf's behaviour would be undefined.
    bool number(int32_t &out)
    {
        skipBlanks();
        const char *s = at_;
        const bool negative = *s == '-';
        if (*s == '-' || *s == '+')
            ++s;
        unsigned digit = unsigned(*s - '0');
        if (digit > 9)
            return false;
        // Past 2^31 the value only saturates; the remaining digits are still consumed.
        const uint32_t ceiling = uint32_t(INT32_MAX) + 1;
        uint64_t magnitude = 0;
        do {
            magnitude = magnitude * 10 + digit;
            if (magnitude > ceiling)
                magnitude = ceiling;
            ++s;
        } while ((digit = unsigned(*s - '0')) <= 9);
        at_ = s;
        if (negative)
            out = int32_t(-int64_t(magnitude));
        else
            out = magnitude > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(magnitude);
        return true;
    }

    // %1s: leading white space, then exactly one character that is not white space.
    bool letter(char &out)
    {
        skipBlanks();
        if (*at_ == '\0')
            return false;
        out = *at_++;
        return true;
    }

private:
    void skipBlanks()
    {
        while (isScanBlank(*at_))
            ++at_;
    }

    const char *at_;
};

}  // namespace zentrix

#endif
