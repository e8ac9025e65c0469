// Helps tools/screenshot.sh photograph the real zalvimo program on an X server:
//     zalvimo-screenshot positions
//         prints where, in the window, the two calculating buttons and the five tabs are
//         ("calculate 725 196"), from a main window built in this process on the same X
//         server, with the same form, style and fonts as the program's;
//     zalvimo-screenshot grab WINDOW_ID OUTPUT.png
//         saves what the X server shows of that window.

#include "mainwindow.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

#include <cstdio>

namespace {

void printCentre(const char *name, const QWidget *window, const QWidget *widget, QRect rect)
{
    const QPoint centre = widget->mapTo(window, rect.center());
    std::printf("%s %d %d\n", name, centre.x(), centre.y());
}

int positions()
{
    MainWindow window;
    window.show();
    QApplication::processEvents();
    for (const auto &button : {std::make_pair("calculate", "pushButtonCalculateImpedance"),
             std::make_pair("compensate", "pushButtonCompensate")}) {
        const auto *widget = window.findChild<QPushButton *>(QLatin1String(button.second));
        printCentre(button.first, &window, widget, widget->rect());
    }
    const QTabBar *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->tabBar();
    for (int i = 0; i < tabs->count(); ++i) {
        printCentre(qPrintable(QStringLiteral("tab%1").arg(i)), &window, tabs, tabs->tabRect(i));
    }
    return 0;
}

int grab(const QString &window, const QString &output)
{
    bool ok = false;
    const WId id = window.toULongLong(&ok, 0);
    const QPixmap picture = ok ? QGuiApplication::primaryScreen()->grabWindow(id) : QPixmap();
    if (picture.isNull() || !picture.save(output)) {
        std::fprintf(stderr, "zalvimo-screenshot: cannot grab window %s into %s\n",
            qPrintable(window), qPrintable(output));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 2 && arguments[1] == QLatin1String("positions")) {
        return positions();
    }
    if (arguments.size() == 4 && arguments[1] == QLatin1String("grab")) {
        return grab(arguments[2], arguments[3]);
    }
    std::fprintf(stderr,
        "usage: zalvimo-screenshot positions\n"
        "       zalvimo-screenshot grab WINDOW_ID OUTPUT.png\n");
    return 2;
}
