#include "mainwindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTranslator>
#include <QtTest>

namespace {

// Marks every text of the main window's context, so that a text that bypasses the
// translation function shows up unmarked.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
        int n) const override
    {
        Q_UNUSED(disambiguation)
        Q_UNUSED(n)
        if (qstrcmp(context, "MainWindow") == 0) {
            return QStringLiteral("[") + QString::fromUtf8(sourceText) + QStringLiteral("]");
        }
        return QString();
    }
    bool isEmpty() const override { return false; }
};

QStringList childNames(const QObject *parent)
{
    QStringList names;
    for (const QObject *child : parent->children()) {
        if (!child->objectName().isEmpty()) {
            names << child->objectName();
        }
    }
    return names;
}

constexpr int kNotEditable = -1;

} // namespace

class tst_MainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void init() { window = new MainWindow; }
    void cleanup() { delete window; }

    void widgets_data();
    void widgets();
    void creationOrderOfPages_data();
    void creationOrderOfPages();
    void stackingOrder();
    void windowFrame();
    void tabs();
    void slider();
    void plotLayout();
    void fonts();
    void wordWrap();
    void longTexts();
    void everyTextIsTranslatable();

private:
    template<typename T>
    T *widget(const char *name)
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found) {
            qWarning("no widget %s", name);
        }
        return found;
    }

    MainWindow *window = nullptr;
};

