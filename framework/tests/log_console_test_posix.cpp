// The log console on POSIX: the terminal on standard error, its title and colours.
#include "log_channel_test.h"

#include <QCoreApplication>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

using TerminalConsole = LogChannelTest;

TEST_F(TerminalConsole, TerminalBecomesTheConsoleWithTitleAndColours)
{
    // No terminal and no folder: neither console nor file, the debugger output still works.
    int iPipe[2];
    ASSERT_EQ(pipe(iPipe), 0);
    LogConsole::setTerminalForTesting(iPipe[1]);
    WinConsoleLog channel;
    channel.open(strDir + "missing/"_q, "X"_q, true, true);
    EXPECT_TRUE(channel.isOpened() && !channel.isConsoleOpen() && !channel.isFileOpen() && channel.consoleHandle() == -1);
    EXPECT_TRUE(CQTSingleton<CQTLog>::instance()->forwardToQt());
    channel.write(1, "line");
    EXPECT_EQ(debuggerLines, QList<QByteArray>{"line"});
    channel.close();

    // The terminal goes on descriptor 0, the lowest a console handle can be.
    int iMaster = -1, iSlave = -1;
    termios raw {};
    cfmakeraw(&raw);
    ASSERT_EQ(openpty(&iMaster, &iSlave, nullptr, &raw, nullptr), 0);
    // The terminal hands the bytes over in its own time: wait for as many as are expected.
    const auto drain = [iMaster](const char *szExpected) {
        QByteArray all;
        pollfd fd{iMaster, POLLIN, 0};
        for (char c; all.size() < static_cast<int>(qstrlen(szExpected)) && poll(&fd, 1, 2000) > 0 && read(iMaster, &c, 1) == 1;)
            all += c;
        return all;
    };
    const int iStdin = dup(0);
    dup2(iSlave, 0);
    LogConsole::setTerminalForTesting(0);
    LogConsole console;
    EXPECT_TRUE(console.open(QString(), false));
    EXPECT_FALSE(console.open(QString(), false)) << "a console is held already";
    QCoreApplication::setApplicationName("Trevik Tool"_q);
    channel.open(strDir, "Trevik Tool"_q, true, false);
    ASSERT_TRUE(channel.isConsoleOpen() && channel.consoleHandle() == 0);
    // The terminal shows Qt's output already: forwarding stops so lines are not doubled.
    EXPECT_FALSE(CQTSingleton<CQTLog>::instance()->forwardToQt());
    EXPECT_EQ(drain("\033]0;Trevik Tool debug Log\007\033[0m"), "\033]0;Trevik Tool debug Log\007\033[0m");
    // Each line leaves the terminal in its own colours, so a killed process leaves no colour.
    const char *const lines[][2] = {{"[I]: info \xe9", "\033[0;97;40m[I]: info \xe9\033[0m\n"}, {"[W]: warn", "\033[0;93;40m[W]: warn\033[0m\n"},
                                    {"two", "\033[0;97;40mtwo\033[0m\n"}, {"three", "\033[0;91;40mthree\033[0m\n"},
                                    {"[E]: err", "\033[0;97;101m[E]: err\033[0m\n"}};
    for (int iLevel = 0; iLevel < 5; ++iLevel) {
        channel.write(iLevel, lines[iLevel][0]);
        EXPECT_EQ(drain(lines[iLevel][1]), lines[iLevel][1]) << iLevel;
    }
    channel.close();
    EXPECT_EQ(drain("\033[0m"), "\033[0m");
    EXPECT_EQ(channel.consoleHandle(), -1);
    dup2(iStdin, 0);
    for (const int iFd : {iStdin, iSlave, iMaster, iPipe[0], iPipe[1]})
        close(iFd);
    // The other colour bits; the log's own levels are above.
    for (const auto &a : {std::make_pair(0x00, "\033[0m"), {0x07, "\033[0m"}, {0x01, "\033[0;34;40m"}, {0x12, "\033[0;32;44m"}})
        EXPECT_EQ(ansiForConsoleAttribute(a.first), a.second) << a.first;
}

} // namespace
