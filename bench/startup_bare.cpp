// The toolkit's floor for start-up: a QMainWindow with one QLabel, shown, quitting once the
// label has painted for the first time.

#include "firstpaint.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    auto *label = new QLabel(QStringLiteral("Zalvimo"));
    window.setCentralWidget(label);
    QuitAfterFirstPaint watcher(label);
    window.show();
    return application.exec();
}
