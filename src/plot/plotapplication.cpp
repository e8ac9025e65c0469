#include "plotapplication.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstring>

namespace {

void toolkitMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
}

} // namespace

bool asksForPlot(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--plot") == 0 || std::strncmp(argv[i], "--plot=", 7) == 0) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<QCoreApplication> companionApplication(int &argc, char *argv[])
{
    qInstallMessageHandler(toolkitMessage);
    if (asksForPlot(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}
