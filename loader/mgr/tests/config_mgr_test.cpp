// The application's preferences: a fresh installation, the precedence of debug file, switches and
// settings file, the setter and the preference lock.
#include "app_preferences.h"
#include "cqt_config_mgr.h"
#include "test_environment.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// A manager with the switches of a chosen command line, its debug file in the test's folder.
struct SwitchedConfigMgr : CQTConfigMgr
{
    SwitchedConfigMgr(const QString &strDir, const char *szArguments) : arguments(QString::fromLatin1(szArguments).split(' '))
    {
        setDebugFilePath(strDir + "/debug.ini"_q);
    }
    ~SwitchedConfigMgr() override { cleanup(); }
    void parseCommandLine() override { applySwitches(arguments); }
    QStringList arguments;
};

struct AppPreferencesTest : ::testing::Test
{
    void SetUp() override
    {
        QDir().mkpath(QFileInfo(strSettings).path());
        QFile::remove(strSettings);
    }
    const QString strDir = testenv::freshDir(), strSettings = testenv::rootDir() + "/home/.config/Velmora/Trevik Tool.ini"_q;
};

TEST_F(AppPreferencesTest, FreshInstallationGivesTheDefaultsThroughSaveAndLoad)
{
    {
        SwitchedConfigMgr mgr(strDir, "Trevik");
        EXPECT_EQ(mgr.initialize(), 0);
        EXPECT_FALSE(QFile::exists(strSettings)) << "nothing to write before the first change";
        // Every record saved as it stands: the stored ones with their defaults, the others not at all.
        for (const CQTPreference &record : g_preferences)
            mgr.save(record.pValue);
        EXPECT_EQ(testenv::readSettings(strSettings), testenv::fixture("fresh_settings.ini"));
    }
    SwitchedConfigMgr mgr(strDir, "Trevik");
    EXPECT_EQ(mgr.initialize(), 0);
    EXPECT_EQ(QList<int>({mgr.deviceCom(), mgr.comBaudrate(), mgr.comByteSize(), mgr.comParity(), mgr.comStopBits(), mgr.comDtrControl(),
                          mgr.comRtsControl(), mgr.comDsrFlow(), mgr.comCtsFlow(), mgr.logConsole(), mgr.logFile(), mgr.emulateDevice()}),
              QList<int>({5, 9600, 8, 0, 0, 1, 1, 0, 0, 0, 0, false}));
}

TEST_F(AppPreferencesTest, DebugFileThenSwitchesThenTheSettingsFileOfStoredPreferences)
{
    const char *const szDefaults = "com=5|baud=9600|console=0|logfile=0|nodevice=0|readonly=0|nodb=0|dump=0|mpn=|lengths=11,0";
    // {debug.ini, arguments, settings file, the values that differ from the defaults}
    const char *const cases[][4] = {
        {"", "", "", ""},
        {"general.device_com=4\ngeneral.comparam_baudrate=19200\ngeneral.app.logfile=1\n", "",
         "[main_config]\ngeneral.device_com=3\ngeneral.app.logconsole=1\ngeneral.emulate_device=1\n", "com=3|baud=19200|logfile=1"},
        {"general.debug_mpn=from-debug\n", " -Console -logfile -nodevice -readonly -nodb -dump -mpn=X1",
         "[main_config]\ngeneral.debug_mpn=from-settings\ngeneral.emulate_device=0\n",
         "console=1|logfile=1|nodevice=1|readonly=1|nodb=1|dump=1|mpn=X1"},
        {"general.app.logconsole=1\ngeneral.debug_mpn=kept\n", " -mpn= -console=0", "", "console=1|mpn=kept"}, // switches only set
        {"", "", "[main_config]\ngeneral.product_field_length=14\n", "lengths=14,0"},
        // Only debug keys outside every section apply; Qt files a [General] section's keys at the top.
        {"general.emulate_device=1\n[x]\ngeneral.device_com=3\n", "", "", "nodevice=1"},
        {"[General]\ngeneral.emulate_device=1\n", "", "", ""},
        {"; comment\r\n  [general]\r\ngeneral.emulate_device=1\r\n", "", "", ""},
        {"\xEF\xBB\xBF[General]\ngeneral.emulate_device=1\n", "", "", ""},
        {"general.emulate_device=0\n[General]\ngeneral.emulate_device=1\n", "", "", ""}};
    for (const auto &c : cases) {
        ASSERT_TRUE(testenv::writeFile(strDir + "/debug.ini"_q, c[0]) && testenv::writeFile(strSettings, c[2]));
        SwitchedConfigMgr mgr(strDir, QByteArray("Trevik") + c[1]);
        EXPECT_EQ(mgr.initialize(), 0);
        EXPECT_EQ("com=%1|baud=%2|console=%3|logfile=%4|nodevice=%5|readonly=%6|nodb=%7|dump=%8|mpn=%9"_q.arg(mgr.deviceCom()).arg(mgr.comBaudrate())
                          .arg(mgr.logConsole()).arg(mgr.logFile()).arg(mgr.emulateDevice()).arg(pref::bDeviceReadOnly).arg(pref::bEmulateDb)
                          .arg(pref::bDumpDb).arg(pref::strDebugMpn) + "|lengths=%1,%2"_q.arg(pref::iProductFieldLength).arg(pref::iReserved20),
                  testenv::withChanges(szDefaults, c[3])) << c[0] << c[1];
        // Memory-only preferences are never written to the settings file.
        for (const CQTPreference &record : g_preferences)
            if (record.iStorage == PREF_RUNTIME)
                mgr.save(record.pValue);
        EXPECT_EQ(testenv::readSettings(strSettings), c[2]);
    }
}

TEST_F(AppPreferencesTest, SetDeviceComSavesAtOnceUnderThePreferenceLock)
{
    SwitchedConfigMgr mgr(strDir, "Trevik");
    mgr.initialize();
    QThread *pWriter = QThread::create([&] { mgr.setDeviceCom(12); });
    {
        QMutexLocker locker(&g_preferenceLock);
        pWriter->start();
        EXPECT_FALSE(pWriter->wait(200)) << "the setter waits for the lock";
        EXPECT_EQ(mgr.deviceCom(), 5) << "the lock is recursive: its owner reads on";
    }
    EXPECT_TRUE(pWriter->wait(10000));
    delete pWriter;
    EXPECT_EQ(mgr.deviceCom(), 12);
    EXPECT_EQ(testenv::readSettings(strSettings), "[main_config]\ngeneral.device_com=12\n");
    EXPECT_EQ(testenv::readSettings(strSettings + ".bak"_q), "[main_config]\ngeneral.device_com=12\n");
}

} // namespace