void tst_MainWindowForm::widgets_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("readOnly");
    QTest::addColumn<QString>("text");

    const auto row = [](const char *name, const char *cls, const char *parent, QRect geometry,
                         int readOnly, const char *text) {
        QTest::newRow(name) << cls << parent << geometry << readOnly << QString::fromUtf8(text);
    };
    const char *panel = "centralWidget";
    // The calculator panel.
    row("lineEditVRef", "QLineEdit", panel, {710, 40, 113, 20}, false, "32.0");
    row("label", "QLabel", panel, {610, 40, 101, 16}, kNotEditable, "V_reference  (mV)");
    row("label_2", "QLabel", panel, {610, 70, 47, 13}, kNotEditable, "V_x  (mV)");
    row("label_3", "QLabel", panel, {610, 100, 101, 16}, kNotEditable, "Delay (nanoSec)");
    row("label_4", "QLabel", panel, {610, 130, 91, 16}, kNotEditable, "Frequency (MHz)");
    row("label_5", "QLabel", panel, {660, 220, 47, 13}, kNotEditable, "Z_real");
    row("label_6", "QLabel", panel, {660, 250, 47, 13}, kNotEditable, "Z_imag");
    row("lineEditVX", "QLineEdit", panel, {710, 70, 113, 20}, false, "27.8");
    row("lineEditDelay", "QLineEdit", panel, {710, 100, 113, 20}, false, "2.0");
    row("lineEditFreq", "QLineEdit", panel, {710, 130, 113, 20}, false, "18.130");
    row("lineEditReal", "QLineEdit", panel, {710, 220, 113, 20}, false, "");
    row("lineEditJ", "QLineEdit", panel, {710, 250, 113, 20}, false, "");
    row("tabWidget", "QTabWidget", panel, {0, 0, 511, 501}, kNotEditable, "");
    row("pushButtonCalculateImpedance", "QPushButton", panel, {610, 160, 231, 31}, kNotEditable,
        "Calculate Antena Impedance");
    row("lineEditCircuitN", "QLineEdit", panel, {770, 330, 71, 20}, true, "");
    row("label_8", "QLabel", panel, {570, 330, 191, 20}, kNotEditable,
        "Circuit Variant (Matching Circuits page) :");
    row("lineEditReactanceOne", "QLineEdit", panel, {570, 370, 141, 20}, true, "");
    row("lineEditReactanceTwo", "QLineEdit", panel, {570, 400, 141, 20}, true, "");
    row("pushButtonCompensate", "QPushButton", panel, {570, 290, 271, 31}, kNotEditable,
        "Calculate compensation Network");
    row("lineEditSourceImpedance", "QLineEdit", panel, {772, 10, 51, 20}, false, "50");
    row("label_10", "QLabel", panel, {610, 10, 151, 16}, kNotEditable,
        "Transceiver impedance (Ohm)");
    row("lineEditReact1", "QLineEdit", panel, {730, 370, 113, 20}, true, "");
    row("lineEditReact2", "QLineEdit", panel, {730, 400, 113, 20}, true, "");
    row("label_11", "QLabel", panel, {570, 350, 141, 20}, kNotEditable,
        "Compensation component...");
    row("label_12", "QLabel", panel, {740, 350, 101, 20}, kNotEditable, "...its reactance");
    row("label_13", "QLabel", panel, {550, 370, 16, 16}, kNotEditable, "1");
    row("label_14", "QLabel", panel, {550, 400, 16, 16}, kNotEditable, "2");
    row("label_25", "QLabel", panel, {530, 210, 111, 61}, kNotEditable,
        "You can enter your own values for compensation => (Also fill the Frequency box)");
    // Page "Plot".
    row("horizontalLayoutWidget", "QWidget", "tab", {0, 0, 501, 401}, kNotEditable, "");
    row("horizontalSlider", "QSlider", "tab", {50, 410, 421, 20}, kNotEditable, "");
    row("label_9", "QLabel", "tab", {10, 410, 31, 16}, kNotEditable, "Scale");
    // Page "Measuring setup".
    row("label_7", "QLabel", "tab_3", {20, 0, 431, 431}, kNotEditable, "");
    row("plainTextEdit_2", "QPlainTextEdit", "tab_3", {20, 430, 431, 41}, true, nullptr);
    // Page "Impedance Matching Circuits".
    row("label_15", "QLabel", "tab_4", {10, 0, 411, 421}, kNotEditable, "");
    row("plainTextEdit", "QPlainTextEdit", "tab_4", {10, 410, 421, 61}, true, nullptr);
    // Page "Complex Math".
    row("label_16", "QLabel", "tab_6", {40, 20, 111, 16}, kNotEditable, "Source impedance 1");
    row("label_18", "QLabel", "tab_6", {310, 60, 91, 16}, kNotEditable, "Result impedance");
    row("plainTextEdit_3", "QPlainTextEdit", "tab_6", {40, 240, 391, 61}, true,
        "Here you can simple connect two complex impedances parallel or serial and get complex "
        "result. This is not essential for program to work, only for studying purposes.");
    row("lineEditZ1J", "QLineEdit", "tab_6", {40, 70, 113, 20}, false, "0");
    row("lineEditZ2J", "QLineEdit", "tab_6", {40, 190, 113, 20}, false, "0");
    row("lineEditZ3R", "QLineEdit", "tab_6", {310, 90, 113, 20}, true, "");
    row("label_20", "QLabel", "tab_6", {20, 70, 16, 16}, kNotEditable, "J");
    row("lineEditZ2R", "QLineEdit", "tab_6", {40, 160, 113, 20}, false, "0");
    row("lineEditZ3J", "QLineEdit", "tab_6", {310, 120, 113, 20}, true, "");
    row("pushButtonParallel", "QPushButton", "tab_6", {190, 120, 75, 23}, kNotEditable, "Parallel");
    row("label_24", "QLabel", "tab_6", {290, 90, 16, 16}, kNotEditable, "R");
    row("label_17", "QLabel", "tab_6", {40, 130, 101, 16}, kNotEditable, "Source impedance 2");
    row("label_21", "QLabel", "tab_6", {20, 190, 16, 16}, kNotEditable, "J");
    row("pushButtonSerial", "QPushButton", "tab_6", {190, 90, 75, 23}, kNotEditable, "Serial");
    row("lineEditZ1R", "QLineEdit", "tab_6", {40, 40, 113, 20}, false, "0");
    row("label_22", "QLabel", "tab_6", {290, 120, 16, 16}, kNotEditable, "J");
    row("label_19", "QLabel", "tab_6", {20, 40, 16, 16}, kNotEditable, "R");
    row("label_23", "QLabel", "tab_6", {20, 160, 16, 16}, kNotEditable, "R");
    // Page "About".
    row("plainTextEdit_4", "QPlainTextEdit", "tab_5", {20, 20, 461, 271}, true, nullptr);
}

// A null text in the table marks the long texts, which longTexts() checks.
void tst_MainWindowForm::widgets()
{
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(int, readOnly);
    QFETCH(QString, text);

    const char *name = QTest::currentDataTag();
    QWidget *w = widget<QWidget>(name);
    QVERIFY(w);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QVERIFY(w->parentWidget());
    QCOMPARE(w->parentWidget()->objectName(), parentName);
    QCOMPARE(w->geometry(), geometry);
    if (readOnly != kNotEditable) {
        QCOMPARE(w->property("readOnly").toBool(), bool(readOnly));
    }
    if (auto *edit = qobject_cast<QPlainTextEdit *>(w)) {
        if (!text.isNull()) {
            QCOMPARE(edit->toPlainText(), text);
        }
    } else if (auto *label = qobject_cast<QLabel *>(w)) {
        QCOMPARE(label->text(), text);
    } else if (auto *lineEdit = qobject_cast<QLineEdit *>(w)) {
        QCOMPARE(lineEdit->text(), text);
        QVERIFY(!lineEdit->validator());
        QCOMPARE(lineEdit->inputMask(), QString());
    } else if (auto *button = qobject_cast<QPushButton *>(w)) {
        QCOMPARE(button->text(), text);
    }
}

