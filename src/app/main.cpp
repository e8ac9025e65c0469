#include "applicationfont.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The desktop file's name, so that a Wayland dock finds the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.zalvimo.Zalvimo"));
    // Before the window is built: a font under which its captions fit their fixed boxes.
    QApplication::setFont(fittingApplicationFont(QApplication::font()));
    MainWindow window;
    window.show();
    return application.exec();
}
