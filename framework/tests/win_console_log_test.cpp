// The log channel's HTML file and console.
#include "cqt_log.h"
#include "debugger_output.h"
#include "log_capture.h"
#include "log_console.h"
#include "test_environment.h"
#include "win_console_log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QByteArray kExpectedHead =
    "<html>\r\n"
    "<head>\r\n"
    "<style>html body { font-family: Arial, Verdana, Helvetica, sans-serif; font-size: 14px; text-align:left; padding:0px; "
    "margin:0px;}\r\n"
    " \t\t\t\t\t\t\t\ttr.info{font-family:Verdana,Arial, Helvetica, sans-serif;color:#000000;font-size:14px;}\r\n"
    " \t\t\t\t\t\t\t\ttr.warning{font-family:Verdana,Arial, Helvetica, sans-serif;color:#ea792f;font-size:14px;}\r\n"
    " \t\t\t\t\t\t\t\ttr.error{font-family:Verdana,Arial, Helvetica, sans-serif;color:#FF0000;font-size:14px;font-weight:bold;}"
    "</style>\r\n"
    "<head>\r\n"
    "<body>\r\n"
    "<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">\r\n";

QList<QByteArray> g_debuggerLines;
void collectDebuggerLine(const QByteArray &line)
{
    g_debuggerLines.append(line);
}

class ChannelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_debuggerLines.clear();
        setDebuggerOutputSinkForTesting(&collectDebuggerLine);
        m_strDir = testenv::freshDir(QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }
    void TearDown() override
    {
        setDebuggerOutputSinkForTesting(nullptr);
        LogConsole::setTerminalForTesting(-1);
        CQTSingleton<CQTLog>::instance()->setForwardToQt(true);
    }
    QString m_strDir;
};

TEST_F(ChannelTest, HtmlFileFromFirstByteToLast)
{
    WinConsoleLog channel;
    channel.open(m_strDir + QDir::separator(), QStringLiteral("Trevik Tool"), false, true);
    ASSERT_TRUE(channel.isFileOpen());
    EXPECT_FALSE(channel.isConsoleOpen());

    // Header and every row are on the disk as soon as they are written.
    EXPECT_EQ(testenv::readFile(channel.filePath()), kExpectedHead);
    channel.write(WinConsoleLog::LevelInfo, "[I]: Config Manager initialized...");
    EXPECT_EQ(testenv::readFile(channel.filePath()),
              kExpectedHead + "\t<tr><td><span style=\"color:black;\">[I]: Config Manager initialized...</span></td></tr>\r\n");
    channel.write(WinConsoleLog::LevelWarning, "[W]: a <b>bold</b> & raw \xe9");
    channel.write(2, "two");
    channel.write(3, "three");
    channel.write(WinConsoleLog::LevelError, "[E]: ERROR BACKTRACE");
    const QString strPath = channel.filePath();
    channel.close();

    const QByteArray expected = kExpectedHead +
                                "\t<tr><td><span style=\"color:black;\">[I]: Config Manager initialized...</span></td></tr>\r\n"
                                "\t<tr><td><span style=\"background-color:yellow; color:black;\">[W]: a <b>bold</b> & raw \xe9"
                                "</span></td></tr>\r\n"
                                "\t<tr><td><span style=\"color:black;\">two</span></td></tr>\r\n"
                                "\t<tr><td><span style=\"background-color:red; coloe:black\">three</span></td></tr>\r\n"
                                "\t<tr><td><span style=\"background-color:red; coloe:black\">[E]: ERROR BACKTRACE</span></td></tr>\r\n"
                                "</table></body></html>";
    EXPECT_EQ(testenv::readFile(strPath), expected);
    EXPECT_FALSE(channel.isOpened());
    // Every line also went to the debugger output.
    EXPECT_EQ(g_debuggerLines.size(), 5);
}

TEST_F(ChannelTest, FileNameCarriesNameAndStampInTheGivenFolder)
{
    WinConsoleLog channel;
    const QString strDir = m_strDir + QDir::separator();
    channel.open(strDir, QStringLiteral("Trevik Tool"), false, true);
    const QString strPath = channel.filePath();
    EXPECT_TRUE(strPath.startsWith(strDir + QDir::separator())) << qPrintable(strPath);
    const QString strName = QFileInfo(strPath).fileName();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Trevik Tool__\\d{6}_\\d{6}_log\\.html$")).match(strName).hasMatch())
        << qPrintable(strName);
    EXPECT_TRUE(QFileInfo::exists(strPath));
}

