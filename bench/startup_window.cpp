// Starts the real main window, shows it, and quits as soon as the chart has painted for the
// first time: the start-up a user waits for. Timed as a whole process by tools/bench.sh
// against startup_bare.

#include "antennawidget.h"
#include "firstpaint.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    MainWindow window;
    QuitAfterFirstPaint watcher(window.findChild<AntennaWidget *>());
    window.show();
    return application.exec();
}
