#ifndef PLOTAPPLICATION_H
#define PLOTAPPLICATION_H

#include <QCoreApplication>

#include <memory>

// The application object of a companion that may draw a plot. Drawing text needs the
// toolkit's fonts, which need a GUI application object (on the offscreen platform: no
// display is used) before anything is drawn; everything else needs only the core, which
// starts faster. The arguments ask for a plot in either form of the option ("--plot
// swr.png", "--plot=swr.png"). The toolkit's own warnings ("XDG_RUNTIME_DIR not set") are
// not the user's business on a command line and are not shown; its critical messages are.
std::unique_ptr<QCoreApplication> companionApplication(int &argc, char *argv[]);

#endif // PLOTAPPLICATION_H
