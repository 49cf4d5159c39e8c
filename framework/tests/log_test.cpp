// Line shapes, forwarding, signals, re-entrancy, error backtraces and fatal lines of the log.
#include "cqt_log.h"
#include "debugger_output.h"
#include "log_capture.h"
#include "win_console_log.h"

#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

const char *const kStampedTail = " \\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\] \\[file: '%1', line: %2\\]$";

QRegularExpression stampedLine(const QString &strHead, const QString &strFile, uint lineNumber)
{
    return QRegularExpression(QStringLiteral("^") + strHead + QString::fromLatin1(kStampedTail)
                                                                .arg(QRegularExpression::escape(strFile))
                                                                .arg(lineNumber));
}

class LogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pLog = CQTSingleton<CQTLog>::instance();
        m_pLog->setForwardToQt(true);
        setThreadErrorCode(0);
    }
    void TearDown() override
    {
        QObject::disconnect(m_pLog, nullptr, nullptr, nullptr);
        m_pLog->setForwardToQt(true);
    }
    CQTLog *m_pLog = nullptr;
};

TEST_F(LogTest, InfoAndWarningLinesCarryTagAndFormattedMessage)
{
    LogCapture capture;
    m_pLog->writeInfo("src\\cqtbaseconfigmgr", 10, "", "Config Manager %s... %d", "initialized", 3);
    m_pLog->writeWarning("src\\x", 11, "", "%s and %%d stay as written", "%s");

    ASSERT_EQ(capture.messages().size(), 2);
    EXPECT_EQ(capture.messages()[0].type, QtDebugMsg);
    EXPECT_EQ(capture.messages()[0].strText, QStringLiteral("[I]: Config Manager initialized... 3"));
    EXPECT_EQ(capture.messages()[1].type, QtWarningMsg);
    // A message that itself holds a format directive is never formatted a second time.
    EXPECT_EQ(capture.messages()[1].strText, QStringLiteral("[W]: %s and %d stay as written"));
    EXPECT_EQ(m_pLog->lastInfoMessage(), QStringLiteral("Config Manager initialized... 3"));
    EXPECT_EQ(m_pLog->lastWarningMessage(), QStringLiteral("%s and %d stay as written"));
}

TEST_F(LogTest, LongMessagesAreNotCut)
{
    LogCapture capture;
    const QByteArray longText(100000, 'q');
    m_pLog->writeInfo("f", 1, "", "%s", longText.constData());
    ASSERT_EQ(capture.messages().size(), 1);
    EXPECT_EQ(capture.messages()[0].strText.size(), 5 + longText.size());
}

TEST_F(LogTest, SignalsCarryTimeSourceAndMessage)
{
    QString strInfo;
    QString strWarning;
    const char *szFile = nullptr;
    uint uLine = 0;
    QObject::connect(m_pLog, &CQTLog::info, [&](QDateTime, const char *f, uint l, const char *, QString m) {
        strInfo = m;
        szFile = f;
        uLine = l;
    });
    QObject::connect(m_pLog, &CQTLog::warning, [&](QDateTime, const char *, uint, const char *, QString m) { strWarning = m; });
    LogCapture capture;
    m_pLog->writeInfo("mgr\\cqtmainmgr", 26, "", "hello %d", 1);
    m_pLog->writeWarning("mgr\\cqtmainmgr", 27, "", "careful");
    EXPECT_EQ(strInfo, QStringLiteral("hello 1"));
    EXPECT_STREQ(szFile, "mgr\\cqtmainmgr");
    EXPECT_EQ(uLine, 26u);
    EXPECT_EQ(strWarning, QStringLiteral("careful"));
}

TEST_F(LogTest, ForwardingOffKeepsLinesFromQtButNotFromSignals)
{
    int iSignals = 0;
    QObject::connect(m_pLog, &CQTLog::info, [&](QDateTime, const char *, uint, const char *, QString) { ++iSignals; });
    LogCapture capture;
    m_pLog->setForwardToQt(false);
    m_pLog->writeInfo("f", 1, "", "quiet");
    m_pLog->writeWarning("f", 1, "", "quiet");
    EXPECT_TRUE(capture.messages().isEmpty());
    EXPECT_EQ(iSignals, 1);
}

