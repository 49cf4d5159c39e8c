// Singleton creation, re-creation after destruction, and the two ways creation ends the process.
#include "cqt_log.h"
#include "cqt_singleton.h"

#include <QObject>

#include <gtest/gtest.h>

namespace {

class Counter : public QObject, public CQTSupport, public CQTSingleton<Counter>
{
public:
    Counter() { ++s_iConstructed; }
    static int s_iConstructed;
};
int Counter::s_iConstructed = 0;

class AsksForItself : public QObject, public CQTSupport, public CQTSingleton<AsksForItself>
{
public:
    AsksForItself() { AsksForItself::instance(); }
};

class FailsToConstruct : public QObject, public CQTSupport, public CQTSingleton<FailsToConstruct>
{
public:
    FailsToConstruct() { m_iErrorCode = 42; }
};

// Shapes of the log's time-stamped lines, as regular expressions for the death tests.
const char *const kStamp = "\\[[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9][0-9][0-9]\\]";

TEST(Singleton, AnswersOneObjectUntilItIsDestroyed)
{
    Counter::s_iConstructed = 0;
    Counter *pFirst = Counter::instance();
    EXPECT_EQ(Counter::instance(), pFirst);
    EXPECT_EQ(Counter::s_iConstructed, 1);
    EXPECT_FALSE(Counter::isCreating());

    delete pFirst;
    Counter *pSecond = Counter::instance();
    ASSERT_NE(pSecond, nullptr);
    EXPECT_EQ(Counter::s_iConstructed, 2);
    EXPECT_EQ(Counter::instance(), pSecond);
    delete pSecond;
}

TEST(SingletonDeathTest, RequestDuringOwnConstructionEndsTheProcess)
{
    const std::string strLine = std::string("\\[FATAL\\]: Unpermitted recursion\\. ") + kStamp +
                                " \\[file: '\\.\\\\include\\\\cqtsingleton', line: [0-9]+\\]";
    EXPECT_DEATH(AsksForItself::instance(), strLine);
}

TEST(SingletonDeathTest, FailedConstructionLogsTheBacktraceThenEndsTheProcess)
{
    // The backtrace line comes first, then the fatal line naming the class.
    const std::string strLines = std::string("\\[E\\]: ERROR BACKTRACE ") + kStamp +
                                 " \\[file: '\\.\\\\include\\\\cqtsingleton', line: [0-9]+\\]" +
                                 "[^\n]*\n(.*\n)?\\[FATAL\\]: Cannot create 'class [^']*FailsToConstruct' object\\. " + kStamp;
    EXPECT_DEATH(FailsToConstruct::instance(), strLines);
}

TEST(SingletonDeathTest, FatalLineLeavesWithStatusMinusOneWhenNotForwardedToQt)
{
    EXPECT_EXIT(
        {
            CQTSingleton<CQTLog>::instance()->setForwardToQt(false);
            FailsToConstruct::instance();
        },
        ::testing::ExitedWithCode(255), "");
}

} // namespace
