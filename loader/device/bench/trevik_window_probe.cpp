// The program's own start-up, step for step as its main() takes it (preferences and logs, the
// window with its full title, show), ending at the window's first paint.

#include <QApplication>

#include "app_identity.h"
#include "cqt_main_mgr.h"
#include "first_paint_report.h"
#include "trevik.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    g_mainMgr.startUp();
    Trevik window;
    window.setWindowTitle(window.windowTitle() + QLatin1String("    Version : ") + QLatin1String(kAppVersion)
                          + QLatin1String("    Build : ") + QLatin1String(kAppBuild));
    FirstPaintReport report(window);
    window.show();
    return application.exec();
}
