// The log console on Windows: a console of the process's own making, or the one it has.
#include "log_console.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include <windows.h>

namespace {

const std::intptr_t kClosed = -1;
const WORD kDefaultAttribute = 7;

HANDLE handleOf(std::intptr_t iHandle)
{
    return reinterpret_cast<HANDLE>(iHandle);
}

// Writes all of the text: a console takes it with WriteConsoleA, a redirected output (a pipe or
// a file, as under a test runner) as a file.
void writeAll(HANDLE hOut, bool bConsoleDevice, const char *pData, size_t iSize)
{
    while (iSize > 0) {
        const DWORD iChunk = iSize > 0x10000 ? 0x10000 : static_cast<DWORD>(iSize);
        DWORD iWritten = 0;
        const BOOL bOk = bConsoleDevice ? WriteConsoleA(hOut, pData, iChunk, &iWritten, nullptr)
                                        : WriteFile(hOut, pData, iChunk, &iWritten, nullptr);
        if (!bOk || iWritten == 0)
            return;
        pData += iWritten;
        iSize -= iWritten;
    }
}

// The console window's Close item would end the whole process without a word; without it the
// operator closes the program's own window instead.
void removeCloseItem()
{
    const HWND hWindow = GetConsoleWindow();
    if (hWindow == nullptr)
        return;
    const HMENU hMenu = GetSystemMenu(hWindow, FALSE);
    if (hMenu != nullptr && DeleteMenu(hMenu, SC_CLOSE, MF_BYCOMMAND))
        DrawMenuBar(hWindow);
}

} // namespace

QByteArray ansiForConsoleAttribute(int iAttribute)
{
    // A Windows console takes the attributes themselves; the escape text is for terminals.
    if (iAttribute == 0 || iAttribute == 7)
        return QByteArrayLiteral("\033[0m");
    const auto ansiColour = [](int iBits) { return ((iBits & 4) ? 1 : 0) | ((iBits & 2) ? 2 : 0) | ((iBits & 1) ? 4 : 0); };
    const int iFore = iAttribute & 0x0F;
    const int iBack = (iAttribute >> 4) & 0x0F;
    return "\033[0;" + QByteArray::number(((iFore & 8) ? 90 : 30) + ansiColour(iFore & 7)) + ';'
           + QByteArray::number(((iBack & 8) ? 100 : 40) + ansiColour(iBack & 7)) + 'm';
}

void LogConsole::setTerminalForTesting(int)
{
    // A Windows console is not a descriptor: tests make or free the process's console instead.
}

LogConsole::LogConsole() : m_iHandle(kClosed), m_bNew(false), m_bConsoleDevice(false) {}

LogConsole::~LogConsole() = default;

bool LogConsole::open(const QString &strTitle, bool bRemoveClose)
{
    if (m_iHandle != kClosed)
        return false;
    HANDLE hOut = INVALID_HANDLE_VALUE;
    if (AllocConsole()) {
        m_bNew = true;
        hOut = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (hOut == INVALID_HANDLE_VALUE || !SetConsoleMode(hOut, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT)) {
            // A console that cannot be written is given back rather than left standing empty.
            if (hOut != INVALID_HANDLE_VALUE)
                CloseHandle(hOut);
            FreeConsole();
            return false;
        }
        // printf and Qt's own output of a GUI program go to the new console too.
        std::FILE *pStream = nullptr;
        (void)freopen_s(&pStream, "CONIN$", "r", stdin);
        (void)freopen_s(&pStream, "CONOUT$", "w", stdout);
        (void)freopen_s(&pStream, "CONOUT$", "w", stderr);
        SetStdHandle(STD_OUTPUT_HANDLE, hOut);
        SetStdHandle(STD_ERROR_HANDLE, hOut);
    } else {
        // The process has a console already (or its output is redirected): write there.
        m_bNew = false;
        hOut = GetStdHandle(STD_OUTPUT_HANDLE);
        if (hOut == nullptr || hOut == INVALID_HANDLE_VALUE)
            return false;
    }
    DWORD iMode = 0;
    m_bConsoleDevice = GetConsoleMode(hOut, &iMode) != 0;
    m_iHandle = reinterpret_cast<std::intptr_t>(hOut);
    if (bRemoveClose)
        removeCloseItem();
    if (!strTitle.isEmpty())
        SetConsoleTitleW(reinterpret_cast<const wchar_t *>(strTitle.utf16()));
    return true;
}

void LogConsole::setTextAttribute(int iAttribute)
{
    if (m_iHandle == kClosed || !m_bConsoleDevice)
        return;
    SetConsoleTextAttribute(handleOf(m_iHandle), iAttribute == 0 ? kDefaultAttribute : static_cast<WORD>(iAttribute));
}

void LogConsole::writeText(const char *szText)
{
    if (m_iHandle == kClosed)
        return;
    if (szText == nullptr)
        szText = "\n";
    writeAll(handleOf(m_iHandle), m_bConsoleDevice, szText, std::strlen(szText));
}

void LogConsole::free()
{
    if (m_iHandle == kClosed)
        return;
    if (m_bNew) {
        // The console of our making goes away with its handle.
        SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
        SetStdHandle(STD_ERROR_HANDLE, nullptr);
        CloseHandle(handleOf(m_iHandle));
        FreeConsole();
    } else {
        // The process's own console outlives the log: hand it back in its own colours.
        setTextAttribute(kDefaultAttribute);
    }
    m_iHandle = kClosed;
}
