// The log console on a POSIX terminal: the terminal on standard error, when there is one.
#include "log_console.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

int g_iTerminalOverride = -1;

int terminalCandidate()
{
    return g_iTerminalOverride >= 0 ? g_iTerminalOverride : STDERR_FILENO;
}

void writeAll(int iFd, const char *pData, size_t iSize)
{
    while (iSize > 0) {
        const ssize_t iWritten = ::write(iFd, pData, iSize);
        if (iWritten < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        pData += iWritten;
        iSize -= static_cast<size_t>(iWritten);
    }
}

// Windows colour bits (blue 1, green 2, red 4) to the ANSI colour number (red 1, green 2, blue 4).
int ansiColour(int iBits)
{
    return ((iBits & 4) ? 1 : 0) | ((iBits & 2) ? 2 : 0) | ((iBits & 1) ? 4 : 0);
}

} // namespace

QByteArray ansiForConsoleAttribute(int iAttribute)
{
    if (iAttribute == 0 || iAttribute == 7)
        return QByteArrayLiteral("\033[0m");
    const int iFore = iAttribute & 0x0F;
    const int iBack = (iAttribute >> 4) & 0x0F;
    const int iForeCode = ((iFore & 8) ? 90 : 30) + ansiColour(iFore & 7);
    const int iBackCode = ((iBack & 8) ? 100 : 40) + ansiColour(iBack & 7);
    return "\033[0;" + QByteArray::number(iForeCode) + ';' + QByteArray::number(iBackCode) + 'm';
}

void LogConsole::setTerminalForTesting(int iFd)
{
    g_iTerminalOverride = iFd;
}

LogConsole::LogConsole() : m_iHandle(-1), m_bNew(false), m_bConsoleDevice(false) {}

LogConsole::~LogConsole() = default;

bool LogConsole::open(const QString &strTitle, bool /*bRemoveClose: a terminal has no Close item of ours*/)
{
    if (m_iHandle >= 0)
        return false;
    // A terminal cannot be conjured up for a process started without one; the console output
    // then simply stays closed.
    const int iFd = terminalCandidate();
    if (!isatty(iFd))
        return false;
    m_bNew = false;
    m_bConsoleDevice = true;
    m_iHandle = iFd;
    if (!strTitle.isEmpty()) {
        const QByteArray title = "\033]0;" + strTitle.toLocal8Bit() + '\007';
        writeAll(static_cast<int>(m_iHandle), title.constData(), static_cast<size_t>(title.size()));
    }
    return true;
}

void LogConsole::setTextAttribute(int iAttribute)
{
    if (m_iHandle < 0)
        return;
    const QByteArray sequence = ansiForConsoleAttribute(iAttribute);
    writeAll(static_cast<int>(m_iHandle), sequence.constData(), static_cast<size_t>(sequence.size()));
}

void LogConsole::writeText(const char *szText)
{
    if (m_iHandle < 0)
        return;
    if (szText == nullptr)
        szText = "\n";
    writeAll(static_cast<int>(m_iHandle), szText, std::strlen(szText));
}

void LogConsole::free()
{
    if (m_iHandle < 0)
        return;
    // The terminal outlives us: hand it back in its own colours.
    setTextAttribute(7);
    m_iHandle = -1;
}
