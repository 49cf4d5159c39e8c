// The command-line switch rules.
#include "command_line_switches.h"

#include <gtest/gtest.h>

namespace {

// The switches found, as "console logfile nodb nodevice readonly dump mpn=<value>".
std::string found(const CommandLineSwitches &s)
{
    QStringList names;
    for (const auto &flag : {std::make_pair(s.bConsole, "console"), {s.bLogFile, "logfile"}, {s.bNoDb, "nodb"},
                             {s.bNoDevice, "nodevice"}, {s.bReadOnly, "readonly"}, {s.bDump, "dump"}})
        names << (flag.first ? QString::fromLatin1(flag.second) : QString());
    names << (s.strMpn.isEmpty() ? QString() : "mpn=" + s.strMpn);
    return names.join(' ').simplified().toStdString();
}

TEST(CommandLineSwitches, WholeFlagsInAnyCaseAndTheLastNonEmptyMpnValue)
{
    const std::pair<const char *, const char *> cases[] = {
        {"", ""}, {"-console -logfile -nodb -nodevice -readonly -dump", "console logfile nodb nodevice readonly dump"},
        {"-console -console", "console"}, {"-CONSOLE -LogFile -NoDevice", "console logfile nodevice"},
        {"-console=1 --console -consoles console x-nodb", ""}, {"-mpn=ABC-123", "mpn=ABC-123"}, {"-mpn", ""}, {"-mpn=", ""},
        {"-mpn=a=b", "mpn=a"}, {"x-mpn=abc", "mpn=abc"}, {"-MPN=abc -Mpn=abc", ""}, {"-mpn=a -nodb -mpn=b -mpn= -mpn", "nodb mpn=b"},
        {"-mpn=-console", "mpn=-console"}};
    for (const auto &c : cases) {
        const QStringList arguments = QStringList("/opt/trevik/Trevik") + QString::fromLatin1(c.first).split(' ', Qt::SkipEmptyParts);
        EXPECT_EQ(found(parseCommandLineSwitches(arguments)), c.second) << c.first;
    }
}

} // namespace