// Widgets are created in the order of the form's record; on the pages nothing reorders them.
void tst_MainWindowForm::creationOrderOfPages_data()
{
    QTest::addColumn<QStringList>("children");
    QTest::newRow("tab") << QStringList {"horizontalLayoutWidget", "horizontalSlider", "label_9"};
    QTest::newRow("tab_3") << QStringList {"label_7", "plainTextEdit_2"};
    QTest::newRow("tab_4") << QStringList {"label_15", "plainTextEdit"};
    QTest::newRow("tab_6") << QStringList {"label_16", "label_18", "plainTextEdit_3", "lineEditZ1J",
        "lineEditZ2J", "lineEditZ3R", "label_20", "lineEditZ2R", "lineEditZ3J",
        "pushButtonParallel", "label_24", "label_17", "label_21", "pushButtonSerial", "lineEditZ1R",
        "label_22", "label_19", "label_23"};
    QTest::newRow("tab_5") << QStringList {"plainTextEdit_4"};
}

void tst_MainWindowForm::creationOrderOfPages()
{
    QFETCH(QStringList, children);
    QWidget *page = widget<QWidget>(QTest::currentDataTag());
    QVERIFY(page);
    QCOMPARE(childNames(page), children);
}

// The tab widget lies at the bottom and every panel widget above it and above every panel
// widget created before it.
void tst_MainWindowForm::stackingOrder()
{
    const QStringList expected {"tabWidget", "lineEditVRef", "label", "label_2", "label_3",
        "label_4", "label_5", "label_6", "lineEditVX", "lineEditDelay", "lineEditFreq",
        "lineEditReal", "lineEditJ", "pushButtonCalculateImpedance", "lineEditCircuitN", "label_8",
        "lineEditReactanceOne", "lineEditReactanceTwo", "pushButtonCompensate",
        "lineEditSourceImpedance", "label_10", "lineEditReact1", "lineEditReact2", "label_11",
        "label_12", "label_13", "label_14", "label_25"};
    QCOMPARE(childNames(widget<QWidget>("centralWidget")), expected);
    QVERIFY(!widget<QWidget>("centralWidget")->layout());
}

void tst_MainWindowForm::windowFrame()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->size(), QSize(866, 553));
    QCOMPARE(window->windowTitle(), QStringLiteral("Zalvimo"));
    QCOMPARE(window->centralWidget()->objectName(), QStringLiteral("centralWidget"));
    QCOMPARE(window->menuBar()->objectName(), QStringLiteral("menuBar"));
    QCOMPARE(window->menuBar()->geometry(), QRect(0, 0, 866, 18));
    QVERIFY(window->menuBar()->actions().isEmpty());
    auto *toolBar = widget<QToolBar>("mainToolBar");
    QVERIFY(toolBar);
    QCOMPARE(window->toolBarArea(toolBar), Qt::TopToolBarArea);
    QVERIFY(toolBar->actions().isEmpty());
    QCOMPARE(window->statusBar()->objectName(), QStringLiteral("statusBar"));
    QCOMPARE(window->statusBar()->currentMessage(), QString());
}

void tst_MainWindowForm::tabs()
{
    auto *tabs = widget<QTabWidget>("tabWidget");
    QVERIFY(tabs);
    QStringList titles;
    QStringList pages;
    for (int i = 0; i < tabs->count(); ++i) {
        titles << tabs->tabText(i);
        pages << tabs->widget(i)->objectName();
    }
    QCOMPARE(titles,
        (QStringList {
            "Plot", "Measuring setup", "Impedance Matching Circuits", "Complex Math", "About"}));
    QCOMPARE(pages, (QStringList {"tab", "tab_3", "tab_4", "tab_6", "tab_5"}));
    QCOMPARE(tabs->currentIndex(), 0);
}

void tst_MainWindowForm::slider()
{
    auto *slider = widget<QSlider>("horizontalSlider");
    QVERIFY(slider);
    QCOMPARE(slider->minimum(), -70);
    QCOMPARE(slider->maximum(), 150);
    QCOMPARE(slider->value(), 30);
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->singleStep(), 1);
    QCOMPARE(slider->pageStep(), 10);
    QVERIFY(slider->hasTracking());
}

