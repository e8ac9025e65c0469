#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>

class AntennaWidget;

namespace Ui {
class MainWindowUi;
}

// The one window: the calculator panel on the right, the chart and the information pages
// on the left. Its slots are bound by name to the buttons' pressed() signals and to the
// zoom slider when the form is built.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void on_pushButtonSerial_pressed();
    void on_pushButtonParallel_pressed();
    void on_pushButtonCompensate_pressed();
    void on_pushButtonCalculateImpedance_pressed();
    void on_horizontalSlider_valueChanged(int value);

private:
    AntennaWidget *antennaWidget;
    Ui::MainWindowUi *ui;
};

#endif // MAINWINDOW_H
