// The preference manager on a table of its own: defaults, the debug file, the command line and
// the settings file with their precedence and conversions, saving, and the manager's life.
#include "cqt_base_config_mgr.h"
#include "test_environment.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString g_strText, g_strSecret, g_strRunText;
int g_iNumber, g_iMode, g_iRuntime, g_iTwinEarly, g_iTwinLate, g_iOdd, g_iSpaced;
bool g_bFlag, g_bSwitch;
float g_fRatio;

CQTPreference g_table[] = {
    {&g_strText, "QString", "h\xc3\xa9llo", "test.text"_q, PREF_STORED}, {&g_iNumber, "int", "12", "test.number"_q, PREF_STORED},
    {&g_bFlag, "bool", "0", "test.flag"_q, PREF_STORED},                  {&g_bSwitch, "bool", "1", "test.switch"_q, PREF_STORED},
    {&g_fRatio, "float", "1.5", "test.ratio"_q, PREF_STORED},             {&g_iMode, "enum", "3", "test.mode"_q, PREF_STORED},
    {&g_iRuntime, "int", "7", "test.runtime"_q, PREF_RUNTIME},            {&g_strSecret, "QString", "open", "test.secret"_q, PREF_PROTECTED},
    {&g_iTwinEarly, "int", "1", "test.twin"_q, PREF_STORED},              {&g_iTwinLate, "int", "2", "test.twin"_q, PREF_STORED},
    {&g_iOdd, "double", "4", "test.odd"_q, PREF_STORED},                  {&g_iSpaced, "int", "  -42abc", "test.spaced"_q, PREF_STORED},
    {&g_strRunText, "QString", "rt", "test.runtext"_q, PREF_RUNTIME}};

// Every variable; a first start gives kDefaults ("odd" has a type that no record may have: it
// gets no default and keeps what it had).
QString snapshot()
{
    return "text=%1|number=%2|flag=%3|switch=%4|ratio=%5|mode=%6|runtime=%7|secret=%8"_q.arg(g_strText).arg(g_iNumber).arg(g_bFlag)
               .arg(g_bSwitch).arg(g_fRatio).arg(g_iMode).arg(g_iRuntime).arg(g_strSecret) +
           "|twin=%1,%2|odd=%3|spaced=%4|runtext=%5"_q.arg(g_iTwinEarly).arg(g_iTwinLate).arg(g_iOdd).arg(g_iSpaced).arg(g_strRunText);
}
const char *const kDefaults = "text=h\xc3\xa9llo|number=12|flag=0|switch=1|ratio=1.5|mode=3|runtime=7|secret=open|twin=1,2|odd=-999|spaced=-42"
                              "|runtext=rt";

QString withChanges(const char *szChanges) { return testenv::withChanges(kDefaults, szChanges); }

// A manager on the table above whose command line ("test.number=100|...") sets int variables
// directly, the way the application's switches do.
struct TestMgr : CQTBaseConfigMgr
{
    TestMgr(const QString &strDir, const char *szCommandLine = "") : strDir(strDir), strCommandLine(QString::fromLatin1(szCommandLine))
    {
        setDebugFilePath(strDir + "/debug.ini"_q);
    }
    ~TestMgr() override { cleanup(); }
    int preferenceCount() override { return static_cast<int>(std::size(g_table)); }
    CQTPreference &preferenceAt(int iIndex) override { return g_table[iIndex]; }
    QString settingsFilePath() override { return strDir + "/settings.ini"_q; }
    void parseCommandLine() override
    {
        for (const QString &strSwitch : strCommandLine.split('|', Qt::SkipEmptyParts))
            *static_cast<int *>(g_table[indexOfName(strSwitch.section('=', 0, 0))].pValue) = strSwitch.section('=', 1).toInt();
    }
    Identity identity() const override { return Identity{"Velmora", "Velmora Ltd.", "Trevik Tool", "1.0.0.5"}; }
    QString strDir, strCommandLine;
};

struct ConfigMgrTest : ::testing::Test
{
    void SetUp() override
    {
        testenv::useMachine("S-1-5-21-42", 0xCAFEF00D);
        // Values that no default has, so a missed default shows.
        g_strText = g_strSecret = g_strRunText = "garbage"_q;
        g_iNumber = g_iMode = g_iRuntime = g_iTwinEarly = g_iTwinLate = g_iOdd = g_iSpaced = -999;
        g_bFlag = true;
        g_bSwitch = false;
        g_fRatio = -999.0f;
    }
    void TearDown() override { testenv::useMachine(nullptr); }
    const QString strDir = testenv::freshDir(), strSettings = strDir + "/settings.ini"_q;
};

