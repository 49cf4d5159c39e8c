// The log channel: its HTML file and taken file names (the console: log_console_test_*.cpp).
#include "log_channel_test.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

namespace {

struct ChannelTest : LogChannelTest
{
    const QByteArray html = testenv::fixture("log.html"), htmlHead = html.left(html.indexOf("\t<tr>"));
};

TEST_F(ChannelTest, HtmlLogFromFirstByteToLast)
{
    LogCapture capture;
    g_winConsoleLog.write(0, "before open: nowhere");
    g_winConsoleLog.open(strDir, "Trevik Tool"_q, false, true);
    g_winConsoleLog.open(strDir + "elsewhere/"_q, "Renamed"_q, false, true); // only renames
    const QString strPath = g_winConsoleLog.filePath();
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(strDir) + "[/\\\\]Trevik Tool__\\d{6}_\\d{6}_log\\.html$").match(strPath).hasMatch())
        << strPath.toStdString();
    EXPECT_EQ(g_winConsoleLog.name(), "Renamed"_q);
    EXPECT_EQ(testenv::readFile(strPath), htmlHead);
    CQTLog *pLog = CQTSingleton<CQTLog>::instance();
    pLog->writeInfo("src\\cqtbaseconfigmgr", 97, "", "Config Manager initialized...");
    pLog->writeWarning("src\\winconsolelog", 1, "", "a <b>bold</b> & raw line");
    pLog->writeErrorBacktrace("mgr\\cqtmainmgr", 26, "", 5);
    // Levels that no log line uses, and levels outside the table (written like the nearest).
    for (const auto &row : {std::make_pair(2, "level 2"), {3, "level 3"}, {-1, "below the levels"}, {5, "above the levels"}}) {
        const QByteArray written = testenv::maskTimes(testenv::readFile(strPath));
        EXPECT_TRUE(written.endsWith("</tr>\r\n") && html.startsWith(written)) << "every row is on the disk at once";
        g_winConsoleLog.write(row.first, row.second);
    }
    g_winConsoleLog.close();
    EXPECT_EQ(testenv::maskTimes(testenv::readFile(strPath)), html);
    EXPECT_FALSE(g_winConsoleLog.isFileOpen());
    EXPECT_EQ(debuggerLines.size(), 7);
    EXPECT_EQ(capture.texts.size(), 3) << "nothing but the three log lines";
    EXPECT_EQ(QDir(strDir).entryList(QDir::Files).size(), 1);
}

// {links to someone else's file (or plain files), names taken, suffix expected (0: none left)}
struct TakenLogName : ChannelTest, ::testing::WithParamInterface<std::tuple<bool, int, int>> {};

TEST_P(TakenLogName, LeavesWhatIsThereAndTakesTheNextFreeName)
{
    // The usual name and the suffixed ones after it are taken for this second and the next few.
    const auto [bLinks, iNamesTaken, iSuffix] = GetParam();
    if (bLinks && !testenv::canPlantLinks())
        GTEST_SKIP() << "no symbolic links can be made here";
    ASSERT_TRUE(testenv::writeFile(strDir + "victim"_q, "precious") && QDir().mkpath(strDir + "logs"_q));
    QStringList planted;
    for (int i = 0; i < 5 * iNamesTaken; ++i) {
        planted << strDir + "logs/Trevik Tool_%1_log%2.html"_q.arg(QDateTime::currentDateTime().addSecs(i / iNamesTaken).toString("_yyMMdd_hhmmss"_q),
                                                                   i % iNamesTaken ? "_%1"_q.arg(i % iNamesTaken + 1) : QString());
        ASSERT_TRUE(bLinks ? testenv::plantLink(strDir + "victim"_q, planted.last()) : testenv::writeFile(planted.last(), "precious"));
    }
    LogCapture capture;
    WinConsoleLog channel;
    channel.open(strDir + "logs/"_q, "Trevik Tool"_q, false, true);
    const QString strPath = QDir::cleanPath(channel.filePath()), strUsual = QString(strPath).remove(QRegularExpression("_\\d(?=\\.html$)"_q));
    channel.write(0, "line");
    channel.close();
    for (const QString &strFile : planted + QStringList(strDir + "victim"_q))
        EXPECT_EQ(testenv::readFile(strFile), "precious") << strFile.toStdString();
    EXPECT_EQ(QDir(strDir + "logs"_q).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(), planted.size() + (iSuffix ? 1 : 0));
    EXPECT_TRUE(planted.contains(strUsual)) << strPath.toStdString();
    // The folder ends in a separator and the log adds the platform's own: one of them stands for both.
    EXPECT_EQ(capture.texts.replaceInStrings("\\"_q, "/"_q).replaceInStrings("//"_q, "/"_q),
              QStringList(iSuffix ? "[W]: Log file '%1' exists already; writing '%2' instead."_q.arg(strUsual, strPath)
                                  : "[W]: Log file '%1' exists already and no other name could be created next to it; "
                                    "running without the log file."_q.arg(strPath)));
    if (iSuffix != 0) {
        EXPECT_TRUE(strPath.endsWith("_log_%1.html"_q.arg(iSuffix)) && testenv::readFile(strPath).startsWith(htmlHead)) << strPath.toStdString();
        EXPECT_TRUE(testenv::isOwnerOnlyFile(strPath)) << strPath.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Planted, TakenLogName,
                         ::testing::Values(std::make_tuple(true, 1, 2), std::make_tuple(false, 1, 2), std::make_tuple(true, 3, 4),
                                           std::make_tuple(true, 9, 0)));

} // namespace
