// The command-line switch rules.
#include "command_line_switches.h"

#include <gtest/gtest.h>

namespace {

struct SwitchCase
{
    const char *szName;
    QStringList arguments; // after the program path
    CommandLineSwitches expected;
};

CommandLineSwitches flags(bool bConsole, bool bLogFile, bool bNoDb, bool bNoDevice, bool bReadOnly, bool bDump, const char *szMpn = "")
{
    CommandLineSwitches s;
    s.bConsole = bConsole;
    s.bLogFile = bLogFile;
    s.bNoDb = bNoDb;
    s.bNoDevice = bNoDevice;
    s.bReadOnly = bReadOnly;
    s.bDump = bDump;
    s.strMpn = QString::fromLatin1(szMpn);
    return s;
}

const CommandLineSwitches kNone = flags(false, false, false, false, false, false);

class SwitchTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(SwitchTest, ParsesLikeTheProgram)
{
    const SwitchCase &c = GetParam();
    const CommandLineSwitches got = parseCommandLineSwitches(QStringList{QStringLiteral("/opt/trevik/Trevik")} + c.arguments);
    EXPECT_EQ(got.bConsole, c.expected.bConsole);
    EXPECT_EQ(got.bLogFile, c.expected.bLogFile);
    EXPECT_EQ(got.bNoDb, c.expected.bNoDb);
    EXPECT_EQ(got.bNoDevice, c.expected.bNoDevice);
    EXPECT_EQ(got.bReadOnly, c.expected.bReadOnly);
    EXPECT_EQ(got.bDump, c.expected.bDump);
    EXPECT_EQ(got.strMpn.toStdString(), c.expected.strMpn.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SwitchTest,
    ::testing::Values(
        SwitchCase{"nothing", {}, kNone},
        SwitchCase{"everyFlag",
                   {"-console", "-logfile", "-nodb", "-nodevice", "-readonly", "-dump"},
                   flags(true, true, true, true, true, true)},
        SwitchCase{"twiceIsOnce", {"-console", "-console"}, flags(true, false, false, false, false, false)},
        SwitchCase{"capitals", {"-CONSOLE", "-LogFile", "-NoDevice"}, flags(true, true, false, true, false, false)},
        SwitchCase{"wholeArgumentOnly", {"-console=1", "--console", "-consoles", "console", "x-nodb"}, kNone},
        SwitchCase{"mpnValue", {"-mpn=ABC-123"}, flags(false, false, false, false, false, false, "ABC-123")},
        SwitchCase{"mpnWithoutEquals", {"-mpn"}, kNone},
        SwitchCase{"mpnEmptyValue", {"-mpn="}, kNone},
        SwitchCase{"mpnUpToNextEquals", {"-mpn=a=b"}, flags(false, false, false, false, false, false, "a")},
        SwitchCase{"mpnAnywhereInTheArgument", {"x-mpn=abc"}, flags(false, false, false, false, false, false, "abc")},
        SwitchCase{"mpnCapitalsIgnored", {"-MPN=abc", "-Mpn=abc"}, kNone},
        SwitchCase{"mpnLastNonEmptyWins", {"-mpn=a", "-nodb", "-mpn=b", "-mpn=", "-mpn"},
                   flags(false, false, true, false, false, false, "b")},
        SwitchCase{"mpnIsNoFlagSwitch", {"-mpn=-console"}, flags(false, false, false, false, false, false, "-console")}),
    [](const ::testing::TestParamInfo<SwitchCase> &info) { return std::string(info.param.szName); });

} // namespace
