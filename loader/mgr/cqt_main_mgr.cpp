#include "cqt_main_mgr.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

#include "app_identity.h"
#include "cqt_config_mgr.h"
#include "cqt_log.h"
#include "win_console_log.h"

namespace {
const char* const kSourceFile = "mgr\\cqtmainmgr";
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
                         QLatin1String(kAppName), g_configMgr.logConsole() != 0,
                         g_configMgr.logFile() != 0);
    return 0;
}
