// The application's preferences: the table, the defaults of a first start, the precedence of
// debug file, switches and settings file, and the accessors.
#include "app_identity.h"
#include "app_preferences.h"
#include "cqt_config_mgr.h"
#include "ini_serializer.h"
#include "test_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QSet>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

namespace {

// The settings file of the per-user default location, inside the test's private HOME.
QString defaultSettingsFile()
{
    return testenv::rootDir() + QStringLiteral("/home/.config/Velmora/Trevik Tool.ini");
}

class AppPreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_strDir = testenv::freshDir(QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        QFile::remove(defaultSettingsFile());
        QFile::remove(defaultSettingsFile() + QStringLiteral(".bak"));
        g_configMgr.setDebugFilePath(m_strDir + QStringLiteral("/debug.ini"));
    }
    void TearDown() override
    {
        if (g_configMgr.serializer() != nullptr)
            g_configMgr.cleanup();
    }
    void writeDebugFile(const QByteArray &contents) { ASSERT_TRUE(testenv::writeFile(m_strDir + QStringLiteral("/debug.ini"), contents)); }
    static void writeSettingsFile(const QByteArray &contents)
    {
        QDir().mkpath(QFileInfo(defaultSettingsFile()).path());
        ASSERT_TRUE(testenv::writeFile(defaultSettingsFile(), contents));
    }
    QString m_strDir;
};

TEST(AppPreferenceTable, HasThirtyFourWellFormedRecordsWithOwnNames)
{
    EXPECT_EQ(g_configMgr.preferenceCount(), 34);
    QSet<QString> names;
    QSet<void *> variables;
    for (int i = 0; i < kPreferenceCount; ++i) {
        const CQTPreference &record = g_preferences[i];
        EXPECT_TRUE(record.strName.startsWith(QStringLiteral("general."))) << i;
        EXPECT_NE(record.pValue, nullptr) << i;
        const QString strType = QString::fromLatin1(record.szType);
        EXPECT_TRUE(strType == QStringLiteral("QString") || strType == QStringLiteral("int") || strType == QStringLiteral("bool")) << i;
        EXPECT_TRUE(record.iStorage == PREF_RUNTIME || record.iStorage == PREF_STORED) << i;
        names.insert(record.strName);
        variables.insert(record.pValue);
    }
    EXPECT_EQ(names.size(), kPreferenceCount) << "every record is reachable by its name";
    EXPECT_EQ(variables.size(), kPreferenceCount);
    EXPECT_EQ(g_preferences[17].strName, QStringLiteral("general.device_com"));
    EXPECT_EQ(g_preferences[18].strName, QStringLiteral("general.product_field_length"));
    EXPECT_EQ(g_preferences[33].strName, QStringLiteral("general.comparam_ctsflow"));
}

