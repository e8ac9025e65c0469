#include "antennawidget.h"
#include "calculationstate.h"
#include "mainwindow.h"
#include "numbertext.h"

#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

const QRgb kGrey = QColor(Qt::gray).rgb();
constexpr int kScanRow = 20; // crosses no label and no circle at the zooms used here

QPixmap pixmapOf(const QLabel *label)
{
#if QT_VERSION >= QT_VERSION_CHECK(5, 15, 0)
    return label->pixmap(Qt::ReturnByValue);
#else
    return label->pixmap() ? *label->pixmap() : QPixmap();
#endif
}

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 100 && qRed(pixel) > 2 * qGreen(pixel) && qRed(pixel) > 2 * qBlue(pixel);
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void slotTable();
    void pictures_data();
    void pictures();
    void buildingRunsNoAction();
    void sliderSetsTheZoom();
    void pressRunsTheActionBeforeRelease();
    void measurement_data();
    void measurement();
    void compensation_data();
    void compensation();
    void compensationTwiceGivesTheSame();
    void newMeasurementKeepsTheOldPath();
    void combination_data();
    void combination();
    void endToEnd();
    void measuredResistanceEqualToTheSource();

private:
    QLineEdit *field(const char *name)
    {
        return window->findChild<QLineEdit *>(QLatin1String(name));
    }
    void press(const char *buttonName);
    QImage renderChart();

    MainWindow *window = nullptr;
};

void tst_MainWindow::init()
{
    calculationState = CalculationState();
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void tst_MainWindow::cleanup()
{
    delete window;
    window = nullptr;
}

void tst_MainWindow::press(const char *buttonName)
{
    auto *button = window->findChild<QPushButton *>(QLatin1String(buttonName));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

QImage tst_MainWindow::renderChart()
{
    auto *chart = window->findChild<AntennaWidget *>();
    return chart ? chart->grab().toImage().convertToFormat(QImage::Format_RGB32) : QImage();
}

void tst_MainWindow::slotTable()
{
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(meta.className(), "MainWindow");
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 5);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());
    QCOMPARE(meta.classInfoCount(), meta.classInfoOffset());
    QCOMPARE(meta.constructorCount(), 0);

    const QList<QByteArray> signatures {"on_pushButtonSerial_pressed()",
        "on_pushButtonParallel_pressed()", "on_pushButtonCompensate_pressed()",
        "on_pushButtonCalculateImpedance_pressed()", "on_horizontalSlider_valueChanged(int)"};
    for (int i = 0; i < signatures.size(); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        QCOMPARE(method.methodSignature(), signatures[i]);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        QCOMPARE(method.returnType(), int(QMetaType::Void));
    }
    QCOMPARE(window->findChild<AntennaWidget *>()->metaObject()->methodCount(),
        QWidget::staticMetaObject.methodCount());
}

// The pictures come from the working directory, whatever directory holds the executable.
void tst_MainWindow::pictures_data()
{
    QTest::addColumn<bool>("withPictures");
    QTest::newRow("folder with both pictures") << true;
    QTest::newRow("empty folder") << false;
}

void tst_MainWindow::pictures()
{
    QFETCH(bool, withPictures);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QSize setupSize(37, 21);
    const QSize regionSize(53, 29);
    if (withPictures) {
        QImage setup(setupSize, QImage::Format_RGB32);
        setup.fill(Qt::blue);
        QVERIFY(setup.save(folder.filePath(QStringLiteral("zentu.png"))));
        QImage regions(regionSize, QImage::Format_RGB32);
        regions.fill(Qt::yellow);
        QVERIFY(regions.save(folder.filePath(QStringLiteral("Z_region.png"))));
    }
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    MainWindow started;
    QVERIFY(QDir::setCurrent(previous));

    const QPixmap setup = pixmapOf(started.findChild<QLabel *>(QStringLiteral("label_7")));
    const QPixmap regions = pixmapOf(started.findChild<QLabel *>(QStringLiteral("label_15")));
    QCOMPARE(setup.isNull(), !withPictures);
    QCOMPARE(regions.isNull(), !withPictures);
    if (withPictures) {
        QCOMPARE(setup.size(), setupSize);
        QCOMPARE(regions.size(), regionSize);
        QCOMPARE(setup.toImage().pixelColor(5, 5), QColor(Qt::blue));
    }
}

