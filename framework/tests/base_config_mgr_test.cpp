// The preference manager on a table of its own: defaults, debug file, command line, settings
// file, type mismatches, shared names, protected texts, saving and cleanup.
#include "cqt_base_config_mgr.h"
#include "cqt_log.h"
#include "ini_serializer.h"
#include "log_capture.h"
#include "machine_identity.h"
#include "test_environment.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString g_strText;
int g_iNumber;
bool g_bFlag;
float g_fRatio;
int g_iMode;
int g_iRuntime;
QString g_strSecret;
int g_iTwinEarly;
int g_iTwinLate;
int g_iOdd;
int g_iSpaced;
QString g_strRunText;
int g_iNotInTable;

enum Row { Text, Number, Flag, Ratio, Mode, Runtime, Secret, TwinEarly, TwinLate, Odd, Spaced, RunText, RowCount };

CQTPreference g_table[RowCount] = {
    {&g_strText, "QString", "h\xc3\xa9llo", QStringLiteral("test.text"), PREF_STORED},
    {&g_iNumber, "int", "12", QStringLiteral("test.number"), PREF_STORED},
    {&g_bFlag, "bool", "0", QStringLiteral("test.flag"), PREF_STORED},
    {&g_fRatio, "float", "1.5", QStringLiteral("test.ratio"), PREF_STORED},
    {&g_iMode, "enum", "3", QStringLiteral("test.mode"), PREF_STORED},
    {&g_iRuntime, "int", "7", QStringLiteral("test.runtime"), PREF_RUNTIME},
    {&g_strSecret, "QString", "open", QStringLiteral("test.secret"), PREF_PROTECTED},
    {&g_iTwinEarly, "int", "1", QStringLiteral("test.twin"), PREF_STORED},
    {&g_iTwinLate, "int", "2", QStringLiteral("test.twin"), PREF_STORED},
    {&g_iOdd, "double", "4", QStringLiteral("test.odd"), PREF_STORED},
    {&g_iSpaced, "int", "  -42abc", QStringLiteral("test.spaced"), PREF_STORED},
    {&g_strRunText, "QString", "rt", QStringLiteral("test.runtext"), PREF_RUNTIME},
};

// A manager on the table above whose "command line" is a map of names to values, applied the
// way the application's switches are: directly to the variables.
class TestMgr : public CQTBaseConfigMgr
{
public:
    explicit TestMgr(const QString &strSettingsFile) : m_strSettingsFile(strSettingsFile) {}
    // The manager itself never releases its serializer; a test run ends in order.
    ~TestMgr() override { cleanup(); }
    int preferenceCount() override { return RowCount; }
    CQTPreference &preferenceAt(int iIndex) override { return g_table[iIndex]; }
    QString settingsFilePath() override { return m_strSettingsFile; }
    void parseCommandLine() override
    {
        for (auto it = m_commandLine.constBegin(); it != m_commandLine.constEnd(); ++it)
            *static_cast<int *>(g_table[indexOfName(it.key())].pValue) = it.value();
    }
    QMap<QString, int> m_commandLine;

protected:
    Identity identity() const override { return Identity{"Velmora", "Velmora Ltd.", "Trevik Tool", "1.0.0.5"}; }

private:
    QString m_strSettingsFile;
};

class ConfigMgrTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString strDir = testenv::freshDir(QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        m_strSettings = strDir + QStringLiteral("/settings.ini");
        m_strDebug = strDir + QStringLiteral("/debug.ini");
        resetVariables();
    }
    // Every variable starts with a value no default has, so a missed default shows.
    static void resetVariables()
    {
        g_strText = g_strSecret = g_strRunText = QStringLiteral("garbage");
        g_iNumber = g_iMode = g_iRuntime = g_iTwinEarly = g_iTwinLate = g_iOdd = g_iSpaced = -999;
        g_bFlag = true;
        g_fRatio = -999.0f;
    }
    // The manager is made fresh for each phase of a test, like one run of the program.
    std::unique_ptr<TestMgr> makeMgr()
    {
        auto pMgr = std::make_unique<TestMgr>(m_strSettings);
        pMgr->setDebugFilePath(m_strDebug);
        return pMgr;
    }
    QString m_strSettings;
    QString m_strDebug;
};

