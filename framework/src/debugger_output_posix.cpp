// Debugger output on POSIX: syslog at debug priority, under the application's name.
#include "debugger_output.h"

#include <QCoreApplication>

#include <syslog.h>

namespace {

DebuggerOutputSink g_pSink = nullptr;

void syslogOutput(const QByteArray &text)
{
    // openlog keeps the pointer, so the identity must outlive every later call.
    static const QByteArray s_identity = QCoreApplication::applicationName().toLocal8Bit();
    static const bool s_bOpened = [] {
        openlog(s_identity.isEmpty() ? nullptr : s_identity.constData(), LOG_PID, LOG_USER);
        return true;
    }();
    (void)s_bOpened;
    syslog(LOG_DEBUG, "%s", text.constData());
}

} // namespace

void setDebuggerOutputSinkForTesting(DebuggerOutputSink pSink)
{
    g_pSink = pSink;
}

void writeDebuggerOutput(const QByteArray &text)
{
    if (g_pSink != nullptr)
        g_pSink(text);
    else
        syslogOutput(text);
}
