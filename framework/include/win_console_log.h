#pragma once
// The log's output channel: the debugger output always, and, when switched on at start-up, the
// log console with a colour per level and an HTML file in the temporary folder.

#include <QByteArray>
#include <QString>

#include <cstdint>

class QFile;
class LogConsole;

class WinConsoleLog
{
public:
    // Output levels.
    enum Level { LevelInfo = 0, LevelWarning = 1, LevelUnused2 = 2, LevelUnused3 = 3, LevelError = 4 };

    WinConsoleLog();
    virtual ~WinConsoleLog();

    WinConsoleLog(const WinConsoleLog &) = delete;
    WinConsoleLog &operator=(const WinConsoleLog &) = delete;

    // Opens the outputs once; a second call only replaces the stored name. strDirectory ends in
    // a separator; the file is "<strDirectory><sep><name>__yyMMdd_hhmmss_log.html", created new
    // and readable by its owner only. When that name exists already (a link included), it is left
    // alone and the file gets the first free name of "..._log_2.html" to "..._log_9.html", or
    // none; a warning says so. Otherwise a console or file that cannot be had stays closed
    // without a word.
    void open(const QString &strDirectory, const QString &strName, bool bConsole, bool bFile);
    // Writes one line to every open output. Nothing happens before open. On the console the
    // line is in its level's colour and the plain attribute is back before its line break.
    void write(int iLevel, const QByteArray &text);
    // Ends the HTML file, gives the console back. Run by the destructor.
    void close();

    // The console's output handle, -1 when there is none.
    std::intptr_t consoleHandle() const;

    bool isOpened() const { return m_bOpened; }
    bool isConsoleOpen() const { return m_bConsoleOpen; }
    bool isFileOpen() const { return m_bFileOpen; }
    QString filePath() const { return m_strFilePath; }
    QString name() const { return m_strName; }

private:
    QString m_strName;
    QFile *m_pFile;
    bool m_bOpened;
    QString m_strFilePath;
    LogConsole *m_pConsole;
    bool m_bConsoleOpen;
    bool m_bFileOpen;
};

// The program's one channel, used by CQTLog.
extern WinConsoleLog g_winConsoleLog;
