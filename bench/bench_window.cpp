#include "calculationstate.h"
#include "mainwindow.h"

#include <QLineEdit>
#include <QtTest>

// The two calculating presses as the user makes them: from reading the fields to writing
// the results and asking the chart to repaint (the paint itself is bench_chart's).
class bench_Window : public QObject
{
    Q_OBJECT

private slots:
    void press_data();
    void press();
};

void bench_Window::press_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QString>("resultField");
    QTest::addColumn<QString>("expected");

    QTest::newRow("measurement") << QByteArray("on_pushButtonCalculateImpedance_pressed")
                                 << "lineEditReal"
                                 << "34.2409";
    QTest::newRow("compensation") << QByteArray("on_pushButtonCompensate_pressed")
                                  << "lineEditReactanceTwo"
                                  << "Capacitor of 119.109 pF";
}

void bench_Window::press()
{
    QFETCH(QByteArray, slot);
    QFETCH(QString, resultField);
    QFETCH(QString, expected);

    calculationState = CalculationState();
    MainWindow window;
    window.findChild<QLineEdit *>(QStringLiteral("lineEditReal"))
        ->setText(QStringLiteral("34.2409"));
    window.findChild<QLineEdit *>(QStringLiteral("lineEditJ"))->setText(QStringLiteral("14.3275"));
    QBENCHMARK
    {
        QMetaObject::invokeMethod(&window, slot.constData(), Qt::DirectConnection);
    }
    QCOMPARE(window.findChild<QLineEdit *>(resultField)->text(), expected);
}

QTEST_MAIN(bench_Window)
#include "bench_window.moc"