TEST_F(ConfigMgrTest, SourcesGiveTheValuesInTheirOrderOfPrecedence)
{
    // The cases, and how they are written, are in the fixture.
    const QStringList cases = QString::fromUtf8(testenv::fixture("preference_sources.txt")).split("\n== "_q).mid(1);
    ASSERT_EQ(cases.size(), 17);
    for (const QString &strCase : cases) {
        QMap<QString, QString> part; // "debug.ini:", "settings:", "command line", "changes", "warning"
        QString strFile;
        for (const QString &strLine : strCase.split('\n').mid(1)) {
            const QString strKey = strLine.section(": "_q, 0, 0);
            if (strLine.endsWith(':'))
                strFile = strLine;
            else if (strKey == "command line"_q || strKey == "changes"_q || strKey == "warning"_q)
                part[strKey] += (strKey == "warning"_q ? "[W]: "_q : QString()) + strLine.section(": "_q, 1) + '\n';
            else if (!strFile.isEmpty())
                part[strFile] += strLine + '\n';
        }
        SCOPED_TRACE(strCase.section('\n', 0, 0).toStdString());
        SetUp();
        ASSERT_TRUE(testenv::writeFile(strDir + "/debug.ini"_q, part["debug.ini:"_q].toUtf8()) && testenv::writeFile(strSettings, part["settings:"_q].toUtf8()));
        LogCapture capture;
        EXPECT_EQ(TestMgr(strDir, qPrintable(part["command line"_q].trimmed())).initialize(), 0);
        EXPECT_EQ(snapshot(), withChanges(qPrintable(part["changes"_q].trimmed())));
        EXPECT_EQ(capture.texts.filter("[W]"_q), part["warning"_q].split('\n', Qt::SkipEmptyParts));
    }
}

TEST_F(ConfigMgrTest, SavedSettingsFileTheNextRunAndTheEnd)
{
    for (auto setName : {&QCoreApplication::setOrganizationName, &QCoreApplication::setOrganizationDomain,
                         &QCoreApplication::setApplicationName, &QCoreApplication::setApplicationVersion})
        setName(QString());
    {
        TestMgr mgr(strDir);
        mgr.initialize();
        EXPECT_EQ(QStringList({QCoreApplication::organizationName(), QCoreApplication::organizationDomain(), QCoreApplication::applicationName(),
                               QCoreApplication::applicationVersion(), mgr.storedMachineCode()}),
                  QStringList({"Velmora"_q, "Velmora Ltd."_q, "Trevik Tool"_q, "1.0.0.5"_q, "86FA9EBBDADBEA4F4DDA1B16F94FCEC989B93E4ECAFEF00D5F"_q}));
        // A runtime record or an address outside the table: nothing written, nothing flushed.
        int iStranger = 0;
        mgr.save(&g_iRuntime);
        mgr.save(&iStranger);
        EXPECT_FALSE(QFile::exists(strSettings) || QFile::exists(strSettings + ".bak"_q));
        g_strText = "a, b; \"c\""_q;
        g_strSecret = "sa-password"_q;
        g_iNumber = -5;
        g_fRatio = 0.125f;
        g_bFlag = true;
        g_bSwitch = false;
        g_iTwinEarly = 33; // saved under the name it shares
        for (void *pValue : std::initializer_list<void *>{&g_strText, &g_iNumber, &g_bFlag, &g_bSwitch, &g_fRatio, &g_strSecret, &g_iTwinEarly})
            mgr.save(pValue);
        // An enum or a record of no known type writes nothing but still flushes.
        g_iMode = g_iOdd = 8;
        QFile::remove(strSettings + ".bak"_q);
        mgr.save(&g_iMode);
        mgr.save(&g_iOdd);
        EXPECT_EQ(testenv::readSettings(strSettings), testenv::fixture("saved_settings.ini"));
        EXPECT_EQ(testenv::readSettings(strSettings + ".bak"_q), testenv::fixture("saved_settings.ini"));
    }
    SetUp();
    LogCapture capture;
    TestMgr mgr(strDir);
    mgr.initialize();
    EXPECT_EQ(snapshot(), withChanges("text=a, b; \"c\"|number=-5|flag=1|switch=0|ratio=0.125|secret=sa-password|twin=1,33"));
    // After cleanup nothing is read or written.
    mgr.cleanup();
    EXPECT_EQ(mgr.serializer(), nullptr);
    EXPECT_EQ(capture.texts, QStringList({"[I]: Config Manager initialized..."_q, "[I]: Config Manager cleaned up..."_q}));
    ASSERT_TRUE(testenv::writeFile(strSettings, "[main_config]\ntest.number=77\n"));
    EXPECT_EQ(mgr.load(), 0);
    EXPECT_EQ(g_iNumber, -5);
    mgr.save(&g_iNumber);
    EXPECT_EQ(testenv::readSettings(strSettings), "[main_config]\ntest.number=77\n");
}

} // namespace
