// The second yardstick of the start-up benchmark: the program's own designer form with its
// status-bar texts (the bold labels, the larger status font, the status text's style sheet),
// shown and painted once, without preferences, port discovery or the device link. Start-up
// next to it is what the program's logic costs; next to a bare window, what the form costs.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

#include "first_paint_report.h"
#include "ui_trevik.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    Ui::TrevikClass form;
    form.setupUi(&window);
    auto* status = new QLabel(QStringLiteral("Device connected"), &window);
    QFont font = window.font();
    font.setPixelSize(18);
    status->setFont(font);
    status->setStyleSheet(QStringLiteral("QLabel{ color : green; }"));
    window.statusBar()->addWidget(new QLabel(&window), 0);
    window.statusBar()->addWidget(status, 0);
    FirstPaintReport report(window);
    window.show();
    return application.exec();
}
