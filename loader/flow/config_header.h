#ifndef TREVIK_CONFIG_HEADER_H
#define TREVIK_CONFIG_HEADER_H

#include <QString>

class QIODevice;

// The three informative header fields of a KMC file as the window shows them. The conversion
// library ignores these lines; nothing here is validated, only cut out of the text.
struct ConfigHeader
{
    QString strName;
    QString strDescription;
    QString strDate;
};

// Applies one line (without its line ending) to the header.
// A line that begins with "Name", "Description" or "Date and" (tested in that order,
// case-sensitive, at the start only) targets that field; its value is the text between the
// first and the second "=" (or to the end of the line) with every double quote removed and
// blanks kept. A targeted line without "=" is ignored; any other line changes nothing.
// A later line for the same field replaces the earlier value.
void applyConfigHeaderLine(const QString& strLine, ConfigHeader& header);

// Reads every line of an open device, decoded with the local 8-bit encoding, LF or CR LF
// endings removed, and applies each. Reading stops at the end of the device.
ConfigHeader readConfigHeaderLines(QIODevice& device);

#endif
