// The settings around an oscilloscope's table: the time axis in every spelling, the units
// in the columns' names, and the channel tags of names and files.

#include "capturesettings.h"

#include <QtTest>

#include <cmath>

namespace {

// The lines of a text as settings rows, split at commas, numbered from 1.
std::vector<SettingsRow> rowsOf(const QByteArray &text)
{
    std::vector<SettingsRow> rows;
    LineCursor cursor(std::string_view(text.constData(), std::size_t(text.size())));
    TextLine line;
    while (cursor.next(&line)) {
        SettingsRow row;
        row.line = line.number;
        splitFields(line.text, ',', &row.fields);
        rows.push_back(row);
    }
    return rows;
}

} // namespace

class tst_CaptureSettings : public QObject
{
    Q_OBJECT

private slots:
    void timeSettings_data();
    void timeSettings();
    void units_data();
    void units();
    void channelTags_data();
    void channelTags();
};

void tst_CaptureSettings::timeSettings_data()
{
    QTest::addColumn<QByteArray>("text"); // the settings lines, as the file writes them
    QTest::addColumn<double>("start"); // seconds
    QTest::addColumn<double>("increment");

    // Tektronix TBS1072B (GAGER41/oximetre, F0000CH1.CSV).
    QTest::newRow("Tektronix") << QByteArray("Record Length,2.500000e+03,\n"
                                             "Sample Interval,4.000000e-03,\n"
                                             "Trigger Point,-0.000000000000e+00,\n")
                               << 0.0 << 4e-3;
    // Siglent SDS1202X-E with its settings saved (evanmoring/siglent_utils, SDS00001.csv).
    QTest::newRow("Siglent, the channel before the value")
        << QByteArray("Record Length,Analog:140000\nSample Interval,CH1:0.0000020000000\n") << 0.0
        << 2e-6;
    // Owon HDS242 (h-elsner/OwonOszi, testfiles/WAVE1.CSV): tabs before the colon.
    QTest::newRow("Owon, a colon and the value in the next field") << QByteArray(
        "Probe attenuation\t  :,10X\nVoltage per ADC value:,40.00mV\n"
        "Time interval\t\t  :,0.08uS\n") << 0.0 << 0.08e-6;
    // Rigol DS1000Z (Cbabe/Power_Electronics, NewFile1.csv): names over values.
    QTest::newRow("Rigol DS1000Z, names over values")
        << QByteArray("X,CH1,CH2,Start,Increment,\nSequence,Volt,Volt,-1.370000e-05,2.000000e-09\n")
        << -1.37e-5 << 2e-9;
    // Rigol MSO5000 and DHO800/900: a name, an equals sign and the value with its unit.
    QTest::newRow("Rigol MSO5000, t0 and tInc")
        << QByteArray("Time(s),CH1(V),CH2(V),t0 = -2.500000e-06s, tInc = 2.000000e-09s,\n")
        << -2.5e-6 << 2e-9;
    QTest::newRow("a colon and a unit in one field")
        << QByteArray("Start: -10 ns\nSample Interval: 2.00E-09 s\n") << -10e-9 << 2e-9;
    QTest::newRow("the unit in the name") << QByteArray("Sample Interval (ns),2\n") << 0.0 << 2e-9;
    QTest::newRow("a sample rate") << QByteArray("Sample Rate,500 MSa/s\n") << 0.0 << 2e-9;
    QTest::newRow("none") << QByteArray("Model,DS-9\nSerial,12345\n") << 0.0 << 0.0;
    QTest::newRow("an interval of no time unit is none")
        << QByteArray("Sample Interval,2 fortnights\n") << 0.0 << 0.0;
    QTest::newRow("an interval beyond a double is none")
        << QByteArray("Sample Interval,1e999\n") << 0.0 << 0.0;
}

void tst_CaptureSettings::timeSettings()
{
    QFETCH(QByteArray, text);
    QFETCH(double, start);
    QFETCH(double, increment);

    const TimeSettings settings = ::timeSettings(rowsOf(text), false);
    QVERIFY2(std::abs(settings.start - start) <= 1e-12 * std::abs(start),
        qPrintable(QString::number(settings.start)));
    QVERIFY2(std::abs(settings.increment - increment) <= 1e-12 * increment,
        qPrintable(QString::number(settings.increment)));
}

void tst_CaptureSettings::units_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<double>("secondsPerUnit");

    QTest::newRow("parentheses") << QByteArray("Time (us)") << QByteArray("us") << 1e-6;
    QTest::newRow("brackets") << QByteArray("Time[s]") << QByteArray("s") << 1.0;
    QTest::newRow("a slash") << QByteArray("time/ns") << QByteArray("ns") << 1e-9;
    QTest::newRow("PicoScope's line of units")
        << QByteArray("(\xc2\xb5s)") << QByteArray("\xc2\xb5s") << 1e-6;
    QTest::newRow("Keysight's unit word") << QByteArray("second") << QByteArray("second") << 1.0;
    QTest::newRow("Owon's millivolts") << QByteArray("CH1_Voltage(mV)") << QByteArray("mV") << 0.0;
    QTest::newRow("no unit") << QByteArray("CH1") << QByteArray() << 1.0;
}

void tst_CaptureSettings::units()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, unit);
    QFETCH(double, secondsPerUnit);

    const std::string found
        = unitOfName(std::string_view(name.constData(), std::size_t(name.size())));
    QCOMPARE(QByteArray::fromStdString(found), unit);
    QCOMPARE(::secondsPerUnit(found), secondsPerUnit);
}

void tst_CaptureSettings::channelTags_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("tag");

    QTest::newRow("Tektronix file") << QByteArray("F0000CH2.CSV") << 2;
    QTest::newRow("LeCroy file") << QByteArray("C1--antenna--00000.csv") << 1;
    QTest::newRow("a column name") << QByteArray("CH2 (V)") << 2;
    QTest::newRow("Rohde & Schwarz's name") << QByteArray("C2 in V") << 2;
    QTest::newRow("Rigol DS1000E's name") << QByteArray("X(CH2)") << 2;
    QTest::newRow("a model number") << QByteArray("C12A") << 0;
    QTest::newRow("Owon's name") << QByteArray("CH1_Voltage(mV)") << 1;
    QTest::newRow("PicoScope's channel letter") << QByteArray("Channel B") << 2;
    QTest::newRow("Keysight's channel number") << QByteArray("2") << 2;
    QTest::newRow("two channels named") << QByteArray("ch1-ch2.csv") << 0;
    QTest::newRow("no channel") << QByteArray("capture-14.2.csv") << 0;
    QTest::newRow("a word that starts with c") << QByteArray("column 2") << 0;
}

void tst_CaptureSettings::channelTags()
{
    QFETCH(QByteArray, text);
    QFETCH(int, tag);

    QCOMPARE(channelTag(std::string_view(text.constData(), std::size_t(text.size()))), tag);
}

QTEST_GUILESS_MAIN(tst_CaptureSettings)
#include "tst_capturesettings.moc"