void tst_MainWindow::buildingRunsNoAction()
{
    for (const char *name :
        {"lineEditReal", "lineEditJ", "lineEditCircuitN", "lineEditReact1", "lineEditReact2",
            "lineEditReactanceOne", "lineEditReactanceTwo", "lineEditZ3R", "lineEditZ3J"}) {
        QCOMPARE(field(name)->text(), QString());
    }
    QCOMPARE(calculationState.sourceImpedance, 50.0);
    QCOMPARE(calculationState.zReal, 0.0);
    // The slider stands at 30, but the chart still draws 2 pixels per ohm: a grid line at
    // 50 ohm lies at column 100, not at column 91 as exp(30 / 50) would put it.
    const QImage chart = renderChart();
    QCOMPARE(chart.pixel(100, kScanRow), kGrey);
    QVERIFY(chart.pixel(91, kScanRow) != kGrey);
}

void tst_MainWindow::sliderSetsTheZoom()
{
    auto *slider = window->findChild<QSlider *>(QStringLiteral("horizontalSlider"));
    slider->setValue(0); // one pixel per ohm: lines every 50 pixels
    QImage chart = renderChart();
    QCOMPARE(chart.pixel(50, kScanRow), kGrey);
    QCOMPARE(chart.pixel(450, kScanRow), kGrey);

    slider->setValue(150); // e^3 pixels per ohm: a line every 2 ohms, the first at column 40
    chart = renderChart();
    QCOMPARE(chart.pixel(40, kScanRow), kGrey);
    QVERIFY(chart.pixel(50, kScanRow) != kGrey);

    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(slider->value(), 150);
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(slider->value(), -70); // lines every 100 ohms, 24.66 pixels apart
    chart = renderChart();
    QCOMPARE(chart.pixel(49, kScanRow), kGrey);
    QCOMPARE(chart.pixel(493, kScanRow), kGrey);
}

void tst_MainWindow::pressRunsTheActionBeforeRelease()
{
    auto *button = window->findChild<QPushButton *>(QStringLiteral("pushButtonCalculateImpedance"));
    QTest::mousePress(button, Qt::LeftButton);
    QCOMPARE(field("lineEditReal")->text(), QStringLiteral("34.2409"));
    // Releasing must not run it again.
    field("lineEditReal")->setText(QStringLiteral("typed"));
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(field("lineEditReal")->text(), QStringLiteral("typed"));
}

void tst_MainWindow::measurement_data()
{
    QTest::addColumn<QStringList>("inputs"); // source, vRef, vX, delay, frequency
    QTest::addColumn<QString>("real");
    QTest::addColumn<QString>("imag");

    QTest::newRow("defaults") << QStringList {"50", "32.0", "27.8", "2.0", "18.130"} << "34.2409"
                              << "14.3275";
    QTest::newRow("negative delay")
        << QStringList {"50", "32.0", "27.8", "-2.0", "18.130"} << "34.2409"
        << "-14.3275";
    QTest::newRow("delay 0") << QStringList {"50", "32.0", "27.8", "0", "18.130"} << "38.3978"
                             << "0";
    QTest::newRow("delay empty") << QStringList {"50", "32.0", "27.8", "", "18.130"} << "38.3978"
                                 << "0";
    QTest::newRow("frequency empty") << QStringList {"50", "32.0", "27.8", "2.0", ""} << "38.3978"
                                     << "0";
    QTest::newRow("40 m band") << QStringList {"50", "50", "40", "10", "7.1"} << "22.9132"
                               << "19.688";
    QTest::newRow("source 75") << QStringList {"75", "32.0", "27.8", "2.0", "18.130"} << "51.3614"
                               << "21.4912";
    QTest::newRow("vX empty") << QStringList {"50", "32.0", "", "2.0", "18.130"} << "0"
                              << "0";
    QTest::newRow("vX letters") << QStringList {"50", "32.0", "abc", "2.0", "18.130"} << "0"
                                << "0";
    QTest::newRow("source empty") << QStringList {"", "32.0", "27.8", "2.0", "18.130"} << "0"
                                  << "0";
    // A decimal comma reads as the point would: the defaults written the European way give
    // the defaults' result, not the silent 0 that toDouble alone gives.
    // Each field's own unit typed after the number, as the captions ask for it.
    QTest::newRow("units after the numbers")
        << QStringList {"50 Ohm", "32.0 mV", "27.8mV", "2.0 ns", "18.130 MHz"} << "34.2409"
        << "14.3275";
    QTest::newRow("decimal commas")
        << QStringList {"50", "32,0", "27,8", "2,0", "18,130"} << "34.2409"
        << "14.3275";
    QTest::newRow("two commas still read as 0")
        << QStringList {"50", "32.0", "2,7,8", "2.0", "18.130"} << "0"
        << "0";
    QTest::newRow("vX twice vRef, no delay")
        << QStringList {"50", "32.0", "64", "0", "18.130"} << "inf"
        << "nan";
    QTest::newRow("all empty") << QStringList {"", "", "", "", ""} << "nan"
                               << "nan";
}

