// The window reads whole: under the font that the program entry chooses, no caption, button
// text or component text is wider than its fixed box, at the platform's font and at a
// larger one (the suite runs this test again with QT_FONT_DPI=120).

#include "applicationfont.h"
#include "mainwindow.h"

#include <QApplication>
#include <QScreen>
#include <QtTest>

class tst_Captions : public QObject
{
    Q_OBJECT

private slots:
    void init() { QApplication::setFont(platformFont); }
    void theDefaultFontCutsCaptions();
    void theChosenFontFitsEveryText();

private:
    const QFont platformFont = QApplication::font();
};

// Without the choice, the form laid out for a narrow 8-point font cuts the captions: the
// check below has something to find.
void tst_Captions::theDefaultFontCutsCaptions()
{
    QFont wide(QStringLiteral("DejaVu Sans"));
    wide.setPointSize(10);
    QApplication::setFont(wide);
    MainWindow window;
    window.show();
    const QStringList overflowing = overflowingTexts(&window);
    QVERIFY2(overflowing.contains(QStringLiteral("label_4: Frequency (MHz)")),
        qPrintable(overflowing.join(QLatin1Char('\n'))));
}

void tst_Captions::theChosenFontFitsEveryText()
{
    const QFont base = QApplication::font();
    const QFont chosen = fittingApplicationFont(base);
    qInfo("platform font %s %g pt at %g dpi; chosen %s %g pt", qPrintable(base.family()),
        base.pointSizeF(), double(QGuiApplication::primaryScreen()->logicalDotsPerInchY()),
        qPrintable(chosen.family()), chosen.pointSizeF());
    QApplication::setFont(chosen);
    MainWindow window;
    window.show();
    const QStringList overflowing = overflowingTexts(&window);
    QVERIFY2(overflowing.isEmpty(), qPrintable(overflowing.join(QLatin1Char('\n'))));
    // Never below 7 points at 96 dots per inch.
    QVERIFY(chosen.pointSizeF() * QGuiApplication::primaryScreen()->logicalDotsPerInchY()
        >= 7 * 96 - 1e-6);
}

QTEST_MAIN(tst_Captions)
#include "tst_captions.moc"