TEST_F(ChannelTest, SecondRunInTheSameSecondKeepsTheFirstFile)
{
    QString strFirstPath;
    {
        WinConsoleLog first;
        first.open(m_strDir + QDir::separator(), QStringLiteral("Run"), false, true);
        first.write(0, "first run");
        strFirstPath = first.filePath();
    }
    // The second finds the first's name taken and writes next to it.
    const QByteArray first = testenv::readFile(strFirstPath);
    ASSERT_TRUE(first.contains("first run"));
    WinConsoleLog second;
    second.open(m_strDir + QDir::separator(), QStringLiteral("Run"), false, true);
    if (second.filePath() != strFirstPath && second.filePath().endsWith(QStringLiteral("_log.html")))
        GTEST_SKIP() << "the clock moved to the next second between the two runs";
    EXPECT_EQ(second.filePath(), QString(strFirstPath).replace(QStringLiteral("_log.html"), QStringLiteral("_log_2.html")));
    EXPECT_EQ(testenv::readFile(second.filePath()), kExpectedHead);
    EXPECT_EQ(testenv::readFile(strFirstPath), first);
}

enum class Plant { Link, PlainFile };

struct TakenNameCase
{
    const char *szName;
    Plant plant;
    int iNamesTaken;     // the usual name and the suffixed ones after it
    int iExpectedSuffix; // 0: every name is taken, no file
};

class TakenLogName : public ChannelTest, public ::testing::WithParamInterface<TakenNameCase> {};