TEST_F(ConfigMgrTest, DefaultsOfEveryType)
{
    auto pMgr = makeMgr();
    EXPECT_EQ(pMgr->initialize(), 0);
    EXPECT_EQ(g_strText, QString::fromUtf8("h\xc3\xa9llo"));
    EXPECT_EQ(g_iNumber, 12);
    EXPECT_FALSE(g_bFlag);
    EXPECT_FLOAT_EQ(g_fRatio, 1.5f);
    EXPECT_EQ(g_iMode, 3);
    EXPECT_EQ(g_iRuntime, 7);
    EXPECT_EQ(g_strSecret, QStringLiteral("open"));
    EXPECT_EQ(g_iTwinEarly, 1);
    EXPECT_EQ(g_iTwinLate, 2);
    EXPECT_EQ(g_iOdd, -999) << "a record of an unknown type gets no default";
    EXPECT_EQ(g_iSpaced, -42);
    EXPECT_EQ(pMgr->storedMachineCode().size(), 50);
    ASSERT_NE(pMgr->serializer(), nullptr);
}

struct PrecedenceCase
{
    const char *szName;
    bool bDebug;
    bool bCommandLine;
    bool bSettings;
    int iStored;  // expected test.number (stored)
    int iRuntime; // expected test.runtime (memory only)
};

class PrecedenceTest : public ConfigMgrTest, public ::testing::WithParamInterface<PrecedenceCase> {};

TEST_P(PrecedenceTest, LaterSourcesWinAndRuntimeIgnoresTheSettingsFile)
{
    const PrecedenceCase &c = GetParam();
    if (c.bDebug) {
        ASSERT_TRUE(testenv::writeFile(m_strDebug, "test.number=50\ntest.runtime=50\n"));
    }
    if (c.bSettings) {
        ASSERT_TRUE(testenv::writeFile(m_strSettings, "[main_config]\ntest.number=200\ntest.runtime=200\n"));
    }
    auto pMgr = makeMgr();
    if (c.bCommandLine)
        pMgr->m_commandLine = {{QStringLiteral("test.number"), 100}, {QStringLiteral("test.runtime"), 100}};
    EXPECT_EQ(pMgr->initialize(), 0);
    EXPECT_EQ(g_iNumber, c.iStored);
    EXPECT_EQ(g_iRuntime, c.iRuntime);
}

INSTANTIATE_TEST_SUITE_P(
    AllSources, PrecedenceTest,
    ::testing::Values(PrecedenceCase{"none", false, false, false, 12, 7}, PrecedenceCase{"debug", true, false, false, 50, 50},
                      PrecedenceCase{"commandLine", false, true, false, 100, 100},
                      PrecedenceCase{"settings", false, false, true, 200, 7},
                      PrecedenceCase{"debugAndCommandLine", true, true, false, 100, 100},
                      PrecedenceCase{"debugAndSettings", true, false, true, 200, 50},
                      PrecedenceCase{"commandLineAndSettings", false, true, true, 200, 100},
                      PrecedenceCase{"all", true, true, true, 200, 100}),
    [](const ::testing::TestParamInfo<PrecedenceCase> &info) { return std::string(info.param.szName); });

TEST_F(ConfigMgrTest, DebugFileConvertsLikeQtVariants)
{
    ASSERT_TRUE(testenv::writeFile(m_strDebug, "test.text=from debug\n"
                                               "test.flag=true\n"
                                               "test.number=abc\n"
                                               "test.ratio=2.25\n"
                                               "test.mode=1\n"
                                               "test.runtext=changed\n"
                                               "test.secret=plain in debug\n"
                                               "unknown.name=1\n"
                                               "[x]\ntest.spaced=3\n"));
    LogCapture capture;
    auto pMgr = makeMgr();
    pMgr->initialize();
    EXPECT_EQ(g_strText, QStringLiteral("from debug"));
    EXPECT_FALSE(g_bFlag) << "\"true\" is no number and converts to 0";
    EXPECT_EQ(g_iNumber, 0) << "a text that is no number converts to 0 without complaint";
    EXPECT_FLOAT_EQ(g_fRatio, 2.25f);
    EXPECT_EQ(g_iMode, 3) << "enum preferences are not taken from the debug file";
    EXPECT_EQ(g_strRunText, QStringLiteral("changed"));
    EXPECT_EQ(g_strSecret, QStringLiteral("plain in debug")) << "the debug file holds plain text whatever the mode";
    EXPECT_EQ(g_iSpaced, -42) << "a key inside a section names no preference";
    for (const CapturedMessage &message : capture.messages())
        EXPECT_FALSE(message.strText.startsWith(QStringLiteral("[W]"))) << qPrintable(message.strText);
}

