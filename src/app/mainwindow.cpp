#include "mainwindow.h"

#include "antennawidget.h"
#include "mainwindowui.h"

#include "calculationstate.h"
#include "componenttext.h"
#include "impedancecombination.h"
#include "impedancefrommeasurement.h"
#include "numbertext.h"
#include "solvematching.h"

#include <QDir>
#include <QPixmap>

#include <cmath>
#include <complex>

namespace {
constexpr int kChartWidth = 500; // pixels
constexpr int kChartHeight = 400; // pixels
constexpr double kHertzPerMegahertz = 1e6;

// The units that the captions ask for; a user may type them after the number.
const QStringList kOhms {QStringLiteral("Ohm"), QStringLiteral("Ohms"), QStringLiteral("\u03a9")};
const QStringList kMillivolts {QStringLiteral("mV")};
const QStringList kNanoseconds {QStringLiteral("ns"), QStringLiteral("nSec")};
const QStringList kMegahertz {QStringLiteral("MHz")};

// An impedance of the "Complex Math" page in ohms, read real part first, and the field pair
// that shows the two impedances' combination.
std::complex<double> impedanceFrom(const QLineEdit *realField, const QLineEdit *imagField)
{
    const double real = numberFromText(realField->text(), kOhms);
    return {real, numberFromText(imagField->text(), kOhms)};
}

void showCombination(const Ui::MainWindowUi &ui, std::complex<double> z)
{
    ui.lineEditZ3R->setText(numberText(z.real()));
    ui.lineEditZ3J->setText(numberText(z.imag()));
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , antennaWidget(nullptr)
    , ui(new Ui::MainWindowUi)
{
    ui->setupUi(this);

    antennaWidget = new AntennaWidget(kChartWidth, kChartHeight);
    ui->horizontalLayout->addWidget(antennaWidget, 0);

    // The pictures are looked up in the working directory, not beside the executable.
    ui->label_7->setPixmap(QPixmap(QDir::currentPath() + QStringLiteral("/zentu.png")));
    ui->label_15->setPixmap(QPixmap(QDir::currentPath() + QStringLiteral("/Z_region.png")));
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::on_pushButtonSerial_pressed()
{
    const std::complex<double> z1 = impedanceFrom(ui->lineEditZ1R, ui->lineEditZ1J);
    const std::complex<double> z2 = impedanceFrom(ui->lineEditZ2R, ui->lineEditZ2J);
    showCombination(*ui, seriesImpedance(z1, z2));
}

void MainWindow::on_pushButtonParallel_pressed()
{
    const std::complex<double> z1 = impedanceFrom(ui->lineEditZ1R, ui->lineEditZ1J);
    const std::complex<double> z2 = impedanceFrom(ui->lineEditZ2R, ui->lineEditZ2J);
    showCombination(*ui, parallelImpedance(z1, z2));
}

// Works on the texts of the result fields, so on the six digits shown after a measurement
// or on an impedance typed in by hand.
void MainWindow::on_pushButtonCompensate_pressed()
{
    const double r = numberFromText(ui->lineEditReal->text(), kOhms);
    const double x = numberFromText(ui->lineEditJ->text(), kOhms);
    const double frequencyHz
        = numberFromText(ui->lineEditFreq->text(), kMegahertz) * kHertzPerMegahertz;
    const double z0 = numberFromText(ui->lineEditSourceImpedance->text(), kOhms);

    calculationState.sourceImpedance = z0;
    calculationState.zReal = r;
    calculationState.zImag = x;
    solveMatching();

    ui->lineEditReact1->setText(numberText(calculationState.reactanceOne));
    ui->lineEditReact2->setText(numberText(calculationState.reactanceTwo));
    ui->lineEditCircuitN->setText(
        QStringLiteral("Circuit: ") + circuitLetter(calculationState.circuitVariant));
    ui->lineEditReactanceOne->setText(componentText(calculationState.reactanceOne, frequencyHz));
    ui->lineEditReactanceTwo->setText(componentText(calculationState.reactanceTwo, frequencyHz));
    antennaWidget->redraw();
}

void MainWindow::on_pushButtonCalculateImpedance_pressed()
{
    const double z0 = numberFromText(ui->lineEditSourceImpedance->text(), kOhms);
    const double vRef = numberFromText(ui->lineEditVRef->text(), kMillivolts);
    const double vX = numberFromText(ui->lineEditVX->text(), kMillivolts);
    const double delay = numberFromText(ui->lineEditDelay->text(), kNanoseconds);
    const double freq = numberFromText(ui->lineEditFreq->text(), kMegahertz);

    calculationState.sourceImpedance = z0;
    impedanceFromMeasurement(vRef, vX, delay, freq);

    ui->lineEditReal->setText(numberText(calculationState.zReal));
    ui->lineEditJ->setText(numberText(calculationState.zImag));
    antennaWidget->redraw();
}

// Each step of the slider multiplies the zoom by e^0.02; the value 0 is one pixel per ohm.
void MainWindow::on_horizontalSlider_valueChanged(int value)
{
    antennaWidget->setScale(std::exp(value / 50.0));
}
