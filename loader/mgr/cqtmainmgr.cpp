#include "cqtmainmgr.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>

#include "cqtconfigmgr.h"
#include "cqtlog.h"
#include "trevik.h"
#include "winconsolelog.h"

namespace {
const char* const kSourceFile = "mgr\\cqtmainmgr";
const char* const kLogName = "Trevik Tool";
const char* const kVersion = "1.0.0.5";
const char* const kBuild = "1612211426";
} // namespace

mainMgr g_mainMgr;

int mainMgr::startUp()
{
    const int result = g_configMgr.initialize();
    if (!checkResult(result))
        return CQTSingleton<CQTLog>::instance()->writeErrorBacktrace(kSourceFile, 26, "", kThreadErrorCode);

    const QStringList temporaryFolders = QStandardPaths::standardLocations(QStandardPaths::TempLocation);
    if (temporaryFolders.isEmpty())
        return 0;
    g_winConsoleLog.open(QDir::toNativeSeparators(temporaryFolders.first()) + QDir::separator(),
                         QLatin1String(kLogName), g_configMgr.logConsole() != 0,
                         g_configMgr.logFile() != 0);
    return 0;
}

int main(int argc, char* argv[])
{
    int exitCode = 0;
    {
        QApplication application(argc, argv);
        g_mainMgr.startUp();
        {
            Trevik window;
            window.setWindowTitle(window.windowTitle() + QLatin1String("    Version : ") + QLatin1String(kVersion)
                                  + QLatin1String("    Build : ") + QLatin1String(kBuild));
            window.show();
            exitCode = application.exec();
        } // the window goes before the application object
    }
    return exitCode;
}