void tst_MainWindowForm::plotLayout()
{
    auto *layout = window->findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout"));
    QVERIFY(layout);
    QCOMPARE(layout->parentWidget(), widget<QWidget>("horizontalLayoutWidget"));
    QCOMPARE(layout->spacing(), 6);
    QCOMPARE(layout->contentsMargins(), QMargins(0, 0, 0, 0));
    // The chart is its one item.
    QCOMPARE(layout->count(), 1);
    QCOMPARE(layout->itemAt(0)->widget()->metaObject()->className(), "AntennaWidget");
    QCOMPARE(layout->stretch(0), 0);
}

void tst_MainWindowForm::fonts()
{
    for (const char *name : {"label_13", "label_14"}) {
        const QFont font = widget<QLabel>(name)->font();
        QCOMPARE(font.pointSize(), 12);
        QVERIFY(font.bold());
        QCOMPARE(font.weight(), int(QFont::Bold)); // 75 in Qt 5, 700 in Qt 6
        QCOMPARE(font.family(), QApplication::font().family());
    }
    for (const char *name : {"label_12", "label_25", "lineEditVRef", "pushButtonCompensate"}) {
        QCOMPARE(widget<QWidget>(name)->font(), QApplication::font());
    }
}

void tst_MainWindowForm::wordWrap()
{
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        QCOMPARE(label->wordWrap(), label->objectName() == QLatin1String("label_25"));
    }
}

// The long texts name nobody and link only to real pages on the subject; what is fixed is
// their shape.
void tst_MainWindowForm::longTexts()
{
    const QStringList measuring
        = widget<QPlainTextEdit>("plainTextEdit_2")->toPlainText().split('\n');
    QCOMPARE(measuring.size(), 2);
    QVERIFY(measuring[0].endsWith(QLatin1String(" at ")));
    QVERIFY(measuring[1].startsWith(QLatin1String("https://")));

    const QStringList matching = widget<QPlainTextEdit>("plainTextEdit")->toPlainText().split('\n');
    QCOMPARE(matching.size(), 2);
    QVERIFY(matching[0].endsWith(QLatin1String(" at")));
    QVERIFY(matching[1].startsWith(QLatin1String("https://")));

    const QString about = widget<QPlainTextEdit>("plainTextEdit_4")->toPlainText();
    QVERIFY(about.startsWith(QLatin1String("This soft is free. \nThanks for using it!\n\n")));
    QVERIFY(about.endsWith('\n'));
    // Three paragraphs after the opening: the measuring method, the calculation method and
    // the programmers, each a text line followed by a web address on a line of its own.
    const QStringList paragraphs = about.chopped(1).split(QStringLiteral("\n\n"));
    QCOMPARE(paragraphs.size(), 4);
    for (int i = 1; i < 4; ++i) {
        const QStringList lines = paragraphs[i].split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].startsWith(QLatin1String("https://")));
    }
    QVERIFY(paragraphs[1].contains(QLatin1String("measuring method")));
    QVERIFY(paragraphs[2].contains(QLatin1String("calculation method")));
    QVERIFY(paragraphs[3].contains(QLatin1String("Zalvimo developers")));
}

void tst_MainWindowForm::everyTextIsTranslatable()
{
    MarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    MainWindow translated;
    QCoreApplication::removeTranslator(&translator);

    QStringList texts {translated.windowTitle()};
    QString hint;
    for (QWidget *w : translated.findChildren<QWidget *>()) {
        QString text;
        if (auto *label = qobject_cast<QLabel *>(w)) {
            text = label->text();
        } else if (auto *lineEdit = qobject_cast<QLineEdit *>(w)) {
            text = lineEdit->text();
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            text = button->text();
        } else if (auto *edit = qobject_cast<QPlainTextEdit *>(w)) {
            text = edit->toPlainText();
        }
        if (w->objectName() == QLatin1String("label_25")) {
            hint = text;
        } else if (!text.isEmpty()) {
            texts << text;
        }
    }
    auto *tabs = translated.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    for (int i = 0; i < tabs->count(); ++i) {
        texts << tabs->tabText(i);
    }

    // The window title, 19 texts of the panel, 20 of the pages and the 5 tab titles.
    QCOMPARE(texts.size(), 1 + 19 + 20 + 5);
    for (const QString &text : texts) {
        QVERIFY2(text.startsWith('[') && text.endsWith(']'), qPrintable(text));
    }
    QCOMPARE(hint,
        QStringLiteral(
            "You can enter your own values for compensation => (Also fill the Frequency box)"));
}

QTEST_MAIN(tst_MainWindowForm)
#include "tst_mainwindowform.moc"
