// The program: the Qt application, the start-up of its preferences and logs, the window with
// its full title, and the event loop.

#include <QApplication>

#include "app_identity.h"
#include "cqt_main_mgr.h"
#include "trevik.h"

int main(int argc, char* argv[])
{
    int exitCode = 0;
    {
        QApplication application(argc, argv);
        g_mainMgr.startUp();
        {
            Trevik window;
            window.setWindowTitle(window.windowTitle() + QLatin1String("    Version : ") + QLatin1String(kAppVersion)
                                  + QLatin1String("    Build : ") + QLatin1String(kAppBuild));
            window.show();
            exitCode = application.exec();
        } // the window goes before the application object
    }
    return exitCode;
}
