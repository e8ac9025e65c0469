// Draws the pictures that Zalvimo shows and installs, into the folder given:
//   zentu.png     the measuring setup, for the page "Measuring setup" (431 by 431)
//   Z_region.png  the impedance plane coloured by circuit variant, with the six L-networks,
//                 for the page "Impedance Matching Circuits" (411 by 410)
//   zalvimo.png   the application icon (128 by 128)
// Run headless at build time:
//     QT_QPA_PLATFORM=offscreen zalvimo-pictures OUTDIR src/forms/mainwindowui.ui

#include "formdefaults.h"
#include "icon.h"
#include "matchingregions.h"
#include "measuringsetup.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR FORM.ui\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    DefaultReading reading;
    if (!readDefaults(QString::fromLocal8Bit(argv[2]), &reading)) {
        std::fprintf(stderr, "%s: cannot read the fields' default texts\n", argv[2]);
        return 1;
    }
    const struct
    {
        const char *name;
        QImage image;
    } pictures[] = {{"zentu.png", measuringSetup(reading)}, {"Z_region.png", matchingRegions()},
        {"zalvimo.png", icon()}};
    for (const auto &picture : pictures) {
        const QString path = out.filePath(QLatin1String(picture.name));
        if (!picture.image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
