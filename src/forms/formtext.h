#ifndef FORMTEXT_H
#define FORMTEXT_H

#include <QString>

// Translates a text of the main window's form. uic calls this for every translatable
// text of mainwindowui.ui; the context is the main window's class name, "MainWindow",
// which is what translators see, whatever the form record itself is called.
QString formText(const char *sourceText, const char *disambiguation);

#endif // FORMTEXT_H
