#include "cqt_log.h"

#include "win_console_log.h"

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

void CQTLog::writePlainLine(const PlainLevel &level, const char *fileName, uint lineNumber, const char *functionName,
                            const char *format, va_list args)
{
    char &guard = this->*level.guard;
    if (guard)
        return;
    guard = 1;
    const QDateTime now = QDateTime::currentDateTime();
    QString &message = this->*level.message;
    message = QString::vasprintf(format, args);
    const QByteArray line = composePlainLine(level.tag(), message);
    if (m_bForwardToQt)
        level.toQt(line);
    if (g_winConsoleLog.isOpened())
        g_winConsoleLog.write(level.outputLevel, line);
    if (m_bSignalsEnabled)
        emit(this->*level.signal)(now, fileName, lineNumber, functionName, message);
    guard = 0;
}

void CQTLog::writeInfo(const char *fileName, uint lineNumber, const char *functionName, const char *format, ...)
{
    static const PlainLevel info = {&CQTLog::m_cInfoGuard, &CQTLog::m_strInfoMessage, infoTag, WinConsoleLog::LevelInfo,
                                    [](const QByteArray &line) { qDebug("%s", line.constData()); }, &CQTLog::info};
    va_list args;
    va_start(args, format);
    writePlainLine(info, fileName, lineNumber, functionName, format, args);
    va_end(args);
}

void CQTLog::writeWarning(const char *fileName, uint lineNumber, const char *functionName, const char *format, ...)
{
    static const PlainLevel warning = {&CQTLog::m_cWarningGuard, &CQTLog::m_strWarningMessage, warningTag,
                                       WinConsoleLog::LevelWarning,
                                       [](const QByteArray &line) { qWarning("%s", line.constData()); }, &CQTLog::warning};
    va_list args;
    va_start(args, format);
    writePlainLine(warning, fileName, lineNumber, functionName, format, args);
    va_end(args);
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
