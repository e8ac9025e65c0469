#ifndef PLOTAPPLICATION_H
#define PLOTAPPLICATION_H

#include <QCoreApplication>

#include <memory>

// Whether a companion's arguments ask for a picture, in either form of the option
// ("--plot swr.png", "--plot=swr.png").
bool asksForPlot(int argc, char *argv[]);

// The application object a companion runs in. Drawing text needs the toolkit's fonts, which
// need a GUI application object, and one on no display: the offscreen platform, chosen only
// when a picture is asked; everything else needs only the core, which starts faster and
// runs where no GUI library would load. `argc` must outlive the object, as Qt requires.
// The toolkit's own warnings ("XDG_RUNTIME_DIR not set") are not the user's business on a
// command line and are not shown; its critical messages are.
std::unique_ptr<QCoreApplication> companionApplication(int &argc, char *argv[]);

#endif // PLOTAPPLICATION_H
