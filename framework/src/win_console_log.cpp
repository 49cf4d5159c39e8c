#include "win_console_log.h"

#include "cqt_log.h"
#include "debugger_output.h"
#include "log_console.h"
#include "private_file.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QThread>

namespace {

const char *const kHtmlHead =
    "<head>\r\n<style>html body { font-family: Arial, Verdana, Helvetica, sans-serif; font-size: 14px; "
    "text-align:left; padding:0px; margin:0px;}\r\n"
    " \t\t\t\t\t\t\t\ttr.info{font-family:Verdana,Arial, Helvetica, sans-serif;color:#000000;font-size:14px;}\r\n"
    " \t\t\t\t\t\t\t\ttr.warning{font-family:Verdana,Arial, Helvetica, sans-serif;color:#ea792f;font-size:14px;}\r\n"
    " \t\t\t\t\t\t\t\ttr.error{font-family:Verdana,Arial, Helvetica, sans-serif;color:#FF0000;font-size:14px;"
    "font-weight:bold;}</style>\r\n<head>\r\n";
const char *const kTableStart = "<body>\r\n<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">\r\n";
const char *const kHtmlEnd = "</table></body></html>";

const int kConsoleDefaultAttribute = 7;
// The HTML file's name is predictable and its folder shared: when the name is taken (a second
// start in the same second, or something planted) the file goes under "..._log_2.html" and so
// on up to this suffix, then the program runs without it. The bound keeps a folder full of
// planted names from holding up the start.
const int kLastLogNameSuffix = 9;
const char *const kSourceFile = "src\\winconsolelog";
const unsigned long kConsoleReleaseDelayMs = 1000;

struct LevelStyle
{
    int iAttribute;
    const char *szCell;
};

// Index = output level. The red cells spell "coloe" (a browser ignores it and keeps black):
// the rows are part of the log's fixed format, which log readers match byte for byte.
const LevelStyle kLevelStyles[] = {
    {0x0F, "<td><span style=\"color:black;\">"},
    {0x0E, "<td><span style=\"background-color:yellow; color:black;\">"},
    {0x0F, "<td><span style=\"color:black;\">"},
    {0x0C, "<td><span style=\"background-color:red; coloe:black\">"},
    {0xCF, "<td><span style=\"background-color:red; coloe:black\">"},
};

const LevelStyle &styleOf(int iLevel)
{
    const int iCount = static_cast<int>(sizeof(kLevelStyles) / sizeof(kLevelStyles[0]));
    // Out-of-range levels are written like the nearest defined one rather than read past the table.
    return kLevelStyles[qBound(0, iLevel, iCount - 1)];
}

} // namespace

WinConsoleLog g_winConsoleLog;

WinConsoleLog::WinConsoleLog()
    : m_pFile(nullptr), m_bOpened(false), m_pConsole(nullptr), m_bConsoleOpen(false), m_bFileOpen(false)
{
}

WinConsoleLog::~WinConsoleLog()
{
    close();
}

void WinConsoleLog::open(const QString &strDirectory, const QString &strName, bool bConsole, bool bFile)
{
    m_strName = strName;
    if (m_bOpened)
        return;

    const QString strStem = QStringLiteral("%1%2%3_%4_log")
                                .arg(strDirectory, QDir::separator(), strName,
                                     QDateTime::currentDateTime().toString(QStringLiteral("_yyMMdd_hhmmss")));
    m_strFilePath = strStem + QStringLiteral(".html");

    if (bConsole) {
        m_pConsole = new LogConsole;
        m_bConsoleOpen = m_pConsole->open(QStringLiteral("%1 debug Log").arg(QCoreApplication::applicationName()), false);
        if (m_bConsoleOpen) {
            m_pConsole->setTextAttribute(kConsoleDefaultAttribute);
            // Qt's own output already lands in a console the process had before: do not
            // show every line twice there.
            if (!m_pConsole->isNew())
                CQTSingleton<CQTLog>::instance()->setForwardToQt(false);
        }
    }

    QString strTakenWarning;
    if (bFile) {
        m_pFile = new QFile;
        // An existing name is skipped, never opened: whatever is there stays as it is.
        QString strPath = m_strFilePath;
        bool bTaken = false;
        int iSuffix = 1;
        for (;;) {
            m_bFileOpen = openNewPrivateFile(*m_pFile, strPath, &bTaken);
            if (m_bFileOpen || !bTaken || iSuffix == kLastLogNameSuffix)
                break;
            strPath = strStem + QStringLiteral("_%1.html").arg(++iSuffix);
        }
        if (iSuffix > 1 && m_bFileOpen)
            strTakenWarning = QStringLiteral("Log file '%1' exists already; writing '%2' instead.").arg(m_strFilePath, strPath);
        else if (iSuffix > 1)
            strTakenWarning = QStringLiteral("Log file '%1' exists already and no other name could be created next to it; "
                                             "running without the log file.")
                                  .arg(m_strFilePath);
        if (m_bFileOpen) {
            m_strFilePath = strPath;
            m_pFile->write("<html>\r\n");
            m_pFile->write(kHtmlHead);
            m_pFile->write(kTableStart);
            m_pFile->flush();
        }
    }

    m_bOpened = true;
    // Said only now, so that the line also reaches the outputs just opened (the open is over,
    // nothing here can come back into it).
    if (!strTakenWarning.isEmpty())
        CQTSingleton<CQTLog>::instance()->writeWarning(kSourceFile, __LINE__, "", "%s", strTakenWarning.toUtf8().constData());
}

void WinConsoleLog::write(int iLevel, const QByteArray &text)
{
    if (!m_bOpened)
        return;
    writeDebuggerOutput(text);

    const LevelStyle &style = styleOf(iLevel);
    if (m_bConsoleOpen) {
        m_pConsole->setTextAttribute(style.iAttribute);
        m_pConsole->writeText(text.constData());
        // Plain again before the line break: the colour never outlives its line, so the
        // terminal is left clean even when the process is killed, and a scroll does not paint
        // the next line in the background colour.
        m_pConsole->setTextAttribute(kConsoleDefaultAttribute);
        m_pConsole->writeText("\n");
    }
    if (m_bFileOpen) {
        // Lines are written as they are, without HTML escaping.
        m_pFile->write("\t<tr>");
        m_pFile->write(style.szCell);
        m_pFile->write(text);
        m_pFile->write("</span></td></tr>\r\n");
        m_pFile->flush();
    }
}

void WinConsoleLog::close()
{
    if (!m_bOpened)
        return;
    if (m_pFile != nullptr && m_bFileOpen) {
        m_pFile->write(kHtmlEnd);
        m_pFile->close();
    }
    delete m_pFile;
    m_pFile = nullptr;
    m_bFileOpen = false;

    if (m_pConsole != nullptr) {
        if (m_bConsoleOpen) {
            // Leaves the last lines readable before the console goes away.
            QThread::msleep(kConsoleReleaseDelayMs);
            m_pConsole->free();
        }
        delete m_pConsole;
        m_pConsole = nullptr;
    }
    m_bConsoleOpen = false;
    m_bOpened = false;
}

std::intptr_t WinConsoleLog::consoleHandle() const
{
    return m_pConsole != nullptr ? m_pConsole->handle() : -1;
}
