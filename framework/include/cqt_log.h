#pragma once
// The program's log: info lines, warnings, fatal lines that end the process, and error
// backtrace lines that record where a failing error code passed.
//
// Every line goes to Qt's message output (unless forwarding is off), to the WinConsoleLog
// channel once it has been opened, and to the signals below. Callers name their source file by
// a relative path without extension (for instance "src\\cqtbaseconfigmgr") and pass an empty
// function name.
//
// Line shapes:
//   "[I]: <message>"
//   "[W]: <message>"
//   "[FATAL]: <message> [hh:mm:ss.zzz] [file: '<file>', line: <n>]"
//   "[E]: ERROR BACKTRACE [hh:mm:ss.zzz] [file: '<file>', line: <n>]"

#include <QByteArray>
#include <cstdarg>
#include <QDateTime>
#include <QObject>
#include <QString>

#include "cqt_singleton.h"
#include "cqt_support.h"

// Code for writeErrorBacktrace: "the calling thread's stored error code".
const int kThreadErrorCode = -2;

// True for 0; otherwise stores the code as the calling thread's error code and answers false.
bool checkResult(int iCode);
// Stores the code as the calling thread's error code.
void setThreadErrorCode(int iCode);
// The last code stored on the calling thread, 0 when none.
int threadErrorCode();

class CQTLog : public QObject, public CQTSupport, public CQTSingleton<CQTLog>
{
    Q_OBJECT

public:
    CQTLog();
    ~CQTLog() override;

    void writeInfo(const char *fileName, uint lineNumber, const char *functionName, const char *format, ...)
        Q_ATTRIBUTE_FORMAT_PRINTF(5, 6);
    void writeWarning(const char *fileName, uint lineNumber, const char *functionName, const char *format, ...)
        Q_ATTRIBUTE_FORMAT_PRINTF(5, 6);
    // Ends the process (through qFatal while forwarding to Qt, else exit status -1). Returns
    // only when reached again while a fatal or backtrace line is being written.
    void writeFatal(const char *fileName, uint lineNumber, const char *functionName, const char *format, ...)
        Q_ATTRIBUTE_FORMAT_PRINTF(5, 6);
    // Logs the code's passage unless it is 0 (kThreadErrorCode reads the thread's stored code).
    // Answers the code logged, 0 for nothing to log, or the code unlogged when re-entered.
    int writeErrorBacktrace(const char *fileName, uint lineNumber, const char *functionName, int code);

    bool forwardToQt() const { return m_bForwardToQt; }
    void setForwardToQt(bool bForward) { m_bForwardToQt = bForward; }

    QString lastFatalMessage() const { return m_strFatalMessage; }
    QString lastWarningMessage() const { return m_strWarningMessage; }
    QString lastInfoMessage() const { return m_strInfoMessage; }

    // The two time-stamped shapes, for reporting before the log exists (a failing log creation).
    static QByteArray composeFatalLine(const QString &strMessage, const QDateTime &time, const char *fileName, uint lineNumber);
    static QByteArray composeBacktraceLine(const QDateTime &time, const char *fileName, uint lineNumber);

signals:
    void debug(QDateTime timestamp, const char *fileName, uint lineNumber, const char *functionName, QString message);
    void error(QDateTime timestamp, const char *fileName, uint lineNumber, const char *functionName, QString message);
    void errorBacktrace(QDateTime timestamp, const char *fileName, uint lineNumber, const char *functionName);
    void warning(QDateTime timestamp, const char *fileName, uint lineNumber, const char *functionName, QString message);
    void info(QDateTime timestamp, const char *fileName, uint lineNumber, const char *functionName, QString message);

private:
    // What tells an info line from a warning: everything else of the two is the same.
    struct PlainLevel {
        char CQTLog::*guard;
        QString CQTLog::*message;
        const QString &(*tag)();
        int outputLevel;  // WinConsoleLog level
        void (*toQt)(const QByteArray &line);
        void (CQTLog::*signal)(QDateTime, const char *, uint, const char *, QString);
    };
    void writePlainLine(const PlainLevel &level, const char *fileName, uint lineNumber, const char *functionName,
                        const char *format, va_list args);

    bool m_bSignalsEnabled;
    QString m_strFatalMessage;
    QString m_strWarningMessage;
    QString m_strInfoMessage;
    // Re-entrancy guards: a line reached again while the same level is being written (for
    // instance from a slot connected to one of the signals) is dropped.
    char m_cFatalGuard;
    char m_cWarningGuard;
    char m_cInfoGuard;
    bool m_bForwardToQt;
    QString m_strTimestampFormat;
};
