#pragma once
// Platform service: the console window of the log.
//
// On Windows the console is a new one of the process (AllocConsole) or, when the process has one
// already, that one; text attributes are the console's own (foreground bits 0..3, background
// bits 4..7, each as blue, green, red, intensity).
// On Linux the console is the terminal on standard error, when there is one: it counts as the
// process's own console (never a new one), its title is set with the terminal's title escape,
// and the text attributes turn into ANSI colours. Without a terminal open fails.

#include <QByteArray>
#include <QString>

#include <cstdint>

class LogConsole
{
public:
    LogConsole();
    ~LogConsole();

    LogConsole(const LogConsole &) = delete;
    LogConsole &operator=(const LogConsole &) = delete;

    // Fails when a console is held already or none can be had. bRemoveClose asks to remove
    // the console window's Close item (nothing to remove on a terminal).
    bool open(const QString &strTitle, bool bRemoveClose);
    // True when the console was created for this process rather than found.
    bool isNew() const { return m_bNew; }
    // The output handle (a file descriptor on POSIX, a console HANDLE on Windows), -1 when closed.
    std::intptr_t handle() const { return m_iHandle; }

    // Attribute 0 means 7, the console's default.
    void setTextAttribute(int iAttribute);
    // Writes the text up to its first zero byte; a null text writes one "\n".
    void writeText(const char *szText);
    // Gives the console back (a console made by open goes away); the handle becomes -1.
    void free();

    // Test seam (POSIX): the descriptor that open examines instead of standard error (-1
    // restores it).
    static void setTerminalForTesting(int iFd);

private:
    std::intptr_t m_iHandle;
    bool m_bNew;
    // Windows: whether the handle is a console's (a redirected output is written as a file).
    bool m_bConsoleDevice;
};

// ANSI escape sequence for a Windows console text attribute (7 and 0 reset to the terminal's
// own colours).
QByteArray ansiForConsoleAttribute(int iAttribute);