TEST_P(TakenLogName, LeavesWhatIsThereAndTakesTheNextFreeName)
{
    const TakenNameCase &c = GetParam();
    const QString strDir = m_strDir + QStringLiteral("/tmp"), strVictim = m_strDir + QStringLiteral("/victim");
    ASSERT_TRUE(QDir().mkpath(strDir) && testenv::writeFile(strVictim, "precious"));
    // The name holds the second of the start: plant it for this second and the next few, as
    // another user would.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList planted;
    for (int iSecond = 0; iSecond < 5; ++iSecond) {
        for (int iName = 1; iName <= c.iNamesTaken; ++iName) {
            planted << QStringLiteral("Trevik Tool_%1_log%2.html")
                           .arg(now.addSecs(iSecond).toString(QStringLiteral("_yyMMdd_hhmmss")),
                                iName == 1 ? QString() : QStringLiteral("_%1").arg(iName));
            const QString strPlanted = strDir + QLatin1Char('/') + planted.last();
            ASSERT_TRUE(c.plant == Plant::Link ? QFile::link(strVictim, strPlanted) : testenv::writeFile(strPlanted, "precious"));
        }
    }

    LogCapture capture;
    WinConsoleLog channel;
    channel.open(strDir + QDir::separator(), QStringLiteral("Trevik Tool"), false, true);
    EXPECT_EQ(channel.isFileOpen(), c.iExpectedSuffix != 0);
    const QString strPath = channel.filePath();
    channel.write(WinConsoleLog::LevelInfo, "line");
    channel.close();

    EXPECT_EQ(testenv::readFile(strVictim), "precious");
    for (const QString &strFile : planted)
        EXPECT_EQ(testenv::readFile(strDir + QLatin1Char('/') + strFile), "precious") << qPrintable(strFile);
    EXPECT_EQ(QDir(strDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(),
              planted.size() + (c.iExpectedSuffix != 0 ? 1 : 0));
    // The usual name was taken and the operator is told which.
    const QString strUsual = QFileInfo(strPath).fileName().remove(QRegularExpression(QStringLiteral("_\\d+(?=\\.html$)")));
    EXPECT_TRUE(planted.contains(strUsual)) << qPrintable(strPath);
    EXPECT_EQ(capture.texts().filter(strUsual).size(), 1) << qPrintable(capture.texts().join(QLatin1Char('\n')));
    if (c.iExpectedSuffix != 0) {
        EXPECT_TRUE(strPath.endsWith(QStringLiteral("_log_%1.html").arg(c.iExpectedSuffix))) << qPrintable(strPath);
        EXPECT_TRUE(testenv::readFile(strPath).startsWith(kExpectedHead));
        struct stat st {};
        ASSERT_EQ(lstat(QFile::encodeName(strPath).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
    }
}

INSTANTIATE_TEST_SUITE_P(Planted, TakenLogName,
                         ::testing::Values(TakenNameCase{"link", Plant::Link, 1, 2}, TakenNameCase{"plainFile", Plant::PlainFile, 1, 2},
                                           TakenNameCase{"threeLinks", Plant::Link, 3, 4}, TakenNameCase{"everyName", Plant::Link, 9, 0}),
                         [](const ::testing::TestParamInfo<TakenNameCase> &info) { return std::string(info.param.szName); });

TEST_F(ChannelTest, NothingIsWrittenBeforeOpenAndASecondOpenOnlyRenames)
{
    WinConsoleLog channel;
    channel.write(0, "too early");
    EXPECT_TRUE(g_debuggerLines.isEmpty());

    channel.open(m_strDir + QDir::separator(), QStringLiteral("First"), false, true);
    const QString strPath = channel.filePath();
    channel.open(m_strDir + QStringLiteral("/elsewhere/"), QStringLiteral("Second"), false, true);
    EXPECT_EQ(channel.name(), QStringLiteral("Second"));
    EXPECT_EQ(channel.filePath(), strPath);
    channel.write(0, "line");
    EXPECT_EQ(g_debuggerLines, QList<QByteArray>({QByteArray("line")}));
}

TEST_F(ChannelTest, FileThatCannotBeOpenedLeavesTheOtherOutputsWorking)
{
    WinConsoleLog channel;
    channel.open(m_strDir + QStringLiteral("/missing/folder/"), QStringLiteral("X"), false, true);
    EXPECT_TRUE(channel.isOpened());
    EXPECT_FALSE(channel.isFileOpen());
    channel.write(1, "still reaches the debugger");
    EXPECT_EQ(g_debuggerLines.size(), 1);
    channel.close();
}

TEST_F(ChannelTest, WithoutATerminalTheConsoleStaysClosed)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    LogConsole::setTerminalForTesting(fds[1]);
    WinConsoleLog channel;
    channel.open(m_strDir + QDir::separator(), QStringLiteral("X"), true, false);
    EXPECT_FALSE(channel.isConsoleOpen());
    EXPECT_EQ(channel.consoleHandle(), -1);
    EXPECT_TRUE(CQTSingleton<CQTLog>::instance()->forwardToQt());
    channel.close();
    close(fds[0]);
    close(fds[1]);
}

QByteArray drain(int iFd)
{
    QByteArray all;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(iFd, buffer, sizeof(buffer));
        if (n <= 0)
            break;
        all.append(buffer, static_cast<int>(n));
    }
    return all;
}

TEST_F(ChannelTest, TerminalBecomesTheConsoleWithTitleAndColours)
{
    const int iMaster = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(iMaster, 0);
    ASSERT_EQ(grantpt(iMaster), 0);
    ASSERT_EQ(unlockpt(iMaster), 0);
    const int iSlave = open(ptsname(iMaster), O_RDWR | O_NOCTTY);
    ASSERT_GE(iSlave, 0);
    termios raw {};
    tcgetattr(iSlave, &raw);
    cfmakeraw(&raw);
    tcsetattr(iSlave, TCSANOW, &raw);
    fcntl(iMaster, F_SETFL, O_NONBLOCK);

    LogConsole::setTerminalForTesting(iSlave);
    const QString strOldName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Trevik Tool"));
    WinConsoleLog channel;
    channel.open(m_strDir + QDir::separator(), QStringLiteral("Trevik Tool"), true, false);
    QCoreApplication::setApplicationName(strOldName);
    ASSERT_TRUE(channel.isConsoleOpen());
    EXPECT_EQ(channel.consoleHandle(), iSlave);
    // The terminal already shows Qt's output: forwarding stops so lines are not doubled.
    EXPECT_FALSE(CQTSingleton<CQTLog>::instance()->forwardToQt());

    EXPECT_EQ(drain(iMaster), QByteArray("\033]0;Trevik Tool debug Log\007\033[0m"));
    // Each line leaves the terminal in its own colours, so a killed process leaves no colour.
    const struct
    {
        int iLevel;
        const char *szText;
        const char *szOutput;
    } lines[] = {{WinConsoleLog::LevelInfo, "[I]: info \xe9", "\033[0;97;40m[I]: info \xe9\033[0m\n"},
                 {WinConsoleLog::LevelWarning, "[W]: warn", "\033[0;93;40m[W]: warn\033[0m\n"},
                 {3, "three", "\033[0;91;40mthree\033[0m\n"},
                 {WinConsoleLog::LevelError, "[E]: err", "\033[0;97;101m[E]: err\033[0m\n"}};
    for (const auto &line : lines) {
        channel.write(line.iLevel, line.szText);
        EXPECT_EQ(drain(iMaster), QByteArray(line.szOutput)) << line.szText;
    }
    channel.close();
    EXPECT_EQ(drain(iMaster), QByteArray("\033[0m"));
    close(iSlave);
    close(iMaster);
}

struct AttributeCase
{
    int iAttribute;
    const char *szSequence;
};

class AttributeTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeTest, MapsWindowsAttributesToAnsi)
{
    EXPECT_EQ(ansiForConsoleAttribute(GetParam().iAttribute), QByteArray(GetParam().szSequence));
}

INSTANTIATE_TEST_SUITE_P(Table, AttributeTest,
                         ::testing::Values(AttributeCase{0x00, "\033[0m"}, AttributeCase{0x07, "\033[0m"},
                                           AttributeCase{0x0F, "\033[0;97;40m"}, AttributeCase{0x0E, "\033[0;93;40m"},
                                           AttributeCase{0x0C, "\033[0;91;40m"}, AttributeCase{0xCF, "\033[0;97;101m"},
                                           AttributeCase{0x01, "\033[0;34;40m"}, AttributeCase{0x12, "\033[0;32;44m"}),
                         [](const ::testing::TestParamInfo<AttributeCase> &info) { return "attribute" + std::to_string(info.param.iAttribute); });

} // namespace