TEST_F(ConfigMgrTest, BoolOneReadsTrueFromEitherFile)
{
    ASSERT_TRUE(testenv::writeFile(m_strDebug, "test.flag=1\n"));
    makeMgr()->initialize();
    EXPECT_TRUE(g_bFlag);
    QFile::remove(m_strDebug);
    ASSERT_TRUE(testenv::writeFile(m_strSettings, "[main_config]\ntest.flag=1\n"));
    makeMgr()->initialize();
    EXPECT_TRUE(g_bFlag);
    ASSERT_TRUE(testenv::writeFile(m_strSettings, "[main_config]\ntest.flag=true\n"));
    makeMgr()->initialize();
    EXPECT_FALSE(g_bFlag);
}

struct MismatchCase
{
    const char *szName;
    const char *szLine;
    const char *szWarning;
};

class MismatchTest : public ConfigMgrTest, public ::testing::WithParamInterface<MismatchCase> {};

TEST_P(MismatchTest, WrongTypeKeepsTheValueAndWarnsFromEitherFile)
{
    const MismatchCase &c = GetParam();
    const QString strWarning = QStringLiteral("[W]: ") + QString::fromLatin1(c.szWarning);
    for (const bool bDebug : {true, false}) {
        QFile::remove(m_strDebug);
        QFile::remove(m_strSettings);
        if (bDebug) {
            ASSERT_TRUE(testenv::writeFile(m_strDebug, QByteArray(c.szLine) + "\n"));
        } else {
            ASSERT_TRUE(testenv::writeFile(m_strSettings, "[main_config]\n" + QByteArray(c.szLine) + "\n"));
        }
        LogCapture capture;
        makeMgr()->initialize();
        EXPECT_TRUE(capture.texts().contains(strWarning)) << (bDebug ? "debug file: " : "settings file: ")
                                                          << qPrintable(capture.texts().join(QLatin1Char('\n')));
        EXPECT_EQ(g_strText, QString::fromUtf8("h\xc3\xa9llo"));
        EXPECT_EQ(g_iNumber, 12);
        EXPECT_FLOAT_EQ(g_fRatio, 1.5f);
        EXPECT_FALSE(g_bFlag);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ThreeTypeNames, MismatchTest,
    ::testing::Values(
        MismatchCase{"text", "test.text=@Rect(1 2 3 4)",
                     "Type mismatch for preference 'test.text'. Requested type is class QString, actual type is QRect. Using default value."},
        MismatchCase{"int", "test.number=1,2",
                     "Type mismatch for preference 'test.number'. Requested type is int, actual type is QStringList. Using default value."},
        MismatchCase{"bool", "test.flag=1,2",
                     "Type mismatch for preference 'test.flag'. Requested type is int, actual type is QStringList. Using default value."},
        MismatchCase{"float", "test.ratio=1,5",
                     "Type mismatch for preference 'test.ratio'. Requested type is float, actual type is QStringList. Using default value."}),
    [](const ::testing::TestParamInfo<MismatchCase> &info) { return std::string(info.param.szName); });

TEST_F(ConfigMgrTest, TwoRecordsWithOneName)
{
    ASSERT_TRUE(testenv::writeFile(m_strSettings, "[main_config]\ntest.twin=9\n"));
    auto pMgr = makeMgr();
    pMgr->initialize();
    EXPECT_EQ(pMgr->indexOfName(QStringLiteral("test.twin")), TwinLate);
    EXPECT_EQ(g_iTwinLate, 9);
    EXPECT_EQ(g_iTwinEarly, 1) << "the earlier record keeps its default";

    // The earlier record can still be saved, under the shared name.
    g_iTwinEarly = 33;
    pMgr->save(&g_iTwinEarly);
    EXPECT_TRUE(testenv::readFile(m_strSettings).contains("test.twin=33"));
}

TEST_F(ConfigMgrTest, SavedValuesComeBackInTheNextRun)
{
    {
        auto pMgr = makeMgr();
        pMgr->initialize();
        g_strText = QStringLiteral("a, b; \"c\"");
        g_iNumber = -5;
        g_bFlag = true;
        g_fRatio = 0.125f;
        for (void *pValue : {static_cast<void *>(&g_strText), static_cast<void *>(&g_iNumber), static_cast<void *>(&g_bFlag),
                             static_cast<void *>(&g_fRatio)})
            pMgr->save(pValue);
        const QByteArray file = testenv::readFile(m_strSettings);
        EXPECT_TRUE(file.contains("test.flag=1")) << file.constData();
        EXPECT_EQ(testenv::readFile(m_strSettings + QStringLiteral(".bak")), file);
    }
    resetVariables();
    makeMgr()->initialize();
    EXPECT_EQ(g_strText, QStringLiteral("a, b; \"c\""));
    EXPECT_EQ(g_iNumber, -5);
    EXPECT_TRUE(g_bFlag);
    EXPECT_FLOAT_EQ(g_fRatio, 0.125f);
}

TEST_F(ConfigMgrTest, NothingIsWrittenForRuntimeEnumUnknownOrOddRecords)
{
    auto pMgr = makeMgr();
    pMgr->initialize();
    const QString strBackup = m_strSettings + QStringLiteral(".bak");

    // Unknown address and runtime record: no write, and no flush (the backup is not remade).
    g_iRuntime = 70;
    pMgr->save(&g_iRuntime);
    pMgr->save(&g_iNotInTable);
    EXPECT_FALSE(QFile::exists(m_strSettings));
    EXPECT_FALSE(QFile::exists(strBackup));

    // Enum and unknown-type records write nothing but still flush.
    g_iNumber = 1;
    pMgr->save(&g_iNumber);
    ASSERT_TRUE(QFile::remove(strBackup));
    g_iMode = 8;
    pMgr->save(&g_iMode);
    pMgr->save(&g_iOdd);
    EXPECT_TRUE(QFile::exists(strBackup));
    const QByteArray file = testenv::readFile(m_strSettings);
    EXPECT_FALSE(file.contains("test.mode")) << file.constData();
    EXPECT_FALSE(file.contains("test.odd")) << file.constData();
    EXPECT_FALSE(file.contains("test.runtime")) << file.constData();
}

TEST_F(ConfigMgrTest, ProtectedTextIsStoredScrambledAndRestored)
{
    {
        auto pMgr = makeMgr();
        pMgr->initialize();
        g_strSecret = QStringLiteral("sa-password");
        pMgr->save(&g_strSecret);
    }
    const QByteArray file = testenv::readFile(m_strSettings);
    EXPECT_FALSE(file.contains("sa-password")) << file.constData();
    EXPECT_TRUE(file.contains("test.secret=")) << file.constData();

    resetVariables();
    makeMgr()->initialize();
    EXPECT_EQ(g_strSecret, QStringLiteral("sa-password"));
}

TEST_F(ConfigMgrTest, ProtectedTextThatFailsItsCheckIsIgnoredSilently)
{
    ASSERT_TRUE(testenv::writeFile(m_strSettings, "[main_config]\ntest.secret=c2VjcmV0IHdyaXR0ZW4gZWxzZXdoZXJlIQ==\n"));
    LogCapture capture;
    makeMgr()->initialize();
    EXPECT_EQ(g_strSecret, QStringLiteral("open"));
    for (const CapturedMessage &message : capture.messages())
        EXPECT_FALSE(message.strText.startsWith(QStringLiteral("[W]"))) << qPrintable(message.strText);
}

TEST_F(ConfigMgrTest, InitializeAndCleanupWriteTheirLines)
{
    LogCapture capture;
    auto pMgr = makeMgr();
    pMgr->initialize();
    EXPECT_TRUE(capture.texts().contains(QStringLiteral("[I]: Config Manager initialized...")));

    pMgr->cleanup();
    EXPECT_EQ(pMgr->serializer(), nullptr);
    EXPECT_TRUE(capture.texts().contains(QStringLiteral("[I]: Config Manager cleaned up...")));
    EXPECT_FALSE(QFile::exists(m_strSettings + QStringLiteral(".bak"))) << "an orderly end leaves no backup";

    // After cleanup nothing is read or written.
    ASSERT_TRUE(testenv::writeFile(m_strSettings, "[main_config]\ntest.number=77\n"));
    EXPECT_EQ(pMgr->load(), 0);
    EXPECT_EQ(g_iNumber, 12);
    g_iNumber = 13;
    pMgr->save(&g_iNumber);
    EXPECT_EQ(testenv::readFile(m_strSettings), QByteArray("[main_config]\ntest.number=77\n"));
}

TEST_F(ConfigMgrTest, InitializeHandsQtTheIdentity)
{
    makeMgr()->initialize();
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Velmora"));
    EXPECT_EQ(QCoreApplication::organizationDomain(), QStringLiteral("Velmora Ltd."));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Trevik Tool"));
    EXPECT_EQ(QCoreApplication::applicationVersion(), QStringLiteral("1.0.0.5"));
}

} // namespace
