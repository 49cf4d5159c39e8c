#include "test_environment.h"

#include <QDir>
#include <QApplication>
#include <QSettings>
#include <QTest>

#include <memory>
#include <vector>

#include "cqt_config_mgr.h"

TestEnvironment::TestEnvironment()
{
    QDir().mkpath(portFolder());
    QDir().mkpath(configFolder());
    QDir().mkpath(path() + QStringLiteral("/tmp"));
    qputenv("XDG_CONFIG_HOME", configFolder().toLocal8Bit());
    qputenv("TREVIK_PORT_DIR", portFolder().toLocal8Bit());
    qputenv("TMPDIR", (path() + QStringLiteral("/tmp")).toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

int TestEnvironment::storedDeviceCom() const
{
    QSettings settings(configFolder() + QStringLiteral("/Velmora/Trevik Tool.ini"), QSettings::IniFormat);
    return settings.value(QStringLiteral("main_config/general.device_com"), -1).toInt();
}

int runWindowTest(int argc, char* argv[], const QStringList& switches,
                  const std::function<QObject*()>& makeTest)
{
    std::vector<QByteArray> storage;
    storage.push_back(QByteArray(argv[0]));
    for (const QString& strSwitch : switches)
        storage.push_back(strSwitch.toLocal8Bit());
    std::vector<char*> programArgs;
    for (QByteArray& arg : storage)
        programArgs.push_back(arg.data());
    programArgs.push_back(nullptr);
    int programArgc = static_cast<int>(storage.size());

    QApplication application(programArgc, programArgs.data());
    if (g_configMgr.initialize() != 0) {
        qCritical("the preference manager did not initialise");
        return 1;
    }
    std::unique_ptr<QObject> test(makeTest());
    return QTest::qExec(test.get(), argc, argv);
}
