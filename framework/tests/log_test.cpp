// Singletons, and the log's lines, forwarding, signals, re-entrancy, error backtraces and fatal lines.
#include "cqt_log.h"
#include "debugger_output.h"
#include "test_environment.h"
#include "win_console_log.h"

#include <QThread>

#include <gtest/gtest.h>

namespace {

template <int iErrorCode>
struct Made : QObject, CQTSupport, CQTSingleton<Made<iErrorCode>>
{
    Made()
    {
        ++s_iMade;
        m_iErrorCode = iErrorCode;
    }
    static inline int s_iMade = 0;
};

struct AsksForItself : QObject, CQTSupport, CQTSingleton<AsksForItself>
{
    AsksForItself() { instance(); }
};

// The tail of a time-stamped line from the singleton machinery.
const std::string kTail = std::string(" ") + testenv::kStampPattern + " \\[file: '\\.\\\\include\\\\cqtsingleton', line: " + testenv::kNumberPattern + "\\]";

TEST(Singleton, AnswersOneObjectUntilItIsDestroyed)
{
    Made<0> *pFirst = Made<0>::instance();
    EXPECT_EQ(Made<0>::instance(), pFirst);
    delete pFirst;
    Made<0> *pSecond = Made<0>::instance();
    EXPECT_EQ(Made<0>::instance(), pSecond);
    EXPECT_EQ(Made<0>::s_iMade, 2);
    delete pSecond;
}

TEST(SingletonDeathTest, RequestDuringOwnConstructionEndsTheProcess)
{
    EXPECT_DEATH(AsksForItself::instance(), "\\[FATAL\\]: Unpermitted recursion\\." + kTail);
}

TEST(SingletonDeathTest, FailedConstructionLogsTheBacktraceThenEndsTheProcess)
{
    EXPECT_DEATH(Made<42>::instance(), "\\[E\\]: ERROR BACKTRACE" + kTail + "\n\\[FATAL\\]: Cannot create 'class " + testenv::kRestOfLinePattern + "Made<42>' object\\." + kTail);
    // Without forwarding to Qt the fatal line ends the process with status -1.
    EXPECT_EXIT((CQTSingleton<CQTLog>::instance()->setForwardToQt(false), Made<42>::instance()), ::testing::ExitedWithCode(testenv::kExitStatusOfMinusOne), "");
}

QStringList g_events;

TEST(Log, LinesReachQtAndTheSignalsOnceEachAndInOrder)
{
    CQTLog *pLog = CQTSingleton<CQTLog>::instance();
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &strText) {
        g_events << QStringList({"debug"_q, "warning"_q, "critical"_q}).value(type) + ' ' + strText;
    });
    // Every signal, sent at the time it carries; then slots that log again from a signal.
    const auto record = [](const char *szSignal) {
        return [szSignal](const QDateTime &time, const char *szFile, uint uLine, const char *, const QString &strMessage = QString()) {
            EXPECT_LE(qAbs(time.msecsTo(QDateTime::currentDateTime())), 1000);
            g_events << "signal %1 %2:%3"_q.arg(QLatin1String(szSignal), QLatin1String(szFile)).arg(uLine) + (strMessage.isNull() ? "" : " " + strMessage);
        };
    };
    QObject::connect(pLog, &CQTLog::info, record("info"));
    QObject::connect(pLog, &CQTLog::warning, record("warning"));
    QObject::connect(pLog, &CQTLog::errorBacktrace, [f = record("errorBacktrace")](QDateTime t, const char *s, uint l, const char *n) { f(t, s, l, n); });
    QObject::connect(pLog, &CQTLog::warning, [pLog](QDateTime, const char *, uint uLine) {
        if (uLine == 1) {
            pLog->writeWarning("f", 2, "", "dropped");
            pLog->writeInfo("f", 3, "", "another level gets through");
        }
    });
    QObject::connect(pLog, &CQTLog::info, [pLog](QDateTime, const char *, uint uLine) {
        if (uLine == 3)
            pLog->writeInfo("f", 4, "", "dropped");
    });
    QObject::connect(pLog, &CQTLog::errorBacktrace, [pLog](QDateTime, const char *, uint uLine) {
        if (uLine == 6)
            g_events << "inner answer %1"_q.arg(pLog->writeErrorBacktrace("f", 7, "", 9));
    });
    const auto answer = [pLog](int iStored, uint uLine, const char *szFile, int iCode) {
        setThreadErrorCode(iStored);
        g_events << "answer %1"_q.arg(pLog->writeErrorBacktrace(szFile, uLine, "", iCode));
    };

    pLog->writeInfo("src\\cqtbaseconfigmgr", 10, "", "Config Manager %s... %d", "initialized", 3);
    pLog->writeWarning("src\\x", 11, "", "%s and %%d stay as written", "%s"); // never formatted twice
    pLog->writeWarning("f", 1, "", "re-enter");
    pLog->writeWarning("f", 5, "", "the guards are clear again");
    for (const auto &c : {std::make_pair(5, 0), {0, kThreadErrorCode}, {5, kThreadErrorCode}, {-1, kThreadErrorCode}, {0, 7}})
        answer(c.first, 26, "mgr\\cqtmainmgr", c.second);
    answer(0, 6, "f", 3);
    pLog->setForwardToQt(false); // Qt's output no longer gets info and warnings, still the backtraces
    pLog->writeInfo("f", 8, "", "quiet");
    pLog->writeWarning("f", 9, "", "quiet");
    answer(0, 10, "f", 4);
    pLog->setForwardToQt(true);
    EXPECT_EQ(testenv::maskTimes(g_events.join('\n').toLatin1() + '\n'), testenv::fixture("log_events.txt"));
    const QString strLong(100000, 'q');
    pLog->writeInfo("f", 1, "", "%s", qPrintable(strLong));
    EXPECT_EQ(g_events.mid(g_events.size() - 2), QStringList({"debug [I]: "_q + strLong, "signal info f:1 "_q + strLong}));
    qInstallMessageHandler(nullptr);
    QObject::disconnect(pLog, nullptr, nullptr, nullptr);
}