void tst_MainWindow::measurement()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, real);
    QFETCH(QString, imag);

    const char *names[] = {
        "lineEditSourceImpedance", "lineEditVRef", "lineEditVX", "lineEditDelay", "lineEditFreq"};
    for (int i = 0; i < 5; ++i) {
        field(names[i])->setText(inputs[i]);
    }
    press("pushButtonCalculateImpedance");
    QCOMPARE(field("lineEditReal")->text(), real);
    QCOMPARE(field("lineEditJ")->text(), imag);
    QCOMPARE(calculationState.sourceImpedance,
        numberFromText(
            inputs[0], {QStringLiteral("Ohm"), QStringLiteral("Ohms"), QStringLiteral("\u03a9")}));
    QCOMPARE(calculationState.turnImag, 0.0); // the solver did not run
}

// With vRef 0 the result is −Z0 up to a rounding residue that only the state shows.
void tst_MainWindow::compensation_data()
{
    QTest::addColumn<QStringList>("inputs"); // R, X, MHz, Z0
    QTest::addColumn<QStringList>("outputs"); // React1, React2, CircuitN, ReactanceOne, -Two

    QTest::newRow("A") << QStringList {"20", "30", "10", "50"}
                       << QStringList {"-5.5051", "-40.8248", "Circuit: A",
                              "Capacitor of 2891.04 pF", "Capacitor of 389.848 pF"};
    QTest::newRow("B") << QStringList {"20", "10", "10", "50"}
                       << QStringList {"14.4949", "-40.8248", "Circuit: B", "Coil of 230.693 nH",
                              "Capacitor of 389.848 pF"};
    QTest::newRow("C") << QStringList {"20", "-10", "10", "50"}
                       << QStringList {"-14.4949", "40.8248", "Circuit: C",
                              "Capacitor of 1098.01 pF", "Coil of 649.747 nH"};
    QTest::newRow("D") << QStringList {"20", "-30", "10", "50"}
                       << QStringList {"5.5051", "40.8248", "Circuit: D", "Coil of 87.6164 nH",
                              "Coil of 649.747 nH"};
    QTest::newRow("E") << QStringList {"100", "50", "10", "50"}
                       << QStringList {"172.474", "-61.2372", "Circuit: E", "Coil of 2745.02 nH",
                              "Capacitor of 259.899 pF"};
    QTest::newRow("F") << QStringList {"100", "-50", "10", "50"}
                       << QStringList {"-172.474", "61.2372", "Circuit: F",
                              "Capacitor of 92.2774 pF", "Coil of 974.621 nH"};
    QTest::newRow("on the source's circle") << QStringList {"10", "20", "10",
        "50"} << QStringList {"0", "-25", "Circuit: A", "Coil of 0 nH", "Capacitor of 636.62 pF"};
    QTest::newRow("the default measurement")
        << QStringList {"34.2409", "14.3275", "18.130", "50"}
        << QStringList {"8.90192", "-73.7016", "Circuit: B", "Coil of 78.1458 nH",
               "Capacitor of 119.109 pF"};
    // With R equal to Z0 the series element alone matches and the shunt element is an
    // open circuit: an infinite reactance, a capacitor of 0 pF (no part), where the plain
    // complex division would show "nan" and "Coil of nan nH".
    QTest::newRow("R equal to Z0") << QStringList {"50", "10", "10", "50"}
                                   << QStringList {"-10", "-inf", "Circuit: A",
                                          "Capacitor of 1591.55 pF", "Capacitor of 0 pF"};
    QTest::newRow("R equal to Z0, measured 50 + j30 on 40 m")
        << QStringList {"50", "30", "7.1", "50"}
        << QStringList {
               "-30", "-inf", "Circuit: A", "Capacitor of 747.206 pF", "Capacitor of 0 pF"};
    QTest::newRow("R equal to Z0, capacitive")
        << QStringList {"50", "-10", "10", "50"}
        << QStringList {"10", "-inf", "Circuit: D", "Coil of 159.155 nH", "Capacitor of 0 pF"};
    QTest::newRow("already matched: nothing to build") << QStringList {"50", "0", "14.2",
        "50"} << QStringList {"0", "-inf", "Circuit: A", "Coil of 0 nH", "Capacitor of 0 pF"};
    QTest::newRow("decimal commas") << QStringList {"20", "-30", "10,0", "50"}
                                    << QStringList {"5.5051", "40.8248", "Circuit: D",
                                           "Coil of 87.6164 nH", "Coil of 649.747 nH"};
    QTest::newRow("decimal comma in R and X")
        << QStringList {"34,2409", "14,3275", "18.130", "50,0"}
        << QStringList {"8.90192", "-73.7016", "Circuit: B", "Coil of 78.1458 nH",
               "Capacitor of 119.109 pF"};
    QTest::newRow("frequency empty") << QStringList {"20", "30", "", "50"}
                                     << QStringList {"-5.5051", "-40.8248", "Circuit: A",
                                            "Capacitor of inf pF", "Capacitor of inf pF"};
    QTest::newRow("source empty: every load is beyond") << QStringList {"30", "40", "10",
        ""} << QStringList {"0", "0", "Circuit: E", "Coil of 0 nH", "Coil of 0 nH"};
    // R = Z0 = 0 is the open shunt element again; at 0 Hz even that has no value.
    QTest::newRow("all empty") << QStringList {"", "", "",
        ""} << QStringList {"0", "-inf", "Circuit: A", "Coil of nan nH", "Capacitor of nan pF"};
}

