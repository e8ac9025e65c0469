#ifndef ANTENNAWIDGET_H
#define ANTENNAWIDGET_H

#include <QWidget>

// The right half of the impedance plane at a zoom of `scale` pixels per ohm: resistance to
// the right from the left border, reactance upward from the middle row. It draws a grid in
// ohms, the source's conductance circle, the axes, the antenna impedance and the matching
// path, all read afresh from calculationState at every paint.
class AntennaWidget : public QWidget
{
    Q_OBJECT

public:
    AntennaWidget(int plotWidth, int plotHeight, QWidget *parent = nullptr);

    void setScale(double pixelsPerOhm);
    void redraw();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int plotWidth;
    int plotHeight;
    double scale;
};

#endif // ANTENNAWIDGET_H