TEST_F(AppPreferencesTest, FirstStartWithoutSettingsFileGivesTheDefaults)
{
    EXPECT_EQ(g_configMgr.initialize(), 0);
    EXPECT_EQ(g_configMgr.deviceCom(), 5);
    EXPECT_EQ(g_configMgr.comBaudrate(), 9600);
    EXPECT_EQ(g_configMgr.comByteSize(), 8);
    EXPECT_EQ(g_configMgr.comParity(), 0);
    EXPECT_EQ(g_configMgr.comStopBits(), 0);
    EXPECT_EQ(g_configMgr.comDtrControl(), 1);
    EXPECT_EQ(g_configMgr.comRtsControl(), 1);
    EXPECT_EQ(g_configMgr.comDsrFlow(), 0);
    EXPECT_EQ(g_configMgr.comCtsFlow(), 0);
    EXPECT_EQ(g_configMgr.logConsole(), 0);
    EXPECT_EQ(g_configMgr.logFile(), 0);
    EXPECT_FALSE(g_configMgr.emulateDevice());

    EXPECT_EQ(pref::strAppName, QString::fromLatin1(kAppName));
    EXPECT_EQ(pref::strAppVersion, QStringLiteral("1.0.0.5"));
    EXPECT_EQ(pref::strAppBuild, QStringLiteral("1612211426"));
    EXPECT_EQ(pref::strTimestampFormat, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    EXPECT_EQ(pref::strSettingsPassword, QStringLiteral("vortexq"));
    EXPECT_EQ(pref::strSqlDriver, QStringLiteral("SQL Server Native Client 10.0"));
    EXPECT_EQ(pref::strSqlAddress, QStringLiteral("localhost"));
    EXPECT_EQ(pref::strSqlDb, QStringLiteral("VOLTAN"));
    EXPECT_EQ(pref::strSqlUser, QStringLiteral("QWKUser1"));
    EXPECT_EQ(pref::strSqlPassword, QStringLiteral("60719"));
    EXPECT_TRUE(pref::strSqlSavedString.isEmpty());
    EXPECT_EQ(pref::iProductFieldLength, 11);
    EXPECT_EQ(pref::iSerialFieldLength, 8);
    EXPECT_EQ(pref::iReserved20, 0);
    EXPECT_TRUE(pref::strDebugMpn.isEmpty());

    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Velmora"));
    EXPECT_EQ(QCoreApplication::organizationDomain(), QStringLiteral("Velmora Ltd."));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Trevik Tool"));
    EXPECT_EQ(QCoreApplication::applicationVersion(), QStringLiteral("1.0.0.5"));
    // Nothing to write yet: the file comes with the first change.
    EXPECT_FALSE(QFile::exists(defaultSettingsFile()));
}

TEST_F(AppPreferencesTest, StoredValuesWinOverDebugFileAndRuntimeOnesAreIgnored)
{
    writeDebugFile("general.device_com=4\ngeneral.comparam_baudrate=19200\ngeneral.app.logfile=1\n");
    writeSettingsFile("[main_config]\ngeneral.device_com=3\ngeneral.app.logconsole=1\ngeneral.emulate_device=1\n");
    EXPECT_EQ(g_configMgr.initialize(), 0);
    EXPECT_EQ(g_configMgr.deviceCom(), 3);
    EXPECT_EQ(g_configMgr.comBaudrate(), 19200) << "no stored entry: the debug file's value stays";
    EXPECT_EQ(g_configMgr.logFile(), 1);
    EXPECT_EQ(g_configMgr.logConsole(), 0) << "memory-only preferences never come from the settings file";
    EXPECT_FALSE(g_configMgr.emulateDevice());
}

// Qt's INI reader files the keys of a [General] section at the top level; they must not pass
// for keys outside any section.
TEST_F(AppPreferencesTest, OnlyDebugKeysOutsideEverySectionApply)
{
    const struct
    {
        const char *szFile;
        bool bEmulate;
    } cases[] = {
        {"general.emulate_device=1\n", true},
        {"general.emulate_device=1\n[x]\ngeneral.device_com=3\n", true},
        {"[General]\ngeneral.emulate_device=1\n", false},
        {"; comment\r\n  [general]\r\ngeneral.emulate_device=1\r\n", false},
        {"\xEF\xBB\xBF[General]\ngeneral.emulate_device=1\n", false},
        {"general.emulate_device=0\n[General]\ngeneral.emulate_device=1\n", false},
    };
    for (const auto &c : cases) {
        writeDebugFile(c.szFile);
        g_configMgr.initialize();
        EXPECT_EQ(g_configMgr.emulateDevice(), c.bEmulate) << c.szFile;
        EXPECT_EQ(g_configMgr.deviceCom(), 5) << c.szFile;
        g_configMgr.cleanup();
    }
}

TEST_F(AppPreferencesTest, ProductFieldLengthInTheFileReachesItsOwnRecord)
{
    writeSettingsFile("[main_config]\ngeneral.product_field_length=14\n");
    g_configMgr.initialize();
    EXPECT_EQ(pref::iProductFieldLength, 14);
    EXPECT_EQ(pref::iReserved20, 0);
}

TEST_F(AppPreferencesTest, SetDeviceComSavesAtOnceWithBackup)
{
    g_configMgr.initialize();
    g_configMgr.setDeviceCom(12);
    EXPECT_EQ(g_configMgr.deviceCom(), 12);
    const QByteArray file = testenv::readFile(defaultSettingsFile());
    EXPECT_EQ(file, QByteArray("[main_config]\ngeneral.device_com=12\n"));
    EXPECT_EQ(testenv::readFile(defaultSettingsFile() + QStringLiteral(".bak")), file);
}

TEST_F(AppPreferencesTest, GettersAndSettersTakeThePreferenceLock)
{
    g_configMgr.initialize();
    std::atomic<bool> bDone{false};
    QThread *pWriter = nullptr;
    {
        QMutexLocker locker(&g_preferenceLock);
        // The lock is recursive: the owning thread reads freely.
        EXPECT_EQ(g_configMgr.deviceCom(), 5);
        pWriter = QThread::create([&] {
            g_configMgr.setDeviceCom(8);
            bDone = true;
        });
        pWriter->start();
        // The writer cannot get past the lock while it is held here.
        EXPECT_FALSE(pWriter->wait(200));
        EXPECT_FALSE(bDone.load());
        EXPECT_EQ(pref::iDeviceCom, 5);
    }
    EXPECT_TRUE(pWriter->wait(10000));
    delete pWriter;
    EXPECT_TRUE(bDone.load());
    EXPECT_EQ(g_configMgr.deviceCom(), 8);
}

// The application's manager with the switches of a chosen command line.
class SwitchedConfigMgr : public CQTConfigMgr
{
public:
    explicit SwitchedConfigMgr(QStringList arguments) : m_arguments(std::move(arguments)) {}
    ~SwitchedConfigMgr() override { cleanup(); }
    void parseCommandLine() override { applySwitches(m_arguments); }

private:
    QStringList m_arguments;
};

TEST_F(AppPreferencesTest, SwitchesOverrideDebugFileAndAreNeverSaved)
{
    writeDebugFile("general.debug_mpn=from-debug\ngeneral.app.logconsole=0\n");
    writeSettingsFile("[main_config]\ngeneral.debug_mpn=from-settings\ngeneral.emulate_device=0\n");
    SwitchedConfigMgr mgr({QStringLiteral("Trevik"), QStringLiteral("-Console"), QStringLiteral("-logfile"), QStringLiteral("-nodevice"),
                           QStringLiteral("-readonly"), QStringLiteral("-nodb"), QStringLiteral("-dump"), QStringLiteral("-mpn=X1")});
    mgr.setDebugFilePath(m_strDir + QStringLiteral("/debug.ini"));
    EXPECT_EQ(mgr.initialize(), 0);
    EXPECT_EQ(mgr.logConsole(), 1);
    EXPECT_EQ(mgr.logFile(), 1);
    EXPECT_TRUE(mgr.emulateDevice());
    EXPECT_TRUE(pref::bDeviceReadOnly);
    EXPECT_TRUE(pref::bEmulateDb);
    EXPECT_TRUE(pref::bDumpDb);
    EXPECT_EQ(pref::strDebugMpn, QStringLiteral("X1"));

    mgr.save(&pref::iLogConsole);
    mgr.save(&pref::strDebugMpn);
    EXPECT_EQ(testenv::readFile(defaultSettingsFile()), QByteArray("[main_config]\ngeneral.debug_mpn=from-settings\ngeneral.emulate_device=0\n"));
}

TEST_F(AppPreferencesTest, SwitchesOnlyEverSet)
{
    writeDebugFile("general.app.logconsole=1\ngeneral.debug_mpn=kept\n");
    SwitchedConfigMgr mgr({QStringLiteral("Trevik"), QStringLiteral("-mpn="), QStringLiteral("-console=0")});
    mgr.setDebugFilePath(m_strDir + QStringLiteral("/debug.ini"));
    mgr.initialize();
    EXPECT_EQ(mgr.logConsole(), 1);
    EXPECT_EQ(pref::strDebugMpn, QStringLiteral("kept"));
}

} // namespace