void tst_MainWindow::compensation()
{
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, outputs);

    field("lineEditReal")->setText(inputs[0]);
    field("lineEditJ")->setText(inputs[1]);
    field("lineEditFreq")->setText(inputs[2]);
    field("lineEditSourceImpedance")->setText(inputs[3]);
    press("pushButtonCompensate");

    QCOMPARE(field("lineEditReact1")->text(), outputs[0]);
    QCOMPARE(field("lineEditReact2")->text(), outputs[1]);
    QCOMPARE(field("lineEditCircuitN")->text(), outputs[2]);
    QCOMPARE(field("lineEditReactanceOne")->text(), outputs[3]);
    QCOMPARE(field("lineEditReactanceTwo")->text(), outputs[4]);
    QCOMPARE(calculationState.zReal, numberFromText(inputs[0]));
    QCOMPARE(calculationState.zImag, numberFromText(inputs[1]));
    QCOMPARE(calculationState.sourceImpedance, numberFromText(inputs[3]));
}

void tst_MainWindow::compensationTwiceGivesTheSame()
{
    field("lineEditReal")->setText(QStringLiteral("100"));
    field("lineEditJ")->setText(QStringLiteral("-50"));
    press("pushButtonCompensate");
    const QString first = field("lineEditReactanceOne")->text();
    const QImage firstChart = renderChart();
    press("pushButtonCompensate");
    QCOMPARE(field("lineEditReactanceOne")->text(), first);
    QCOMPARE(renderChart(), firstChart);
}

// A measurement after a compensation moves the marker and leaves the old path.
void tst_MainWindow::newMeasurementKeepsTheOldPath()
{
    field("lineEditReal")->setText(QStringLiteral("100"));
    field("lineEditJ")->setText(QStringLiteral("50"));
    press("pushButtonCompensate");
    const CalculationState solved = calculationState;
    press("pushButtonCalculateImpedance");
    QCOMPARE(field("lineEditReal")->text(), QStringLiteral("34.2409"));
    QCOMPARE(calculationState.turnImag, solved.turnImag);
    QCOMPARE(calculationState.arcCenter, solved.arcCenter);
    QCOMPARE(calculationState.circuitVariant, solved.circuitVariant);
    QCOMPARE(field("lineEditCircuitN")->text(), QStringLiteral("Circuit: E"));
    // The old path's vertical segment at 50 ohm and the new marker are both drawn.
    const QImage chart = renderChart();
    QVERIFY(isRed(chart.pixel(100, 150)) || isRed(chart.pixel(99, 150)));
    QVERIFY(isRed(chart.pixel(66, 171)) || isRed(chart.pixel(66, 170)));
}

