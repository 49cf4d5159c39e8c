#pragma once
// Platform service: the debugger output (syslog at debug priority on Linux, identity the
// application name).

#include <QByteArray>

void writeDebuggerOutput(const QByteArray &text);

// Test seam: every text goes to pSink instead (null restores the platform's output).
using DebuggerOutputSink = void (*)(const QByteArray &text);
void setDebuggerOutputSinkForTesting(DebuggerOutputSink pSink);
