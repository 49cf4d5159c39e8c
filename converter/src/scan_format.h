// The subset of C's formatted input (sscanf) that KMC lines are matched with: literal
// characters, blanks (any run of white space, none included), %d and %1s. No other
// directive may appear in a format.
#ifndef ZENTRIX_SCAN_FORMAT_H
#define ZENTRIX_SCAN_FORMAT_H

namespace zentrix {

// Where one conversion goes: an int for %d, a char for %1s. The format decides which.
union ScanTarget {
    int *number;
    char *letter;
};

// Scans `line` against `format` and answers the number of conversions made before the first
// mismatch or the end of the line, as sscanf does (except that it answers 0, never EOF, for an
// empty line; callers only compare with the full count). What follows the last conversion is
// not examined. A number beyond the 32-bit range is clamped to it, where sscanf's behaviour
// would be undefined.
int scanFormat(const char *line, const char *format, const ScanTarget *targets);

}  // namespace zentrix

#endif
