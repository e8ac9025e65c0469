#ifndef MAINWINDOWUI_H
#define MAINWINDOWUI_H

// The main window's form record, Ui::MainWindowUi, as uic builds it from mainwindowui.ui:
// one pointer per widget, setupUi() and retranslateUi(). Edit the form in Qt Designer.
#include "ui_mainwindowui.h"

#endif // MAINWINDOWUI_H
