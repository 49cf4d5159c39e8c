#pragma once
// The fixture the log channel's and console's tests stand on: every line the debugger output gets
// is kept in debuggerLines, and each test leaves the log as it found it (no sink, no terminal,
// forwarding to Qt on). strDir is the test's own fresh folder, ending in a separator.

#include "cqt_log.h"
#include "debugger_output.h"
#include "log_console.h"
#include "test_environment.h"
#include "win_console_log.h"

#include <gtest/gtest.h>

struct LogChannelTest : ::testing::Test
{
    void SetUp() override
    {
        debuggerLines.clear();
        setDebuggerOutputSinkForTesting([](const QByteArray &line) { debuggerLines.append(line); });
    }
    void TearDown() override
    {
        setDebuggerOutputSinkForTesting(nullptr);
        LogConsole::setTerminalForTesting(-1);
        CQTSingleton<CQTLog>::instance()->setForwardToQt(true);
    }
    static inline QList<QByteArray> debuggerLines;
    const QString strDir = testenv::freshDir() + '/';
};