void tst_MainWindow::combination_data()
{
    QTest::addColumn<QStringList>("inputs"); // Z1 R, Z1 J, Z2 R, Z2 J
    QTest::addColumn<QStringList>("serial");
    QTest::addColumn<QStringList>("parallel");

    QTest::newRow("defaults") << QStringList {"0", "0", "0", "0"} << QStringList {"0", "0"}
                              << QStringList {"nan", "nan"};
    QTest::newRow("two 50 ohm resistors") << QStringList {"50", "0", "50", "0"}
                                          << QStringList {"100", "0"} << QStringList {"25", "0"};
    QTest::newRow("conjugates") << QStringList {"30", "40", "30", "-40"} << QStringList {"60", "0"}
                                << QStringList {"41.6667", "0"};
    QTest::newRow("resistor and coil") << QStringList {"50", "0", "0", "50"}
                                       << QStringList {"50", "50"} << QStringList {"25", "25"};
    QTest::newRow("general") << QStringList {"100", "25", "33", "-75"} << QStringList {"133", "-50"}
                             << QStringList {"50.6229", "-31.1568"};
    QTest::newRow("short across a resistor")
        << QStringList {"0", "0", "50", "0"} << QStringList {"50", "0"} << QStringList {"0", "0"};
    QTest::newRow("parallel resonance") << QStringList {"0", "50", "0", "-50"}
                                        << QStringList {"0", "0"} << QStringList {"inf", "nan"};
    QTest::newRow("exponent form") << QStringList {"1000000", "0", "0", "0"}
                                   << QStringList {"1e+06", "0"} << QStringList {"0", "0"};
    QTest::newRow("text reads as 0") << QStringList {"abc", "", "50", "1,5,0"}
                                     << QStringList {"50", "0"} << QStringList {"0", "0"};
    QTest::newRow("decimal commas")
        << QStringList {"30,5", "40", "-1,5e3", "0,0"} << QStringList {"-1469.5", "40"}
        << QStringList {"29.9994", "41.6468"};
}

void tst_MainWindow::combination()
{
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, serial);
    QFETCH(QStringList, parallel);

    field("lineEditZ1R")->setText(inputs[0]);
    field("lineEditZ1J")->setText(inputs[1]);
    field("lineEditZ2R")->setText(inputs[2]);
    field("lineEditZ2J")->setText(inputs[3]);
    calculationState.zReal = 12;
    const QImage chartBefore = renderChart();

    press("pushButtonSerial");
    QCOMPARE(field("lineEditZ3R")->text(), serial[0]);
    QCOMPARE(field("lineEditZ3J")->text(), serial[1]);
    press("pushButtonParallel");
    QCOMPARE(field("lineEditZ3R")->text(), parallel[0]);
    QCOMPARE(field("lineEditZ3J")->text(), parallel[1]);

    QCOMPARE(calculationState.zReal, 12.0);
    QCOMPARE(calculationState.zImag, 0.0);
    QCOMPARE(calculationState.sourceImpedance, 50.0);
    QCOMPARE(field("lineEditReal")->text(), QString());
    QCOMPARE(renderChart(), chartBefore);
}

// The road of a first use: measure with the defaults, then compensate.
void tst_MainWindow::endToEnd()
{
    press("pushButtonCalculateImpedance");
    press("pushButtonCompensate");
    QCOMPARE(field("lineEditReact1")->text(), QStringLiteral("8.90192"));
    QCOMPARE(field("lineEditReact2")->text(), QStringLiteral("-73.7016"));
    QCOMPARE(field("lineEditCircuitN")->text(), QStringLiteral("Circuit: B"));
    QCOMPARE(field("lineEditReactanceOne")->text(), QStringLiteral("Coil of 78.1458 nH"));
    QCOMPARE(field("lineEditReactanceTwo")->text(), QStringLiteral("Capacitor of 119.109 pF"));

    // The series coil's segment at column 68, from Z (row 171) up to the turn point (154).
    const QImage chart = renderChart();
    for (int y = 156; y <= 169; ++y) {
        QVERIFY(isRed(chart.pixel(68, y)) || isRed(chart.pixel(69, y)));
    }
}

// A 50 + j30 load measured on 40 m: the measured R is 50.0000015, shown as "50", and the
// compensation reads that text. The series capacitor alone matches; the shunt element is
// left out, and nothing on the panel says "nan".
void tst_MainWindow::measuredResistanceEqualToTheSource()
{
    field("lineEditVX")->setText(QStringLiteral("35.74425"));
    field("lineEditDelay")->setText(QStringLiteral("5.580795"));
    field("lineEditFreq")->setText(QStringLiteral("7.1"));
    press("pushButtonCalculateImpedance");
    QCOMPARE(field("lineEditReal")->text(), QStringLiteral("50"));
    QCOMPARE(field("lineEditJ")->text(), QStringLiteral("30"));
    press("pushButtonCompensate");
    QCOMPARE(field("lineEditCircuitN")->text(), QStringLiteral("Circuit: A"));
    QCOMPARE(field("lineEditReact1")->text(), QStringLiteral("-30"));
    QCOMPARE(field("lineEditReact2")->text(), QStringLiteral("-inf"));
    QCOMPARE(field("lineEditReactanceOne")->text(), QStringLiteral("Capacitor of 747.206 pF"));
    QCOMPARE(field("lineEditReactanceTwo")->text(), QStringLiteral("Capacitor of 0 pF"));
    QCOMPARE(calculationState.turnImag, 0.0);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
