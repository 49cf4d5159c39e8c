// Debugger output on Windows: OutputDebugStringA, which a debugger or DebugView shows.
#include "debugger_output.h"

#include <windows.h>

namespace {

DebuggerOutputSink g_pSink = nullptr;

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
        OutputDebugStringA(text.constData());
}
