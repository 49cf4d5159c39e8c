// The yardstick of the start-up benchmark: a bare QMainWindow of the same Qt, shown and
// painted once.

#include <QApplication>
#include <QMainWindow>

#include "first_paint_report.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    FirstPaintReport report(window);
    window.show();
    return application.exec();
}
