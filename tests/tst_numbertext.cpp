#include "numbertext.h"

#include <QtTest>

#include <cmath>
#include <cstring>

// How every field's text becomes a number.
class tst_NumberText : public QObject
{
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void acceptedTextsReadAsBefore_data();
    void acceptedTextsReadAsBefore();
    void withUnits_data();
    void withUnits();
};

void tst_NumberText::reading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("point") << "27.8" << 27.8;
    QTest::newRow("decimal comma") << "27,8" << 27.8;
    QTest::newRow("comma with exponent and sign") << "-1,5e3" << -1500.0;
    QTest::newRow("comma between blanks") << " 27,8 " << 27.8;
    QTest::newRow("comma first") << ",5" << 0.5;
    QTest::newRow("comma last") << "18," << 18.0;
    QTest::newRow("comma in a huge number overflows as with a point") << "1,5e400" << qInf();
    QTest::newRow("two commas") << "2,0,0" << 0.0;
    QTest::newRow("comma and point") << "1,000.5" << 0.0;
    QTest::newRow("point and comma") << "1.000,5" << 0.0;
    QTest::newRow("comma between letters") << "a,b" << 0.0;
    QTest::newRow("lone comma") << "," << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("unit after the number") << "50 Ohm" << 0.0;
}

void tst_NumberText::reading()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(numberFromText(text), expected);
}

// Whatever QString::toDouble accepts (or reports as overflowing) reads exactly as it always
// did, bit for bit: signs of zero, NaN, infinities and subnormals included.
void tst_NumberText::acceptedTextsReadAsBefore_data()
{
    QTest::addColumn<QString>("text");
    for (const char *text : {"0", "-0", "50", "+7", " 5 ", "-.5e-3", "1e308", "1e400", "-1e400",
             "4.9e-324", "nan", "NaN", "inf", "-inf", "18.130", "1e-320"}) {
        QTest::newRow(text) << QString::fromLatin1(text);
    }
}

void tst_NumberText::acceptedTextsReadAsBefore()
{
    QFETCH(QString, text);
    const double before = text.toDouble();
    const double now = numberFromText(text);
    QVERIFY2(std::memcmp(&before, &now, sizeof now) == 0 || (std::isnan(before) && std::isnan(now)),
        qPrintable(QStringLiteral("%1 read as %2").arg(text).arg(now)));
}

void tst_NumberText::withUnits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<double>("value");

    const QStringList mv {"mV"};
    const QStringList ohms {"Ohm", "Ohms", QStringLiteral("\u03a9")};
    QTest::newRow("millivolts") << "27.8 mV" << mv << 27.8;
    QTest::newRow("no blank") << "27.8mV" << mv << 27.8;
    QTest::newRow("any case") << "18.13 mhz" << QStringList {"MHz"} << 18.13;
    QTest::newRow("nanoseconds, negative") << "-2 ns" << QStringList {"ns", "nSec"} << -2.0;
    QTest::newRow("ohms") << "50 Ohm" << ohms << 50.0;
    QTest::newRow("the ohm sign") << QStringLiteral("75\u03a9") << ohms << 75.0;
    QTest::newRow("a decimal comma and a unit") << "27,8 mV" << mv << 27.8;
    QTest::newRow("blanks around") << "  64 mV " << mv << 64.0;
    // Everything else reads as without units.
    QTest::newRow("the unit alone") << "mV" << mv << 0.0;
    QTest::newRow("another field's unit") << "2 ns" << mv << 0.0;
    QTest::newRow("a unit in the middle") << "27 mV 8" << mv << 0.0;
    QTest::newRow("a plain number") << "27.8" << mv << 27.8;
    QTest::newRow("an exponent, no unit") << "1e3" << mv << 1000.0;
    QTest::newRow("no number before the unit") << "e mV" << mv << 0.0;
}

void tst_NumberText::withUnits()
{
    QFETCH(QString, text);
    QFETCH(QStringList, units);
    QFETCH(double, value);
    QCOMPARE(numberFromText(text, units), value);
}

QTEST_GUILESS_MAIN(tst_NumberText)
#include "tst_numbertext.moc"
