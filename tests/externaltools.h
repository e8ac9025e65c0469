#ifndef EXTERNALTOOLS_H
#define EXTERNALTOOLS_H

#include <QProcess>
#include <QString>

// The programs that check this one from outside (scikit-rf on Debian's Python) are
// installed by the test command; a test that needs one skips, saying so, where it is not.

// Debian's Python with scikit-rf: numpy 1.24 dropped numpy.complex, which scikit-rf 0.15
// still uses, so the scripts restore it before the import.
inline bool scikitRfAvailable()
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
            QStringLiteral("import numpy\nnumpy.complex = complex\nimport skrf")});
    return python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit
        && python.exitCode() == 0;
}

inline const char *scikitRfMissing()
{
    return "scikit-rf is not installed (apt-get install python3-scikit-rf)";
}

#endif // EXTERNALTOOLS_H
