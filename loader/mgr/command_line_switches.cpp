#include "command_line_switches.h"

namespace {

bool isSwitch(const QString &strArgument, const char *szSwitch)
{
    return strArgument.compare(QLatin1String(szSwitch), Qt::CaseInsensitive) == 0;
}

} // namespace

CommandLineSwitches parseCommandLineSwitches(const QStringList &arguments)
{
    CommandLineSwitches switches;
    for (const QString &strArgument : arguments) {
        switches.bConsole |= isSwitch(strArgument, "-console");
        switches.bLogFile |= isSwitch(strArgument, "-logfile");
        switches.bNoDb |= isSwitch(strArgument, "-nodb");
        switches.bNoDevice |= isSwitch(strArgument, "-nodevice");
        switches.bReadOnly |= isSwitch(strArgument, "-readonly");
        switches.bDump |= isSwitch(strArgument, "-dump");

        if (!strArgument.contains(QLatin1String("-mpn"), Qt::CaseSensitive))
            continue;
        const QString strValue = strArgument.section(QLatin1Char('='), 1, 1);
        if (!strValue.isEmpty())
            switches.strMpn = strValue;
    }
    return switches;
}