TEST_F(LogTest, LinesWrittenFromTheirOwnSignalAreDropped)
{
    int iWarnings = 0;
    int iInfos = 0;
    QObject::connect(m_pLog, &CQTLog::warning, [&](QDateTime, const char *, uint, const char *, QString) {
        ++iWarnings;
        m_pLog->writeWarning("f", 2, "", "from the slot");
        // Another level is not guarded by the warning's guard.
        m_pLog->writeInfo("f", 3, "", "info from the warning slot");
    });
    QObject::connect(m_pLog, &CQTLog::info, [&](QDateTime, const char *, uint, const char *, QString) {
        ++iInfos;
        m_pLog->writeInfo("f", 4, "", "from the info slot");
    });
    LogCapture capture;
    m_pLog->writeWarning("f", 1, "", "first");
    EXPECT_EQ(iWarnings, 1);
    EXPECT_EQ(iInfos, 1);
    EXPECT_EQ(capture.texts(), QStringList({QStringLiteral("[W]: first"), QStringLiteral("[I]: info from the warning slot")}));

    // The guards are clear again afterwards.
    m_pLog->writeWarning("f", 5, "", "second");
    EXPECT_EQ(iWarnings, 2);
}

struct BacktraceCase
{
    const char *szName;
    int iStored;   // stored as the thread's code first (0: nothing stored)
    int iPassed;   // code handed to writeErrorBacktrace
    int iExpected; // its answer; a line is written exactly when it is non-zero
};

class BacktraceTest : public LogTest, public ::testing::WithParamInterface<BacktraceCase> {};

TEST_P(BacktraceTest, LogsExactlyTheNonZeroCodes)
{
    const BacktraceCase &c = GetParam();
    if (c.iStored != 0) {
        EXPECT_FALSE(checkResult(c.iStored));
    }
    int iSignals = 0;
    QObject::connect(m_pLog, &CQTLog::errorBacktrace, [&](QDateTime, const char *, uint, const char *) { ++iSignals; });
    LogCapture capture;
    // Forwarding off must not silence backtrace lines.
    m_pLog->setForwardToQt(false);
    EXPECT_EQ(m_pLog->writeErrorBacktrace("mgr\\cqtmainmgr", 26, "", c.iPassed), c.iExpected);
    if (c.iExpected == 0) {
        EXPECT_TRUE(capture.messages().isEmpty());
        EXPECT_EQ(iSignals, 0);
        return;
    }
    ASSERT_EQ(capture.messages().size(), 1);
    EXPECT_EQ(capture.messages()[0].type, QtCriticalMsg);
    const QString strLine = capture.messages()[0].strText;
    EXPECT_TRUE(stampedLine(QStringLiteral("\\[E\\]: ERROR BACKTRACE"), QStringLiteral("mgr\\cqtmainmgr"), 26).match(strLine).hasMatch())
        << qPrintable(strLine);
    EXPECT_EQ(iSignals, 1);
}

INSTANTIATE_TEST_SUITE_P(Codes, BacktraceTest,
                         ::testing::Values(BacktraceCase{"zero", 0, 0, 0}, BacktraceCase{"zeroIgnoresStored", 5, 0, 0},
                                           BacktraceCase{"threadCodeNoneStored", 0, kThreadErrorCode, 0},
                                           BacktraceCase{"threadCodeStored", 5, kThreadErrorCode, 5},
                                           BacktraceCase{"negativeStored", -1, kThreadErrorCode, -1},
                                           BacktraceCase{"explicitCode", 0, 7, 7}),
                         [](const ::testing::TestParamInfo<BacktraceCase> &info) { return std::string(info.param.szName); });

TEST(ThreadErrorCode, BelongsToTheThreadThatStoredIt)
{
    EXPECT_TRUE(checkResult(0));
    setThreadErrorCode(11);
    std::atomic<int> iOtherBefore{-99};
    std::atomic<int> iOtherAfter{-99};
    QThread *pThread = QThread::create([&] {
        iOtherBefore = threadErrorCode();
        EXPECT_FALSE(checkResult(12));
        iOtherAfter = threadErrorCode();
    });
    pThread->start();
    pThread->wait();
    delete pThread;
    EXPECT_EQ(iOtherBefore.load(), 0);
    EXPECT_EQ(iOtherAfter.load(), 12);
    EXPECT_EQ(threadErrorCode(), 11);
    // checkResult(0) stores nothing.
    EXPECT_TRUE(checkResult(0));
    EXPECT_EQ(threadErrorCode(), 11);
}

