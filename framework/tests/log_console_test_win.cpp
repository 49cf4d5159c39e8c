// The log console on Windows: a console of the program's own (title, a colour per line, the text
// on the screen, given back at the end), or the one the process has.
#include "log_channel_test.h"

#include <QCoreApplication>

#include <cstdio>

#include <io.h>
#include <windows.h>

namespace {

struct WindowsConsole : LogChannelTest
{
    void SetUp() override
    {
        LogChannelTest::SetUp();
        // A new console takes over the C runtime's output: the test runner's is kept to give back.
        std::fflush(stdout);
        std::fflush(stderr);
        iSavedOut = _dup(1);
        iSavedErr = _dup(2);
        hSavedOut = GetStdHandle(STD_OUTPUT_HANDLE);
        hSavedErr = GetStdHandle(STD_ERROR_HANDLE);
        // The program starts without a console, as the GUI program does.
        FreeConsole();
    }
    void TearDown() override
    {
        LogChannelTest::TearDown();
        FreeConsole();
        std::fflush(stdout);
        std::fflush(stderr);
        _dup2(iSavedOut, 1);
        _dup2(iSavedErr, 2);
        _close(iSavedOut);
        _close(iSavedErr);
        SetStdHandle(STD_OUTPUT_HANDLE, hSavedOut);
        SetStdHandle(STD_ERROR_HANDLE, hSavedErr);
    }
    int iSavedOut = -1, iSavedErr = -1;
    HANDLE hSavedOut = nullptr, hSavedErr = nullptr;
};

bool hasConsole()
{
    return GetConsoleWindow() != nullptr || GetConsoleCP() != 0;
}

TEST_F(WindowsConsole, NewConsoleShowsEveryLineInItsLevelsColour)
{
    QCoreApplication::setApplicationName("Trevik Tool"_q);
    WinConsoleLog channel;
    channel.open(strDir, "Trevik Tool"_q, true, false);
    ASSERT_TRUE(channel.isConsoleOpen());
    const HANDLE hOut = reinterpret_cast<HANDLE>(channel.consoleHandle());
    EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), hOut) << "printf and Qt's output go there too";
    EXPECT_TRUE(CQTSingleton<CQTLog>::instance()->forwardToQt()) << "a new console shows nothing of Qt's output by itself";
    wchar_t szTitle[256] = {};
    GetConsoleTitleW(szTitle, 256);
    EXPECT_EQ(QString::fromWCharArray(szTitle), "Trevik Tool debug Log"_q);

    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(hOut, &info));
    const SHORT iFirstRow = info.dwCursorPosition.Y;
    const WORD kAttributes[] = {0x0F, 0x0E, 0x0F, 0x0C, 0xCF};
    const char *const kLines[] = {"[I]: info \xe9", "[W]: warn", "two", "three", "[E]: err"};
    for (int iLevel = 0; iLevel < 5; ++iLevel)
        channel.write(iLevel, kLines[iLevel]);
    for (int iLevel = 0; iLevel < 5; ++iLevel) { // what the row shows, and the colour of its first character
        const COORD at{0, static_cast<SHORT>(iFirstRow + iLevel)};
        QByteArray text(static_cast<int>(qstrlen(kLines[iLevel])), '\0');
        DWORD iRead = 0, iAttributesRead = 0;
        WORD iAttribute = 0;
        ReadConsoleOutputCharacterA(hOut, text.data(), static_cast<DWORD>(text.size()), at, &iRead);
        ReadConsoleOutputAttribute(hOut, &iAttribute, 1, at, &iAttributesRead);
        EXPECT_EQ(text.left(static_cast<int>(iRead)), QByteArray(kLines[iLevel])) << iLevel;
        EXPECT_EQ(iAttribute, kAttributes[iLevel]) << iLevel;
    }
    ASSERT_TRUE(GetConsoleScreenBufferInfo(hOut, &info));
    EXPECT_EQ(info.wAttributes, 7) << "plain again after every line";
    EXPECT_EQ(info.dwCursorPosition.Y, iFirstRow + 5);
    EXPECT_EQ(debuggerLines.size(), 5);

    channel.close();
    EXPECT_EQ(channel.consoleHandle(), -1);
    EXPECT_FALSE(hasConsole()) << "the console of the log's making is given back";
}

TEST_F(WindowsConsole, ConsoleTheProcessHasIsUsedAndKept)
{
    ASSERT_TRUE(AllocConsole());
    const HANDLE hOwn = GetStdHandle(STD_OUTPUT_HANDLE);
    LogConsole console;
    ASSERT_TRUE(console.open("kept"_q, false));
    EXPECT_FALSE(console.isNew());
    EXPECT_EQ(reinterpret_cast<HANDLE>(console.handle()), hOwn);
    EXPECT_FALSE(console.open("again"_q, false)) << "a console is held already";
    console.setTextAttribute(0x1E);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(hOwn, &info)) { // a console output, not redirected
        EXPECT_EQ(info.wAttributes, 0x1E);
    }
    console.free();
    EXPECT_EQ(console.handle(), -1);
    EXPECT_TRUE(hasConsole()) << "the process's own console outlives the log";
    if (GetConsoleScreenBufferInfo(hOwn, &info)) {
        EXPECT_EQ(info.wAttributes, 7) << "handed back in its own colours";
    }

    // The log does not repeat Qt's output in a console that shows it already.
    WinConsoleLog channel;
    channel.open(strDir, "X"_q, true, false);
    EXPECT_TRUE(channel.isConsoleOpen());
    EXPECT_FALSE(CQTSingleton<CQTLog>::instance()->forwardToQt());
    channel.close();
}

TEST_F(WindowsConsole, CloseItemRemovedOnRequest)
{
    LogConsole console;
    ASSERT_TRUE(console.open("no close"_q, true));
    const HWND hWindow = GetConsoleWindow();
    ASSERT_NE(hWindow, nullptr) << "a console window (needs a display)";
    EXPECT_EQ(GetMenuState(GetSystemMenu(hWindow, FALSE), SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
    console.free();
    EXPECT_FALSE(hasConsole());
}

} // namespace
