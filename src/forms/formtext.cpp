#include "formtext.h"

#include <QCoreApplication>

QString formText(const char *sourceText, const char *disambiguation)
{
    return QCoreApplication::translate("MainWindow", sourceText, disambiguation, -1);
}