TEST_F(LogTest, BacktraceWrittenFromAFatalSlotIsDroppedButAnswersItsCode)
{
    int iResult = -1;
    QObject::connect(m_pLog, &CQTLog::errorBacktrace, [&](QDateTime, const char *, uint, const char *) {
        iResult = m_pLog->writeErrorBacktrace("f", 2, "", 9);
    });
    LogCapture capture;
    EXPECT_EQ(m_pLog->writeErrorBacktrace("f", 1, "", 3), 3);
    EXPECT_EQ(iResult, 9);
    EXPECT_EQ(capture.messages().size(), 1);
}

TEST(LogDeathTest, FatalLineGoesThroughQtFatal)
{
    EXPECT_DEATH(CQTSingleton<CQTLog>::instance()->writeFatal("src\\somewhere", 77, "", "Broken %s", "beyond repair"),
                 "\\[FATAL\\]: Broken beyond repair \\[[0-9:.]{12}\\] \\[file: 'src\\\\somewhere', line: 77\\]");
}

std::atomic<int> g_iDebuggerLines{0};
void countDebuggerLine(const QByteArray &line)
{
    ++g_iDebuggerLines;
    fprintf(stderr, "debugger: %s\n", line.constData());
}

TEST(LogDeathTest, FatalLineWithoutForwardingReachesTheChannelAndExitsWithMinusOne)
{
    EXPECT_EXIT(
        {
            setDebuggerOutputSinkForTesting(&countDebuggerLine);
            g_winConsoleLog.open(QStringLiteral("/nonexistent-dir/"), QStringLiteral("Trevik Tool"), false, false);
            CQTLog *pLog = CQTSingleton<CQTLog>::instance();
            pLog->setForwardToQt(false);
            pLog->writeFatal("src\\x", 5, "", "gone");
        },
        ::testing::ExitedWithCode(255), "debugger: \\[FATAL\\]: gone \\[[0-9:.]{12}\\] \\[file: 'src\\\\x', line: 5\\]");
}

TEST_F(LogTest, FatalWrittenFromTheErrorSlotReturns)
{
    // The error signal is emitted only on the non-forwarding path, which then exits; run it in
    // a child and show that the re-entrant call came back and the outer line still ended it.
    EXPECT_EXIT(
        {
            CQTLog *pLog = CQTSingleton<CQTLog>::instance();
            pLog->setForwardToQt(false);
            QObject::connect(pLog, &CQTLog::error, [pLog](QDateTime, const char *, uint, const char *, QString) {
                pLog->writeFatal("f", 2, "", "inner");
                fprintf(stderr, "inner returned\n");
            });
            pLog->writeFatal("f", 1, "", "outer");
        },
        ::testing::ExitedWithCode(255), "inner returned");
}

TEST(LogChannel, LinesReachTheDebuggerOutputOnlyOnceTheChannelIsOpen)
{
    EXPECT_EXIT(
        {
            setDebuggerOutputSinkForTesting(&countDebuggerLine);
            CQTLog *pLog = CQTSingleton<CQTLog>::instance();
            pLog->writeInfo("f", 1, "", "before open");
            if (g_iDebuggerLines != 0)
                std::exit(1);
            g_winConsoleLog.open(QStringLiteral("/nonexistent-dir/"), QStringLiteral("Trevik Tool"), false, false);
            pLog->writeInfo("f", 1, "", "info");
            pLog->writeWarning("f", 1, "", "warning");
            pLog->writeErrorBacktrace("f", 1, "", 4);
            std::exit(g_iDebuggerLines == 3 ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "debugger: \\[I\\]: info\n.*debugger: \\[W\\]: warning\n.*debugger: \\[E\\]: ERROR BACKTRACE");
}

} // namespace