TEST(ThreadErrorCode, BelongsToTheThreadThatStoredIt)
{
    setThreadErrorCode(11);
    EXPECT_TRUE(checkResult(0)) << "0 stores nothing";
    int iBefore = -99, iAfter = -99;
    QThread *pThread = QThread::create([&] {
        iBefore = threadErrorCode();
        iAfter = checkResult(12) ? -1 : threadErrorCode();
    });
    pThread->start();
    pThread->wait();
    delete pThread;
    EXPECT_EQ(QList<int>({iBefore, iAfter, threadErrorCode()}), QList<int>({0, 12, 11}));
}

TEST(LogDeathTest, FatalLineGoesThroughQtFatal)
{
    EXPECT_DEATH(CQTSingleton<CQTLog>::instance()->writeFatal("src\\somewhere", 77, "", "Broken %s", "beyond repair"),
                 "\\[FATAL\\]: Broken beyond repair " + std::string(testenv::kStampPattern) + " \\[file: 'src\\\\somewhere', line: 77\\]");
}

int g_iDebuggerLines = 0;

TEST(LogDeathTest, WithoutForwardingTheChannelGetsEveryLineAndTheProcessExitsWithMinusOne)
{
    EXPECT_EXIT(
        {
            setDebuggerOutputSinkForTesting([](const QByteArray &line) { fprintf(stderr, "debugger %d: %s\n", ++g_iDebuggerLines, line.data()); });
            CQTLog *pLog = CQTSingleton<CQTLog>::instance();
            pLog->setForwardToQt(false);
            pLog->writeInfo("f", 1, "", "before open");
            g_winConsoleLog.open("/nonexistent-dir/"_q, "Trevik Tool"_q, false, false);
            pLog->writeInfo("f", 1, "", "info");
            pLog->writeWarning("f", 1, "", "warning");
            pLog->writeErrorBacktrace("f", 1, "", 4);
            // A fatal line from a slot of the error signal comes back at once.
            QObject::connect(pLog, &CQTLog::error, [pLog] { pLog->writeFatal("f", 2, "", "inner"); fprintf(stderr, "inner returned\n"); });
            // What runs while the process winds down can still log.
            std::atexit([] { CQTSingleton<CQTLog>::instance()->writeErrorBacktrace("at exit", 2, "", 5); });
            pLog->writeFatal("src\\x", 5, "", "gone");
        },
        ::testing::ExitedWithCode(testenv::kExitStatusOfMinusOne),
        "debugger 1: \\[I\\]: info\ndebugger 2: \\[W\\]: warning\n" + std::string(testenv::kRestOfLinePattern)
            + "\ndebugger 3: \\[E\\]: ERROR BACKTRACE " + testenv::kRestOfLinePattern + "\ndebugger 4: \\[FATAL\\]: gone "
            + testenv::kStampPattern + " \\[file: 'src\\\\x', line: 5\\]\ninner returned\n" + testenv::kRestOfLinePattern
            + "\ndebugger 5: \\[E\\]: ERROR BACKTRACE " + testenv::kRestOfLinePattern + "'at exit'");
}

} // namespace
