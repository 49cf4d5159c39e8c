#pragma once
// The program's command-line switches, read from an argument list (program path first).
//
// Flag switches ("-console", "-logfile", "-nodb", "-nodevice", "-readonly", "-dump") count
// only when one argument equals them as a whole, letter case ignored. For "-mpn", every
// argument that contains "-mpn" anywhere (lower case only) is examined in order; its value is
// the text after the first "=" up to the next "=" or the end, and the last non-empty value wins.
// Everything else is ignored.

#include <QString>
#include <QStringList>

struct CommandLineSwitches
{
    bool bConsole = false;
    bool bLogFile = false;
    bool bNoDb = false;
    bool bNoDevice = false;
    bool bReadOnly = false;
    bool bDump = false;
    QString strMpn; // empty when no -mpn argument carried a value
};

CommandLineSwitches parseCommandLineSwitches(const QStringList &arguments);
