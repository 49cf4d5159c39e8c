#include "cqtlog.h"

#include "winconsolelog.h"

#include <QThreadStorage>

#include <cstdarg>
#include <cstdlib>

namespace {

const QString &infoTag()
{
    static const QString s_tag = QStringLiteral("[I]");
    return s_tag;
}
const QString &warningTag()
{
    static const QString s_tag = QStringLiteral("[W]");
    return s_tag;
}
const QString &errorTag()
{
    static const QString s_tag = QStringLiteral("[E]");
    return s_tag;
}
const QString &fatalTag()
{
    static const QString s_tag = QStringLiteral("[FATAL]");
    return s_tag;
}

const char *const kTimestampFormat = "hh:mm:ss.zzz";

// Per-thread error codes. The storage object is made on first use (the compiler guards that
// first use against other threads) and lives until the process ends.
QThreadStorage<int> &threadCodes()
{
    static QThreadStorage<int> s_codes;
    return s_codes;
}

// "<tag>: <message> [<time>] [file: '<file>', line: <n>]"; the message is copied, never used
// as a format.
QByteArray composeStampedLine(const QString &strTag, const QString &strMessage, const QString &strTime,
                              const char *fileName, uint lineNumber)
{
    QByteArray line = strTag.toLocal8Bit();
    line += ": ";
    line += strMessage.toLocal8Bit();
    line += " [";
    line += strTime.toLocal8Bit();
    line += "] [file: '";
    line += fileName != nullptr ? fileName : "";
    line += "', line: ";
    line += QByteArray::number(lineNumber);
    line += ']';
    return line;
}

QByteArray composePlainLine(const QString &strTag, const QString &strMessage)
{
    return strTag.toLocal8Bit() + ": " + strMessage.toLocal8Bit();
}

} // namespace

bool checkResult(int iCode)
{
    if (iCode == 0)
        return true;
    setThreadErrorCode(iCode);
    return false;
}

void setThreadErrorCode(int iCode)
{
    threadCodes().setLocalData(iCode);
}

int threadErrorCode()
{
    QThreadStorage<int> &codes = threadCodes();
    return codes.hasLocalData() ? codes.localData() : 0;
}

CQTLog::CQTLog()
    : m_bSignalsEnabled(false), m_cFatalGuard(0), m_cWarningGuard(0), m_cInfoGuard(0), m_bForwardToQt(true),
      m_strTimestampFormat(QString::fromLatin1(kTimestampFormat))
{
    infoTag();
    warningTag();
    errorTag();
    fatalTag();
    m_bSignalsEnabled = true;
}

CQTLog::~CQTLog() = default;

QByteArray CQTLog::composeFatalLine(const QString &strMessage, const QDateTime &time, const char *fileName, uint lineNumber)
{
    return composeStampedLine(fatalTag(), strMessage, time.toString(QString::fromLatin1(kTimestampFormat)), fileName, lineNumber);
}

QByteArray CQTLog::composeBacktraceLine(const QDateTime &time, const char *fileName, uint lineNumber)
{
    return composeStampedLine(errorTag(), QStringLiteral("ERROR BACKTRACE"), time.toString(QString::fromLatin1(kTimestampFormat)),
                              fileName, lineNumber);
}

void CQTLog::writeInfo(const char *fileName, uint lineNumber, const char *functionName, const char *format, ...)
{
    if (m_cInfoGuard)
        return;
    m_cInfoGuard = 1;
    const QDateTime now = QDateTime::currentDateTime();
    va_list args;
    va_start(args, format);
    m_strInfoMessage = QString::vasprintf(format, args);
    va_end(args);
    const QByteArray line = composePlainLine(infoTag(), m_strInfoMessage);
    if (m_bForwardToQt)
        qDebug("%s", line.constData());
    if (g_winConsoleLog.isOpened())
        g_winConsoleLog.write(WinConsoleLog::LevelInfo, line);
    if (m_bSignalsEnabled)
        emit info(now, fileName, lineNumber, functionName, m_strInfoMessage);
    m_cInfoGuard = 0;
}

void CQTLog::writeWarning(const char *fileName, uint lineNumber, const char *functionName, const char *format, ...)
{
    if (m_cWarningGuard)
        return;
    m_cWarningGuard = 1;
    const QDateTime now = QDateTime::currentDateTime();
    va_list args;
    va_start(args, format);
    m_strWarningMessage = QString::vasprintf(format, args);
    va_end(args);
    const QByteArray line = composePlainLine(warningTag(), m_strWarningMessage);
    if (m_bForwardToQt)
        qWarning("%s", line.constData());
    if (g_winConsoleLog.isOpened())
        g_winConsoleLog.write(WinConsoleLog::LevelWarning, line);
    if (m_bSignalsEnabled)
        emit warning(now, fileName, lineNumber, functionName, m_strWarningMessage);
    m_cWarningGuard = 0;
}

void CQTLog::writeFatal(const char *fileName, uint lineNumber, const char *functionName, const char *format, ...)
{
    if (m_cFatalGuard)
        return;
    m_cFatalGuard = 1;
    const QDateTime now = QDateTime::currentDateTime();
    va_list args;
    va_start(args, format);
    m_strFatalMessage = QString::vasprintf(format, args);
    va_end(args);
    const QByteArray line = composeStampedLine(fatalTag(), m_strFatalMessage, now.toString(m_strTimestampFormat), fileName, lineNumber);
    if (m_bForwardToQt)
        qFatal("%s", line.constData());
    if (g_winConsoleLog.isOpened())
        g_winConsoleLog.write(WinConsoleLog::LevelError, line);
    if (m_bSignalsEnabled)
        emit error(now, fileName, lineNumber, functionName, m_strFatalMessage);
    m_cFatalGuard = 0;
    std::exit(-1);
}

int CQTLog::writeErrorBacktrace(const char *fileName, uint lineNumber, const char *functionName, int code)
{
    if (code == kThreadErrorCode)
        code = threadErrorCode();
    if (code == 0)
        return 0;
    if (m_cFatalGuard)
        return code;
    m_cFatalGuard = 1;
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray line = composeStampedLine(errorTag(), QStringLiteral("ERROR BACKTRACE"), now.toString(m_strTimestampFormat),
                                               fileName, lineNumber);
    qCritical("%s", line.constData());
    if (g_winConsoleLog.isOpened())
        g_winConsoleLog.write(WinConsoleLog::LevelError, line);
    if (m_bSignalsEnabled)
        emit errorBacktrace(now, fileName, lineNumber, functionName);
    m_cFatalGuard = 0;
    return code;
}
