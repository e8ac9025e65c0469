// Renders Zalvimo's main window offscreen into a PNG, as a user sees it after pressing
// "Calculate Antena Impedance" and "Calculate compensation Network" with the default
// values. Used for the README's screenshot:
//     QT_QPA_PLATFORM=offscreen zalvimo-screenshot docs/screenshot.png
// Run it in the folder that holds the pictures to have them on their pages.

#include "mainwindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>

namespace {

// A press and release of the left mouse button in the middle of the button, delivered as
// the toolkit delivers a real one.
void click(QPushButton *button)
{
    const QPointF centre = QRectF(button->rect()).center();
    QMouseEvent press(
        QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &press);
    QMouseEvent release(
        QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button, &release);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [PAGE]\n", qPrintable(arguments.value(0)));
        return 2;
    }

    MainWindow window;
    window.show();
    for (const char *name : {"pushButtonCalculateImpedance", "pushButtonCompensate"}) {
        click(window.findChild<QPushButton *>(QLatin1String(name)));
    }
    if (arguments.size() > 2) {
        window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))
            ->setCurrentIndex(arguments.at(2).toInt());
    }
    QApplication::processEvents();

    if (!window.grab().save(arguments.at(1))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    return 0;
}
