// Thousands of random steps on the real main window: typing anything into any field,
// pressing every button, dragging the zoom, switching pages, and painting the chart after
// every step. The run is seeded and so reproducible: ZALVIMO_MONKEY_SEED and
// ZALVIMO_MONKEY_STEPS override the defaults, and a failure names the seed and the step.
//
// After each step every text field must hold what the step's action wrote (or what was
// typed), and every other field what it held before. The expected texts come from the
// calculation library on the same inputs, so the check is about the wiring: which field
// gets which result, and that nothing else changes.

#include "antennawidget.h"
#include "calculationstate.h"
#include "componenttext.h"
#include "impedancecombination.h"
#include "impedancefrommeasurement.h"
#include "mainwindow.h"
#include "numbertext.h"
#include "solvematching.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QTabWidget>
#include <QtTest>

#include <cmath>
#include <utility>

namespace {

// Texts a user might type or paste, and the worst a fuzzer would.
const char *const kSamples[] = {"0", "50", "-50", "32.0", "27.8", "2.0", "18.130", "1e308",
    "-1e308", "1e-308", "4.9e-324", "1e400", "nan", "NaN", "inf", "-inf", "infinity", "27,8",
    "1,5e3", "abc", "", " ", "12 34", "0x10", "+7", "-0", "1e", ".", "-.5e-3", "Ω", "50 Ω",
    "\u00e9\u00e8\u00ea", "\u4e2d\u6587", "\U0001F4E1", "1\u00a0000", " 5 "};

// Types each character as a key press that carries it as text, as a keyboard layout or an
// input method delivers it; QTest::keyClicks takes ASCII only.
void typeText(QWidget *widget, const QString &text)
{
    for (const uint codePoint : text.toUcs4()) {
        const char32_t unit = codePoint;
        const QString character = QString::fromUcs4(&unit, 1);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace

class tst_Monkey : public QObject
{
    Q_OBJECT

private slots:
    void randomSteps();

private:
    QString randomText(QRandomGenerator &random);
    void expectMeasurement();
    void expectCompensation();
    void expectCombination(bool parallel);
    QString inputText(const char *name) const { return fields.value(QLatin1String(name))->text(); }
    // A field's text as the window reads it: each field may carry its unit.
    double inputNumber(const char *name) const
    {
        const QString field = QLatin1String(name);
        const QStringList units
            = field == QLatin1String("lineEditVRef") || field == QLatin1String("lineEditVX")
            ? QStringList {QStringLiteral("mV")}
            : field == QLatin1String("lineEditDelay")
            ? QStringList {QStringLiteral("ns"), QStringLiteral("nSec")}
            : field == QLatin1String("lineEditFreq")
            ? QStringList {QStringLiteral("MHz")}
            : QStringList {QStringLiteral("Ohm"), QStringLiteral("Ohms"), QStringLiteral("\u03a9")};
        return numberFromText(inputText(name), units);
    }

    MainWindow *window = nullptr;
    QHash<QString, QLineEdit *> fields;
    QHash<QString, QString> expected;
};

QString tst_Monkey::randomText(QRandomGenerator &random)
{
    switch (random.bounded(4)) {
    case 0:
        return QString::fromUtf8(kSamples[random.bounded(int(std::size(kSamples)))]);
    case 1: {
        // A number in any magnitude, as printf would write it.
        const double mantissa = random.generateDouble() * 20 - 10;
        const int exponent = random.bounded(-330, 330);
        return QString::number(mantissa, 'g', random.bounded(1, 18)) + QLatin1Char('e')
            + QString::number(exponent);
    }
    case 2:
        return QString::number(random.generateDouble() * 400 - 100, 'f', random.bounded(0, 6));
    default: {
        // Up to 2000 printable characters of many scripts.
        QString text;
        const int length = random.bounded(2000);
        while (text.size() < length) {
            const QChar character(random.bounded(0x20, 0x3000));
            if (character.isPrint()) {
                text += character;
            }
        }
        return text;
    }
    }
}

// The predictions run the calculations on the shared state and then put it back, so that
// the press itself starts from the state the window left.
void tst_Monkey::expectMeasurement()
{
    const CalculationState saved = calculationState;
    calculationState.sourceImpedance = inputNumber("lineEditSourceImpedance");
    impedanceFromMeasurement(inputNumber("lineEditVRef"), inputNumber("lineEditVX"),
        inputNumber("lineEditDelay"), inputNumber("lineEditFreq"));
    expected["lineEditReal"] = numberText(calculationState.zReal);
    expected["lineEditJ"] = numberText(calculationState.zImag);
    calculationState = saved;
}

void tst_Monkey::expectCompensation()
{
    const CalculationState saved = calculationState;
    const double frequencyHz = inputNumber("lineEditFreq") * 1e6;
    calculationState.sourceImpedance = inputNumber("lineEditSourceImpedance");
    calculationState.zReal = inputNumber("lineEditReal");
    calculationState.zImag = inputNumber("lineEditJ");
    solveMatching();
    expected["lineEditReact1"] = numberText(calculationState.reactanceOne);
    expected["lineEditReact2"] = numberText(calculationState.reactanceTwo);
    expected["lineEditCircuitN"]
        = QStringLiteral("Circuit: ") + QChar('A' + calculationState.circuitVariant);
    expected["lineEditReactanceOne"] = componentText(calculationState.reactanceOne, frequencyHz);
    expected["lineEditReactanceTwo"] = componentText(calculationState.reactanceTwo, frequencyHz);
    calculationState = saved;
}

void tst_Monkey::expectCombination(bool parallel)
{
    const std::complex<double> z1(inputNumber("lineEditZ1R"), inputNumber("lineEditZ1J"));
    const std::complex<double> z2(inputNumber("lineEditZ2R"), inputNumber("lineEditZ2J"));
    const std::complex<double> z3 = parallel ? parallelImpedance(z1, z2) : seriesImpedance(z1, z2);
    expected["lineEditZ3R"] = numberText(z3.real());
    expected["lineEditZ3J"] = numberText(z3.imag());
}

void tst_Monkey::randomSteps()
{
    // A seed or a step count that is no number is refused rather than run as 0.
    quint64 seed = 20261207u;
    qulonglong steps = 5000;
    for (const auto &[name, value] :
        {std::pair {"ZALVIMO_MONKEY_SEED", &seed}, std::pair {"ZALVIMO_MONKEY_STEPS", &steps}}) {
        if (qEnvironmentVariableIsSet(name)) {
            bool ok = false;
            *value = qgetenv(name).trimmed().toULongLong(&ok);
            QVERIFY2(ok,
                qPrintable(QStringLiteral("%1 is no whole number: '%2'")
                               .arg(QLatin1String(name), qEnvironmentVariable(name))));
        }
    }
    // All 64 bits of the seed count: the generator takes them as two 32-bit words.
    const quint32 seedWords[] = {quint32(seed), quint32(seed >> 32)};
    QRandomGenerator random(seedWords, 2);

    MainWindow mainWindow;
    window = &mainWindow;
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    for (QLineEdit *field : mainWindow.findChildren<QLineEdit *>()) {
        fields.insert(field->objectName(), field);
        expected.insert(field->objectName(), field->text());
    }
    QList<QLineEdit *> allFields = fields.values();
    std::sort(allFields.begin(), allFields.end(),
        [](QLineEdit *a, QLineEdit *b) { return a->objectName() < b->objectName(); });
    const QList<QPushButton *> buttons = mainWindow.findChildren<QPushButton *>();
    auto *slider = mainWindow.findChild<QSlider *>(QStringLiteral("horizontalSlider"));
    auto *tabs = mainWindow.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    auto *chart = mainWindow.findChild<AntennaWidget *>();
    QVERIFY(slider && tabs && chart && buttons.size() == 4 && allFields.size() == 18);

    for (qulonglong step = 0; step < steps; ++step) {
        const QString where = QStringLiteral("seed %1, step %2").arg(seed).arg(step);
        switch (random.bounded(10)) {
        case 0:
        case 1:
        case 2:
        case 3: {
            // Typing into a field; read-only fields must refuse it.
            QLineEdit *field = allFields.at(random.bounded(allFields.size()));
            const QString text = randomText(random);
            field->setFocus();
            field->selectAll();
            // Short texts are typed key by key, long ones pasted over the selection.
            if (text.size() < 40) {
                QTest::keyClick(field, Qt::Key_Backspace);
                typeText(field, text);
            } else {
                QGuiApplication::clipboard()->setText(text);
                QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            }
            if (!field->isReadOnly()) {
                expected[field->objectName()] = text;
            }
            break;
        }
        case 4:
        case 5:
        case 6: {
            QPushButton *button = buttons.at(random.bounded(buttons.size()));
            const QString name = button->objectName();
            if (name == QLatin1String("pushButtonCalculateImpedance")) {
                expectMeasurement();
            } else if (name == QLatin1String("pushButtonCompensate")) {
                expectCompensation();
            } else {
                expectCombination(name == QLatin1String("pushButtonParallel"));
            }
            QTest::mouseClick(button, Qt::LeftButton);
            break;
        }
        case 7:
            if (random.bounded(2)) {
                slider->setValue(random.bounded(slider->minimum(), slider->maximum() + 1));
            } else {
                QTest::keyClick(slider, random.bounded(2) ? Qt::Key_PageUp : Qt::Key_PageDown);
            }
            break;
        case 8:
            tabs->setCurrentIndex(random.bounded(tabs->count()));
            break;
        default:
            QTest::keyClick(&mainWindow, Qt::Key_Tab);
            break;
        }

        chart->repaint();
        for (QLineEdit *field : allFields) {
            if (field->text() != expected.value(field->objectName())) {
                QFAIL(qPrintable(QStringLiteral("%1: %2 holds \"%3\", expected \"%4\"")
                                     .arg(where, field->objectName(), field->text().left(60),
                                         expected.value(field->objectName()).left(60))));
            }
        }
    }
}

QTEST_MAIN(tst_Monkey)
#include "tst_monkey.moc"
