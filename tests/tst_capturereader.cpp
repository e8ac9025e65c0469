#include "capture.h"
#include "capturereader.h"

#include <QtTest>

#include <cmath>
#include <functional>

namespace {

// `rows` data lines after the first lines of a family's file, made by `row(k)`: a sine on
// each channel, so that the values differ from line to line as a capture's do.
QByteArray withRows(QByteArray head, int rows, const std::function<QByteArray(int)> &row)
{
    for (int k = 0; k < rows; ++k) {
        head += row(k);
    }
    return head;
}

QByteArray number(double value, char format, int precision)
{
    return QByteArray::number(value, format, precision);
}

double wave(int k, double phase)
{
    return std::sin(0.3 * k + phase);
}

// A number with its sign always written, as Agilent and Keysight write it: "+31.500101E-03".
QByteArray withSign(const QByteArray &text)
{
    return text.startsWith('-') ? text : '+' + text;
}

// "%g" with a three-digit exponent, as LeCroy's Windows writes it: "-2.88172e-006".
QByteArray threeDigitExponent(double value, int precision)
{
    QByteArray text = QByteArray::number(value, 'g', precision);
    const int e = text.indexOf('e');
    if (e >= 0 && text.size() - e == 4) {
        text.insert(e + 2, '0');
    }
    return text;
}

} // namespace

// Reading the CSV captures that oscilloscopes and spreadsheets write: a layout per row, and
// a bad file per row with the error it must give.
class tst_CaptureReader : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data();
    void layouts();
    void badFiles_data();
    void badFiles();
    void families_data();
    void families();
    void pairs_data();
    void pairs();
    void roundedTimes_data();
    void roundedTimes();
    void lastLines_data();
    void lastLines();
    void pairCutOff();
    void headerFiles_data();
    void headerFiles();
    void headerMissing();
    void xmlHeader();
    void notesAndWarnings();
};

void tst_CaptureReader::layouts_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reference"); // column choices, empty for the default
    QTest::addColumn<QString>("vx");
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("firstTime"); // seconds
    QTest::addColumn<double>("secondTime");
    QTest::addColumn<double>("firstReference"); // mV
    QTest::addColumn<double>("firstVx");

    const QByteArray rows = "0,0.1,0.2\n1e-9,0.3,0.4\n2e-9,0.2,0.1\n";
    QTest::newRow("time and two channels with names") << "Time (s),CH1 (V),CH2 (V)\n" + rows << ""
                                                      << "" << 3 << 0.0 << 1e-9 << 100.0 << 200.0;
    QTest::newRow("no line of names") << rows << ""
                                      << "" << 3 << 0.0 << 1e-9 << 100.0 << 200.0;
    QTest::newRow("settings before the names")
        << "Model,DS-9\nSerial,12345\nProbe,10X\n\nTime (s),CH1 (V),CH2 (V)\n" + rows << ""
        << "" << 3 << 0.0 << 1e-9 << 100.0 << 200.0;
    QTest::newRow("time in microseconds")
        << QByteArray("Time (us),CH1,CH2\n-0.001,0.1,0.2\n0,0.3,0.4\n0.001,0.2,0.1\n") << ""
        << "" << 3 << -1e-9 << 0.0 << 100.0 << 200.0;
    QTest::newRow("time in nanoseconds after a slash")
        << QByteArray("time/ns,a,b\n0,0.1,0.2\n1,0.3,0.4\n2,0.2,0.1\n") << ""
        << "" << 3 << 0.0 << 1e-9 << 100.0 << 200.0;
    QTest::newRow("channels in millivolts")
        << QByteArray("Time,CH1 (mV),CH2 [mV]\n0,100,200\n1e-9,300,400\n2e-9,200,100\n") << ""
        << "" << 3 << 0.0 << 1e-9 << 100.0 << 200.0;
    QTest::newRow("semicolons and decimal commas")
        << QByteArray("Time;CH1;CH2\n0;0,1;0,2\n1e-9;0,3;0,4\n2e-9;0,2;0,1\n") << ""
        << "" << 3 << 0.0 << 1e-9 << 100.0 << 200.0;
    QTest::newRow("tabs") << QByteArray("0\t0.1\t0.2\n1e-9\t0.3\t0.4\n2e-9\t0.2\t0.1\n") << ""
                          << "" << 3 << 0.0 << 1e-9 << 100.0 << 200.0;
    QTest::newRow("CRLF, trailing separators, quotes and a byte-order mark")
        << QByteArray("\xef\xbb\xbf\"Time\",\"CH1\",\"CH2\",\r\n\"0\",\"0.1\",\"0.2\",\r\n"
                      "1e-9,0.3,0.4,\r\n2e-9,0.2,0.1,\r\n\r\n")
        << ""
        << "" << 3 << 0.0 << 1e-9 << 100.0 << 200.0;
    QTest::newRow("sample interval instead of a time column")
        << QByteArray("Sample Interval,2e-9\nCH1,CH2\n0.1,0.2\n0.3,0.4\n0.2,0.1\n") << ""
        << "" << 3 << 0.0 << 2e-9 << 100.0 << 200.0;
    QTest::newRow("interval with its unit, and a start time")
        << QByteArray("Start: -10 ns\nSample Interval: 2.00E-09 s\n0.1,0.2\n0.3,0.4\n0.2,0.1\n")
        << ""
        << "" << 3 << -10e-9 << -8e-9 << 100.0 << 200.0;
    QTest::newRow("sample rate instead of an interval")
        << QByteArray("Sample Rate,500 MSa/s\n0.1,0.2\n0.3,0.4\n0.2,0.1\n") << ""
        << "" << 3 << 0.0 << 2e-9 << 100.0 << 200.0;
    QTest::newRow("sample numbers, names over values of start and increment")
        << QByteArray("X,CH1,CH2,Start,Increment\nSequence,Volt,Volt,-1e-06,2e-09\n"
                      "0,0.1,0.2\n1,0.3,0.4\n2,0.2,0.1\n")
        << ""
        << "" << 3 << -1e-6 << -1e-6 + 2e-9 << 100.0 << 200.0;
    QTest::newRow("columns by number")
        << QByteArray("Time,A,B,C\n0,1,2,3\n1e-9,2,3,1\n2e-9,3,1,2\n") << "4"
        << "2" << 3 << 0.0 << 1e-9 << 3000.0 << 1000.0;
    QTest::newRow("columns by name, any case")
        << QByteArray("Time,A,B,C\n0,1,2,3\n1e-9,2,3,1\n2e-9,3,1,2\n") << "c"
        << "B" << 3 << 0.0 << 1e-9 << 3000.0 << 2000.0;
    QTest::newRow("a sign, an exponent and blanks")
        << QByteArray(" 0 , +1.5E-1 , -2e-1 \n1e-9,0.3,0.4\n2e-9,0.2,0.1\n") << ""
        << "" << 3 << 0.0 << 1e-9 << 150.0 << -200.0;
}

void tst_CaptureReader::layouts()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reference);
    QFETCH(QString, vx);
    QFETCH(int, samples);
    QFETCH(double, firstTime);
    QFETCH(double, secondTime);
    QFETCH(double, firstReference);
    QFETCH(double, firstVx);

    const Result<Capture> read = readCapture(content, QStringLiteral("cap.csv"), {reference, vx});
    QVERIFY2(read, qPrintable(read.error()));
    const Capture &capture = *read;
    QCOMPARE(int(capture.time.size()), samples);
    QCOMPARE(int(capture.reference.size()), samples);
    QCOMPARE(int(capture.vx.size()), samples);
    QVERIFY(std::abs(capture.time[0] - firstTime) < 1e-18);
    QVERIFY(std::abs(capture.time[1] - secondTime) < 1e-18);
    QCOMPARE(capture.reference[0], firstReference);
    QCOMPARE(capture.vx[0], firstVx);
}

void tst_CaptureReader::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("vx");
    QTest::addColumn<QString>("message");

    const QByteArray good = "Time,CH1,CH2\n0,0.1,0.2\n1e-9,0.3,0.4\n2e-9,0.2,0.1\n";
    QTest::newRow("empty") << QByteArray() << ""
                           << ""
                           << "cap.csv: no lines of numbers";
    QTest::newRow("no numbers at all") << QByteArray("hello\nworld\n") << ""
                                       << ""
                                       << "cap.csv: no lines of numbers";
    QTest::newRow("binary") << QByteArray("\x00\x01\xff,\x80", 5) << ""
                            << ""
                            << "cap.csv: no lines of numbers";
    QTest::newRow("one column") << QByteArray("Time\n0\n1e-9\n2e-9\n") << ""
                                << ""
                                << "cap.csv:2: no channel: the only column of numbers is the time";
    QTest::newRow("time and one channel")
        << QByteArray("0,0.1\n1e-9,0.3\n2e-9,0.2\n") << ""
        << ""
        << "cap.csv: one channel (column 2); a capture needs the reference and V_x: give the "
           "other channel's file after it";
    QTest::newRow("text in the data") << QByteArray("Time,CH1,CH2\n0,0.1,0.2\n1e-9,abc,0.4\n") << ""
                                      << ""
                                      << "cap.csv:3: expected a number in column 2, found 'abc'";
    QTest::newRow("an empty field") << QByteArray("0,0.1,0.2\n1e-9,,0.4\n") << ""
                                    << ""
                                    << "cap.csv:2: expected a number in column 2, found nothing";
    QTest::newRow("a short line") << QByteArray("0,0.1,0.2\n1e-9,0.3\n") << ""
                                  << ""
                                  << "cap.csv:2: expected a number in column 3, found nothing";
    QTest::newRow("a long line") << QByteArray("0,0.1,0.2\n1e-9,0.3,0.4,0.5\n") << ""
                                 << ""
                                 << "cap.csv:1: the numbers of this line are not in the columns "
                                    "of the lines below it (columns 1, 2, 3, 4)";
    QTest::newRow("NaN") << QByteArray("0,0.1,0.2\n1e-9,nan,0.4\n") << ""
                         << ""
                         << "cap.csv:2: the reference (CH1), column 2 ('column 2'): not a "
                            "number: 'nan'";
    QTest::newRow("infinity") << QByteArray("0,0.1,0.2\n1e-9,0.3,-inf\n") << ""
                              << ""
                              << "cap.csv:2: V_x (CH2), column 3 ('column 3'), is over range "
                                 "('-inf'): the trace ran off the screen; give the channel a "
                                 "larger volts per division";
    QTest::newRow("overflow") << QByteArray("0,0.1,0.2\n1e-9,1e999,0.4\n") << ""
                              << ""
                              << "cap.csv:2: the reference (CH1), column 2 ('column 2'), is "
                                 "over range ('1e999'): the trace ran off the screen; give the "
                                 "channel a larger volts per division";
    QTest::newRow("no time and no interval")
        << QByteArray("Name,x\n0.1,0.2,0.3\n0.3,0.4,0.1\n0.2,0.1,0.2\n") << ""
        << ""
        << "cap.csv:2: no time column (column 1 does not increase) and no sample interval in "
           "the settings";
    QTest::newRow("sample numbers without an increment")
        << QByteArray("0,0.1,0.2\n1,0.3,0.4\n2,0.2,0.1\n") << ""
        << ""
        << "cap.csv:1: column 1 ('column 1') counts samples but the settings give no sample "
           "interval";
    QTest::newRow("unknown time unit")
        << QByteArray("Info\nTime (fortnights),CH1,CH2\n0,0.1,0.2\n1,0.3,0.4\n2.5,0.2,0.1\n") << ""
        << ""
        << "cap.csv:2: unknown time unit 'fortnights' of column 1 ('Time (fortnights)')";
    QTest::newRow("no such column number") << good << "7"
                                           << ""
                                           << "cap.csv: --ref 7: no such column; the channels "
                                              "are column 2 ('CH1'), column 3 ('CH2')";
    QTest::newRow("no such column name") << good << ""
                                         << "CH9"
                                         << "cap.csv: --vx CH9: no such column; the channels "
                                            "are column 2 ('CH1'), column 3 ('CH2')";
    QTest::newRow("the same column twice") << good << "3"
                                           << "CH2"
                                           << "cap.csv: the reference and V_x are the same column";
    QTest::newRow("the time as a channel") << good << "1"
                                           << ""
                                           << "cap.csv: --ref 1: column 1 ('Time') is the time";
    // Keysight names its channels "1" and "2": "--ref 2" could be either.
    const QByteArray keysight = "x-axis,1,2\nsecond,Volt,Volt\n-1.00000E-06,-402.01005E-06,"
                                "-201.00502E-06\n-999.00E-09,-402.01005E-06,+0.0E+00\n";
    QTest::newRow("a column number that is another column's name")
        << keysight << "2"
        << ""
        << "cap.csv: --ref 2 is ambiguous: column 2 ('1') or the column named '2', column 3 "
           "('2'); write --ref col=2 or --ref name=2";

    // Hostile shapes: each must be refused with a message that says what is wrong.
    QTest::newRow("a doubled sign") << QByteArray("0,0.1,0.2\n1e-9,+-1,0.4\n") << ""
                                    << ""
                                    << "cap.csv:2: expected a number in column 2, found '+-1'";
    QTest::newRow("a time column that runs backwards")
        << QByteArray("Time,CH1,CH2\n2e-9,0.1,0.2\n1e-9,0.3,0.4\n0,0.2,0.1\n") << ""
        << ""
        << "cap.csv:3: column 1 ('Time') is named as the time but does not increase";
    QTest::newRow("volts beyond millivolts")
        << QByteArray("Time,CH1,CH2\n0,1e308,0.2\n1e-9,0.3,0.4\n") << ""
        << ""
        << "cap.csv:2: the reference (CH1), column 2 ('CH1'): a "
           "value too large to be a voltage";
    QTest::newRow("picoseconds below a double")
        << QByteArray("Time (ps),CH1,CH2\n1e-320,0.1,0.2\n2e-320,0.3,0.4\n3e-320,0.2,0.1\n") << ""
        << ""
        << "cap.csv:3: the times in seconds are not finite and increasing here (0 s after 0 s): "
           "check the time unit and the sample interval";
    QTest::newRow("an interval that makes the times infinite")
        << QByteArray("Sample Interval,1e308\nCH1,CH2\n0.1,0.2\n0.3,0.4\n0.2,0.1\n") << ""
        << ""
        << "cap.csv:5: the times in seconds are not finite and increasing here (inf s after "
           "1e+308 s): check the time unit and the sample interval";
    QTest::newRow("control characters are shown escaped")
        << QByteArray("Time,CH1,CH2\n0,0.1,0.2\n1e-9,\x1b[31m\x07,0.4\n") << ""
        << ""
        << "cap.csv:3: expected a number in column 2, found '\\x1b[31m\\x07'";
    QTest::newRow("a NUL does not cut the message")
        << QByteArray("Time,CH1,CH2\n0,0.1,0.2\n1e-9,a\0b,0.4\n", 37) << ""
        << ""
        << "cap.csv:3: expected a number in column 2, found 'a\\x00b'";
    QTest::newRow("thousands of fields")
        << "0," + QByteArray(5000 * 2, ',').replace(",,", "1,") + "\n"
        << ""
        << ""
        << "cap.csv:1: 5002 fields on one line; an oscilloscope's file has far fewer";
    QTest::newRow("repeated time stamps, unevenly")
        << QByteArray("Time,CH1,CH2\n-2.50E-02,0.1,0.2\n-2.50E-02,0.3,0.4\n-2.49E-02,0.2,0.1\n"
                      "-2.40E-02,0.1,0.2\n-2.39E-02,0.1,0.2\n")
        << ""
        << ""
        << "cap.csv:3: column 1 ('Time') repeats its time stamps (-0.025 twice) and they are not "
           "evenly spaced: the file was saved with too few digits; save the capture again from "
           "the oscilloscope";
    // The maker's "Example CSV2: Waveform of channel 1, pairs of values" (R&S RTC1000), and
    // half a pair after them, as a cut-off file has it.
    // GW Instek's FFT file: dB over Hz (Petint/PATAKY-MERES, RL/ALL0000/A0000CH3.CSV).
    const QByteArray gwFft = "Memory Length,250,\nTrigger Level,0.000E+00,\nSource,FFT,\n"
                             "Vertical Units,dB,\nVertical Scale,2.000E+01,\n"
                             "Vertical Position,0.000000E+00,\nHorizontal Units,Hz,\n"
                             "Horizontal Scale,4.000E+05,\nHorizontal Position,0.000E+00,\n"
                             "Horizontal Mode,Main,\nSampling Period,1.600E+04,\n"
                             "Firmware, V1.14,\nWaveform Data,\n-36,\n-24,\n-26,\n";
    QTest::newRow("GW Instek's spectrum")
        << withRows(gwFft, 30, [](int k) { return QByteArray::number(-60 - k % 7) + ",\n"; }) << ""
        << ""
        << "cap.csv:7: the horizontal unit is 'Hz': this is a spectrum (an FFT), not a waveform "
           "in time; save the channel's waveform";
    QTest::newRow("GW Instek's counts without their scale")
        << withRows(
               QByteArray(gwFft).replace("Vertical Scale,2.000E+01,\n", "").replace(",Hz,", ",s,"),
               30, [](int k) { return QByteArray::number(-60 - k % 7) + ",\n"; })
        << ""
        << ""
        << "cap.csv:12: the samples after 'Waveform Data' are the converter's counts, and no "
           "'Vertical Scale' says how many volts they are; save the waveform with its settings";
    QTest::newRow("a time without values among the data")
        << QByteArray("Time,CH1,CH2\n0,0.1,0.2\n1e-9,,\n2e-9,0.2,0.1\n3e-9,0.1,0.2\n") << ""
        << ""
        << "cap.csv:3: expected a number in column 2, found nothing";
    QTest::newRow("segments that do not fill the file")
        << QByteArray("Segments,2,SegmentSize,1252\nTime,CH1,CH2\n0,0.1,0.2\n1e-9,0.3,0.4\n") << ""
        << ""
        << "cap.csv:1: the file says 2 segments of 1252 samples, but it holds 2 samples";
    QTest::newRow("pairs of values, as the manual of the RTC1000 shows them")
        << QByteArray("in s,CH1 in V\r\n-2.9980E+00,2.000E-05\r\n-2.9980E+00,1.400E-04\r\n"
                      "-2.9960E+00,-1.800E-04\r\n-2.9960E+00,1.400E-04\r\n"
                      "-2.9940E+00,-1.800E-04\r\n-2.9940E+00,1.400E-04\r\n-2.9920E+00,0\r\n")
        << ""
        << ""
        << "cap.csv:3: column 1 ('in s') gives every time stamp twice: these are the minimum "
           "and the maximum of each interval (peak detect or envelope), not samples; capture "
           "in the acquisition mode 'sample' (normal)";
}

void tst_CaptureReader::badFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reference);
    QFETCH(QString, vx);
    QFETCH(QString, message);

    const Result<Capture> read = readCapture(content, QStringLiteral("cap.csv"), {reference, vx});
    QVERIFY(!read);
    QCOMPARE(read.error(), message);
}

// The layouts of the families of oscilloscopes, each from the first lines of a real file
// (its source in the comment), with sample rows in the family's own number format.
void tst_CaptureReader::families_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("file"); // its name counts for the channel tag
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("firstTime"); // seconds
    QTest::addColumn<double>("interval");
    QTest::addColumn<double>("firstValue"); // mV, of the first channel read
    QTest::addColumn<int>("tag"); // of the first channel read

    // Tektronix TBS1072B, one channel a file, 18 settings beside the first data rows
    // (GAGER41/oximetre, F0000CH1.CSV).
    const char *const tekSettings[] = {"Record Length,2.500000e+03,",
        "Sample Interval,4.000000e-03,", "Trigger Point,-0.000000000000e+00,", ",,", ",,", ",,",
        "Source,CH1,", "Vertical Units,V,", "Vertical Scale,1.000000e+00,",
        "Vertical Offset,-4.200000e+00,", "Horizontal Units,s,", "Horizontal Scale,1.000000e+00,",
        "Pt Fmt,Y,", "Yzero,0.000000e+00,", "Probe Atten,1.000000e+01,", "Model Number,TBS1072B,",
        "Serial Number,C035559,", "Firmware Version,FV:v4.06,"};
    QTest::newRow("Tektronix TBS, settings beside the data") << withRows({}, 30, [&](int k) {
        return QByteArray(k < 18 ? tekSettings[k] : ",,") + ",   " + number(0.004 * k, 'f', 12)
            + ",   " + number(1.84 + wave(k, 0), 'f', 5) + ",\n";
    }) << "F0000CH1.CSV" << 1 << 30 << 0.0 << 0.004 << 1840.0 << 1;
    // Rigol DS1000Z: sample numbers, names over the start and the increment, rows that end
    // in a comma (Cbabe/Power_Electronics, NewFile1.csv).
    QTest::newRow("Rigol DS1000Z") << withRows(
        "X,CH1,CH2,Start,Increment,\nSequence,Volt,Volt,-1.370000e-05,2.000000e-09\n", 30,
        [](int k) {
            return QByteArray::number(k) + ',' + number(wave(k, 0) * 0.02, 'e', 2) + ','
                + number(18 + wave(k, 1), 'e', 2) + ",\n";
        }) << "NewFile1.csv" << 2 << 30
                                   << -1.37e-5 << 2e-9 << 0.0 << 1;
    // Keysight InfiniiVision: channels named "1" and "2" under "x-axis", a line of units,
    // engineering notation (HCui91/Scope_plot, scope_0.csv).
    QTest::newRow("Keysight InfiniiVision") << withRows("x-axis,1,2\nsecond,Volt,Volt\n", 30,
        [](int k) {
            return number(-1000 + k, 'f', 2) + "E-09," + number(wave(k, 0) * 400, 'f', 5) + "E-06,"
                + number(wave(k, 2) * 200, 'f', 5) + "E-06\n";
        }) << "scope_0.csv" << 2 << 30 << -1e-6
                                            << 1e-9 << 0.0 << 1;
    // Owon HDS242, one channel a file: settings with tabs before their colons, an index
    // column, millivolts (h-elsner/OwonOszi, testfiles/WAVE1.CSV).
    QTest::newRow("Owon handheld") << withRows(
        "Channel\t\t\t  :,CH1\nFrequency\t\t\t  :,F=  ?\nPeriod \t\t\t  :,T=  ?\n"
        "PK-PK\t\t\t\t  :,Vpp=3.520V\nAverage\t\t\t  :,V=-1.306V\n"
        "Vertical pos\t\t  :,0.00mV\nProbe attenuation\t  :,10X\n"
        "Voltage per ADC value:,40.00mV\nTime interval\t\t  :,0.08uS\n\n"
        "index,CH1_Voltage(mV)\n",
        30,
        [](int k) { return QByteArray::number(k) + ',' + number(160 * wave(k, 0), 'f', 2) + '\n'; })
                                   << "WAVE1.CSV" << 1 << 30 << 0.0 << 0.08e-6 << 0.0 << 1;
    // Siglent SDS1202X-E with its settings saved, one channel a file, a blank before each
    // time (evanmoring/siglent_utils, SDS00001.csv).
    QTest::newRow("Siglent SDS1000X-E with settings") << withRows(
        "Record Length,Analog:140000\nSample Interval,CH1:0.0000020000000\n"
        "Vertical Units,CH1:V,,,\nVertical Scale,CH1:0.50,,,\nVertical Offset,CH1:0.00,,,\n"
        "Horizontal Units,us,,,\nHorizontal Scale,20000.0000000000,,,\n"
        "Model Number,SDS1202X-E,,,\nSerial Number,SDS1EDEC5R2457,,,\n"
        "Software Version,1.3.26,,,\nSource,CH1\nSecond,Volt\n",
        30,
        [](int k) {
            return ' ' + number(2e-6 * k, 'f', 11) + ',' + number(1.16 + wave(k, 0), 'f', 5) + '\n';
        }) << "SDS00001.csv" << 1 << 30 << 0.0 << 2e-6 << 1160.0
                                                      << 1;
    // Teledyne LeCroy HDO9404, one channel a file named after it, as quoted in a public
    // repository's reader of such files ("LECROYHDO9404,30152,Waveform" and the lines below).
    QTest::newRow("Teledyne LeCroy")
        << withRows("LECROYHDO9404,30152,Waveform\nSegments,1,SegmentSize,502\n"
                    "Segment,TrigTime,TimeSinceSegment1\n#1,28-Dec-2020 13:34:10,0\nTime,Ampl\n",
               30,
               [](int k) {
                   return number(-1.78051e-07 + 2e-9 * k, 'e', 5) + ','
                       + number(-0.00034916992 + 0.01 * wave(k, 0), 'g', 8) + '\n';
               })
        << "C2--antenna--00000.csv" << 1 << 30 << -1.78051e-7 << 2e-9 << -0.34916992 << 2;
    // PicoScope 6: names, a line of units, a blank line, then the data, eight decimals (a
    // public analysis tool's README quotes a file's first lines: "Time,Channel A,…",
    // "(ms),(V),…", a blank line, "-0.10000058,4.82528200,…").
    QTest::newRow("PicoScope") << withRows("Time,Channel A,Channel B\n(us),(V),(mV)\n\n", 30,
        [](int k) {
            return number(-2 + 0.01 * k, 'f', 8) + ',' + number(0.5 * wave(k, 0), 'f', 8) + ','
                + number(250 * wave(k, 1), 'f', 8) + '\n';
        }) << "pico.csv" << 2 << 30
                               << -2e-6 << 1e-8 << 0.0 << 1;
    // PicoScope's German export: semicolons, decimal commas, Windows line ends.
    QTest::newRow("PicoScope, German")
        << withRows("Zeit;Kanal A;Kanal B\r\n(ms);(V);(V)\r\n\r\n", 30,
               [](int k) {
                   return number(-0.5 + 0.001 * k, 'f', 6).replace('.', ',') + ';'
                       + number(0.5 * wave(k, 0), 'f', 6).replace('.', ',') + ';'
                       + number(0.25 * wave(k, 1), 'f', 6).replace('.', ',') + "\r\n";
               })
        << "pico.csv" << 2 << 30 << -0.5e-3 << 1e-6 << 0.0 << 0;
    // Rigol MSO5000 and DHO800/900: the start and the interval as "t0 = …s, tInc = …s"
    // beside the names, every row ending in two commas.
    QTest::newRow("Rigol MSO5000, DHO800/900")
        << withRows("Time(s),CH1(V),CH2(V),t0 = -2.500000e-06s, tInc = 2.000000e-09s,\n", 30,
               [](int k) {
                   return number(-2.5e-6 + 2e-9 * k, 'e', 6) + ',' + number(wave(k, 0), 'e', 6)
                       + ',' + number(wave(k, 1), 'e', 6) + ",,\n";
               })
        << "RigolDS0.csv" << 2 << 30 << -2.5e-6 << 2e-9 << 0.0 << 1;
    // Rigol DS1000B: every row ends in a comma and a blank.
    QTest::newRow("Rigol DS1000B") << withRows("Time,CH1,CH2\n", 30,
        [](int k) {
            return number(-1.2e-5 + 1e-8 * k, 'e', 3) + ',' + number(wave(k, 0), 'f', 4) + ','
                + number(wave(k, 1), 'f', 4) + ", \n";
        }) << "DS1000B.csv" << 2 << 30
                                   << -1.2e-5 << 1e-8 << 0.0 << 1;
    // Rigol MSO5000: "t0 = …s, tInc = …" beside the names "Time(s),CH1V", every row ending
    // in two commas (the first lines of an MSO5000 file as the README of a converter of its
    // logic-probe CSV to VCD quotes them: "Time(s),D7-D0,D15-D8,t0 = -0.01s, tInc = 1e-09,").
    QTest::newRow("Rigol MSO5000, as quoted")
        << withRows("Time(s),CH1V,CH2V,t0 = -0.01s, tInc = 1e-09,\n", 30,
               [](int k) {
                   return number(-9.999999e-3 + 1e-9 * k, 'E', 6) + ',' + number(wave(k, 0), 'E', 6)
                       + ',' + number(wave(k, 1), 'E', 6) + ",,\n";
               })
        << "RigolDS0.csv" << 2 << 30 << -9.999999e-3 << 1e-9 << 0.0 << 1;
    // Rigol's later platform without its settings: "Time(s),CH4V", no trailing commas
    // (RuiNelson/rigol2spice, Tests/rigol2spiceTests/SampleFiles/Centaurus.csv).
    QTest::newRow("Rigol Time(s),CH4V") << withRows("Time(s),CH4V\n", 30,
        [](int k) {
            return number(-1.04e-1 + 1e-3 * k, 'e', 6) + ','
                + number(-9.733333e-3 + wave(k, 0), 'e', 6) + '\n';
        }) << "Centaurus.csv" << 1 << 30 << -0.104
                                        << 1e-3 << -9.733333 << 4;
    // Rigol DS1000E, one channel: names and units end in a comma, so does every row
    // (janengelbrecht/RIGOL_DS1052_Tools, NewFile0.csv).
    QTest::newRow("Rigol DS1000E, one channel") << withRows("X,CH1,\nSecond,Volt,\n", 30,
        [](int k) {
            return number(-3e-3 + 1e-5 * k, 'e', 7) + ',' + number(0.1 + wave(k, 0), 'e', 5)
                + ",\n";
        }) << "NewFile0.csv" << 1 << 30 << -3e-3 << 1e-5
                                                << 100.0 << 1;
    // Rigol DS1000E, two channels named "X(CH1)" and "X(CH2)" (a lab report's plotting
    // script quotes the first two lines: "Time,X(CH1),X(CH2)," and "Second,Volt,Volt,").
    QTest::newRow("Rigol DS1000E, two channels")
        << withRows("Time,X(CH1),X(CH2),\nSecond,Volt,Volt,\n", 30,
               [](int k) {
                   return number(-3e-3 + 1e-5 * k, 'e', 7) + ',' + number(wave(k, 0), 'e', 5) + ','
                       + number(wave(k, 1), 'e', 5) + ",\n";
               })
        << "NewFile1.csv" << 2 << 30 << -3e-3 << 1e-5 << 0.0 << 1;
    // A Rigol DS1000E's other spelling: no comma after the names, none after the samples
    // (aslan-mehmet/osiplot, NewFile0.csv).
    QTest::newRow("Rigol DS1000E, no trailing commas") << withRows("X,CH1\nSecond,Volt,\n", 30,
        [](int k) {
            return number(-1.064e-2 + 4e-5 * k, 'e', 5) + ',' + number(-0.2 + wave(k, 0), 'e', 2)
                + '\n';
        }) << "NewFile0.csv" << 1 << 30 << -1.064e-2 << 4e-5
                                                       << -200.0 << 1;
    // Rigol without sample numbers: "CH1,CH2,Start,Increment," over
    // "Volt,Volt,-6.00000e-02,1.00000e-04", five decimals (JonasLampp/Kernspinresonanz,
    // NewFile1.csv; the repository does not name the model).
    QTest::newRow("Rigol, no sample numbers")
        << withRows("CH1,CH2,Start,Increment,\nVolt,Volt,-6.00000e-02,1.00000e-04\n", 30,
               [](int k) {
                   return number(0.32 + wave(k, 0), 'e', 5) + ','
                       + number(12.8 + wave(k, 1), 'e', 5) + ",\n";
               })
        << "NewFile1.csv" << 2 << 30 << -0.06 << 1e-4 << 320.0 << 1;
    // Siglent SDS1000 with its settings off: "Source,CH1,CH2" over "Second,Volt,Volt"
    // (ArdanEslik/AKU-RLI-Dataset, SDS00001.CSV).
    QTest::newRow("Siglent with settings off") << withRows("Source,CH1,CH2\nSecond,Volt,Volt\n", 30,
        [](int k) {
            return number(-0.01999999955 + 4e-6 * k, 'f', 11) + ','
                + number(0.58 + wave(k, 0), 'f', 5) + ',' + number(wave(k, 1), 'f', 5) + '\n';
        }) << "SDS00001.CSV" << 2 << 30 << -0.01999999955
                                               << 4e-6 << 580.0 << 1;
    // Rohde & Schwarz RTB2000, one channel a file: "in s,C1 in V", eight digits (the first
    // lines as a public converter of RTB2000 files to SPICE quotes them:
    // "-5.9999832E-01,1.7738342E-03").
    QTest::newRow("Rohde & Schwarz RTB, one channel") << withRows("in s,C2 in V\n", 30,
        [](int k) {
            return number(-5.9999832e-1 + 2e-6 * k, 'E', 7) + ','
                + number(1.7738342e-3 + wave(k, 0), 'E', 7) + '\n';
        }) << "WFM02.CSV" << 1 << 30 << -0.59999832 << 2e-6
                                                      << 1.7738342 << 2;
    // Rohde & Schwarz, four channels in one file, the time in five digits
    // (lzt66666/TDL-WMS-laser-calibration-helper, WFM.CSV): the stamps are taken as written.
    QTest::newRow("Rohde & Schwarz, four channels")
        << withRows("in s,C1 in V,C2 in V,C3 in V,C4 in V\n", 30,
               [](int k) {
                   return number(-1.094e-2 + k / 3e5, 'E', 4) + ','
                       + number(0.208389 + wave(k, 0), 'E', 5) + ',' + number(wave(k, 1), 'E', 5)
                       + ',' + number(wave(k, 2), 'E', 5) + ',' + number(wave(k, 3), 'E', 5) + '\n';
               })
        << "WFM.CSV" << 2 << 30 << -1.094e-2 << 3e-6 << 208.389 << 1;
    // Rohde & Schwarz RTC1000: "in s,CH1 in V", Windows line ends (the maker's manual,
    // "Example CSV1: Waveform of channel 1, single values").
    QTest::newRow("Rohde & Schwarz RTC1000, as its manual shows") << withRows(
        "in s,CH1 in V\r\n", 30, [](int k) {
            return number(-1.1996e-2 + 4e-6 * k, 'E', 4) + ',' + number(1e-2 + wave(k, 0), 'E', 3)
                + "\r\n";
        }) << "TRC01.CSV" << 1 << 30 << -1.1996e-2 << 4e-6 << 10.0 << 1;
    // Rohde & Schwarz RTM20xx: the units in brackets, "[s],CH1[V]" (the maker's manual).
    QTest::newRow("Rohde & Schwarz RTM, as its manual shows") << withRows("[s],CH1[V]\n", 30,
        [](int k) {
            return number(-1.1996e-2 + 4e-6 * k, 'E', 4) + ',' + number(1e-2 + wave(k, 0), 'E', 3)
                + '\n';
        }) << "TRC01.CSV" << 1 << 30 << -1.1996e-2 << 4e-6 << 10.0
                                                              << 1;
    // UTF-16, as a spreadsheet saves a capture as "Unicode text": tabs.
    const QString unicode
        = QStringLiteral("Time (s)\tCH1 (V)\tCH2 (V)\r\n0\t0,1\t0,2\r\n1e-9\t0,3\t0,4\r\n");
    QByteArray utf16("\xff\xfe");
    for (const QChar c : unicode) {
        utf16 += char(c.unicode() & 0xff);
        utf16 += char(c.unicode() >> 8);
    }
    QTest::newRow("UTF-16 from a spreadsheet")
        << utf16 << "sheet.txt" << 2 << 2 << 0.0 << 1e-9 << 100.0 << 1;
    // A spreadsheet that re-saved the times with three digits: the interval tells them.
    QTest::newRow("repeated time stamps beside an interval")
        << QByteArray("Sample Interval,2e-9\nTime,CH1,CH2\n-2.50E-02,0.1,0.2\n-2.50E-02,0.3,0.4\n"
                      "-2.49E-02,0.2,0.1\n")
        << "resaved.csv" << 2 << 3 << -0.025 << 2e-9 << 100.0 << 1;

    // GW Instek GDS, one channel a file: settings, "Waveform Data", then the converter's
    // counts, 25 a division of Vertical Scale (Petint/PATAKY-MERES, RL/ALL0001/A0001CH1.CSV
    // and A0001CH2.CSV): 26 counts of 4 mV.
    const QByteArray gwHead = "Memory Length,4000,\nTrigger Level,2.400E-02,\nSource,CH1,\n"
                              "Vertical Units,V,\nVertical Scale,1.000E-01,\n"
                              "Vertical Position,2.000E-01,\nHorizontal Units,s,\n"
                              "Horizontal Scale,5.000E-04,\nHorizontal Position,0.000E+00,\n"
                              "Horizontal Mode,Main,\nSampling Period,2.000E-06,\n"
                              "Firmware, V1.14,\nWaveform Data,\n26,\n26,\n-27,\n";
    const auto counts
        = [](int k) { return QByteArray::number(int(std::lround(40 * wave(k, 1)))) + ",\n"; };
    QTest::newRow("GW Instek GDS, CH1")
        << withRows(gwHead, 27, counts) << "A0001CH1.CSV" << 1 << 30 << 0.0 << 2e-6 << 104.0 << 1;
    QTest::newRow("GW Instek GDS, CH2")
        << withRows(QByteArray(gwHead)
                        .replace("Source,CH1", "Source,CH2")
                        .replace("Position,2.000E-01", "Position,-2.000E-01")
                        .replace("26,\n26,\n-27,\n", "21,\n21,\n-33,\n"),
               27, counts)
        << "A0001CH2.CSV" << 1 << 30 << 0.0 << 2e-6 << 84.0 << 2;
    // Agilent MSO7034A, engineering notation with the sign always written; scope_3's last
    // row has its time and no values (sigrokproject/sigrok-dumps, misc/square_wave_2ch/
    // scope_3.csv to scope_6.csv: Length 1000, 500, 250 and 100).
    const auto agilent
        = [](int step, int decimals, const QByteArray &head, const QByteArray &last) {
              const int rows = 2000 / step - 2 - (last.isEmpty() ? 0 : 1);
              return withRows(head, rows, [=](int k) {
                  const double us = -1000 + step * (k + 2);
                  return withSign(number(us, 'f', decimals) + "E-06") + ','
                      + withSign(number(2.5 * wave(k, 0), 'f', 9) + "E+00") + ','
                      + withSign(number(2.5 * wave(k, 1), 'f', 9) + "E+00") + '\n';
              }) + last;
          };
    QTest::newRow("Agilent MSO7034A, a last row of no values") << agilent(2, 3,
        "x-axis,1,2\nsecond,Volt,Volt\n-1.000000E-03,-249.982E-06,+31.500101E-03\n"
        "-998.000E-06,+31.000018E-03,+31.500101E-03\n",
        "+998.000E-06,,\n") << "scope_3.csv" << 2 << 999 << -1e-3
                                                               << 2e-6 << -0.249982 << 1;
    QTest::newRow("Agilent MSO7034A, 500 points") << agilent(4, 3,
        "x-axis,1,2\nsecond,Volt,Volt\n-1.000000E-03,-249.982E-06,+31.500101E-03\n"
        "-996.000E-06,-249.982E-06,+31.500101E-03\n",
        {}) << "scope_4.csv" << 2 << 500 << -1e-3 << 4e-6
                                                  << -0.249982 << 1;
    QTest::newRow("Agilent MSO7034A, 250 points") << agilent(8, 3,
        "x-axis,1,2\nsecond,Volt,Volt\n-1.000000E-03,-249.982E-06,+31.500101E-03\n"
        "-992.000E-06,+31.000018E-03,+62.750101E-03\n",
        {}) << "scope_5.csv" << 2 << 250 << -1e-3 << 8e-6
                                                  << -0.249982 << 1;
    QTest::newRow("Agilent MSO7034A, 100 points, fewer digits") << agilent(20, 2,
        "x-axis,1,2\nsecond,Volt,Volt\n-1.00000E-03,-249.98E-06,+31.50010E-03\n"
        "-980.00E-06,-249.98E-06,+250.10E-06\n",
        {}) << "scope_6.csv" << 2 << 100 << -1e-3 << 20e-6 << -0.24998
                                                                << 1;
    // Agilent's "ASCII XY", one channel a file, plain "%g", the last line without a line
    // end (scope_7_1.csv, scope_7_2.csv).
    const auto xy = [](const QByteArray &head) {
        QByteArray text = withRows(head, 99, [](int k) {
            return number(-0.00098 + 2e-5 * k, 'g', 6) + ',' + number(2.5 * wave(k, 0), 'g', 6)
                + '\n';
        });
        text.chop(1);
        return text;
    };
    QTest::newRow("Agilent ASCII XY, channel 1")
        << xy("x-axis,1\nsecond,Volt\n-0.001,-0.000249982\n") << "scope_7_1.csv" << 1 << 100
        << -1e-3 << 2e-5 << -0.249982 << 1;
    QTest::newRow("Agilent ASCII XY, channel 2")
        << xy("x-axis,2\nsecond,Volt\n-0.001,0.0315001\n") << "scope_7_2.csv" << 1 << 100 << -1e-3
        << 2e-5 << 31.5001 << 2;
    // Keysight: times before the channels' first samples, with no values
    // (julia-17-white/spectroscopy_lab, scope_1.csv); eight digits of 0.703125 ms.
    QTest::newRow("Keysight, times without values first")
        << withRows("x-axis,1,2\nsecond,Volt,Volt\n+1.5400000E+00,,\n+1.5407031E+00,,\n"
                    "+1.5414063E+00,,\n+1.5421094E+00,,\n+1.5428125E+00,,\n+1.5435156E+00,,\n"
                    "+1.5442188E+00,+454.3122E-03,+713.2331E-03\n",
               29,
               [](int k) {
                   return withSign(number(1.5442188 + 0.000703125 * (k + 1), 'E', 7)) + ','
                       + withSign(number(454 + wave(k, 0), 'f', 4) + "E-03") + ','
                       + withSign(number(700 + wave(k, 1), 'f', 4) + "E-03") + '\n';
               })
        << "scope_1.csv" << 2 << 30 << 1.5442188 << 0.0007031 << 454.3122 << 1;
    // Teledyne LeCroy WaveSurfer 4054HD: two segments one after the other, exponents of
    // three digits, Windows line ends, no line end after the last line
    // (nu-ZOO/MULE, packs/tests/data/one_channel_LECROYWS4054HD.csv).
    QByteArray waveSurfer = withRows(
        "LECROYWS4054HD,18156,Waveform\r\nSegments,2,SegmentSize,1252\r\n"
        "Segment,TrigTime,TimeSinceSegment1\r\n#1,26-Mar-2026 14:34:31,0                 \r\n"
        "#2,26-Mar-2026 14:34:31,0.000999964       \r\nTime,Ampl\r\n",
        2504, [](int k) {
            return threeDigitExponent(-2.88172e-6 + 8e-9 * (k % 1252), 6) + ','
                + number(-0.00271410146 + 0.01 * wave(k, 0), 'g', 12) + "\r\n";
        });
    waveSurfer.chop(2);
    QTest::newRow("Teledyne LeCroy WaveSurfer, two segments")
        << waveSurfer << "one_channel_LECROYWS4054HD.csv" << 1 << 1252 << -2.88172e-6 << 8e-9
        << -2.71410146 << 0;
    // Rigol DS1000B: the first name empty, rows ending in ", " (scottprahl/RigolWFM,
    // tests/files/wfm/DS1204B-A-original.csv; DS1204B-F.csv has CH2 and CH4 only).
    const auto ds1000b = [](const QByteArray &head, int columns, double first, double step) {
        return withRows(head, 29, [=](int k) {
            QByteArray row = number(first + step * (k + 1), 'e', 5);
            for (int c = 0; c < columns; ++c) {
                row += ',' + number(3 + wave(k, c), 'e', 2);
            }
            return row + ", \r\n";
        });
    };
    QTest::newRow("Rigol DS1000B, four channels")
        << ds1000b(",CH1,CH2,CH3,CH4\r\nSecond,Volt,Volt,Volt,Volt\r\n"
                   "-3.27680e-02,3.04e+00,9.40e+00,2.80e+00,9.60e+00, \r\n",
               4, -3.2768e-2, 8e-6)
        << "DS1204B-A-original.csv" << 2 << 30 << -3.2768e-2 << 8e-6 << 3040.0 << 1;
    QTest::newRow("Rigol DS1000B, CH2 and CH4") << ds1000b(
        ",CH2,CH4\r\nSecond,Volt,Volt\r\n-1.63840e-02,1.48e+01,1.44e+01, \r\n", 2, -1.6384e-2, 4e-6)
                                                << "DS1204B-F.csv" << 2 << 30 << -1.6384e-2 << 4e-6
                                                << 14800.0 << 2;
    // Rigol DS2000, DS4000 and DS1000Z: sample numbers, Start and Increment over their
    // values; the DS4024's numbers start at 22, the DS1074Z's second line has no comma at its
    // end (scottprahl/RigolWFM, tests/files/wfm/DS2072A-1.csv, -5, -7, -9, DS4024-A.csv,
    // DS1074Z-A.csv).
    const auto sequence = [](const QByteArray &head, int first, int columns) {
        return withRows(head, 29, [=](int k) {
            QByteArray row = QByteArray::number(first + k + 1);
            for (int c = 0; c < columns; ++c) {
                row += ',' + number(0.05 * wave(k, c), 'e', 6);
            }
            return row + ",\r\n";
        });
    };
    QTest::newRow("Rigol DS2072A, two channels") << sequence(
        "X,CH1,CH2,Start,Increment,\r\nSequence,Volt,Volt,-3.500000e-03,5.000000e-06,\r\n"
        "0,2.400000e-02,8.000000e-03,\r\n",
        0, 2) << "DS2072A-1.csv" << 2 << 30 << -3.5e-3
                                                 << 5e-6 << 24.0 << 1;
    QTest::newRow("Rigol DS2072A, 10 ns") << sequence(
        "X,CH1,CH2,Start,Increment,\r\nSequence,Volt,Volt,-2.520000e-06,1.000000e-08,\r\n"
        "0,0.000000e+00,0.000000e+00,\r\n",
        0, 2) << "DS2072A-5.csv" << 2 << 30
                                          << -2.52e-6 << 1e-8 << 0.0 << 1;
    QTest::newRow("Rigol DS2072A, CH2 alone")
        << sequence("X,CH2,Start,Increment,\r\nSequence,Volt,-3.500000e-03,5.000000e-06,\r\n"
                    "0,1.600000e-02,\r\n",
               0, 1)
        << "DS2072A-7.csv" << 1 << 30 << -3.5e-3 << 5e-6 << 16.0 << 2;
    QTest::newRow("Rigol DS2072A, CH2 alone, 500 ns")
        << sequence("X,CH2,Start,Increment,\r\nSequence,Volt,-3.500000e-03,5.000000e-07,\r\n"
                    "0,-1.360000e+00,\r\n",
               0, 1)
        << "DS2072A-9.csv" << 1 << 30 << -3.5e-3 << 5e-7 << -1360.0 << 2;
    QTest::newRow("Rigol DS4024, numbers from 22") << sequence(
        "X,CH1,CH2,Start,Increment,\r\nSequence,Volt,Volt,-1.400000e-03,2.000000e-06,\r\n"
        "22,3.125000e-02,6.250000e-03,\r\n",
        22, 2) << "DS4024-A.csv" << 2 << 30 << -1.356e-3
                                                   << 2e-6 << 31.25 << 1;
    QTest::newRow("Rigol DS1074Z, three channels") << sequence(
        "X,CH1,CH2,CH3,Start,Increment,\r\nSequence,Volt,Volt,Volt,-2.000000e-03,2.000000e-05\r\n"
        "0,0.00e+00,-1.00e+00,0.00e+00,\r\n",
        0, 3) << "DS1074Z-A.csv" << 2 << 30 << -2e-3
                                                   << 2e-5 << 0.0 << 1;
    // Tektronix MDO4104C: 21 lines of settings, an empty line at the end
    // (sigrokproject/sigrok-dumps, misc/tektronix_isf/DS1307Z/RTC.csv).
    QTest::newRow("Tektronix MDO4104C")
        << withRows(
               "Model,MDO4104C\nFirmware Version,1.10\n\nWaveform Type,ANALOG,\nPoint Format,Y,\n"
               "Horizontal Units,s,\nHorizontal Scale,0.0002,\nHorizontal Delay,0.000597,\n"
               "Sample Interval,2e-08,\nRecord Length,100000,\nGating,0.0% to 100.0%,\n"
               "Probe Attenuation,10,10\nVertical Units,V,V\nVertical Offset,0,0\nVertical "
               "Scale,2,2\n"
               "Vertical "
               "Position,-3,1.02\n,,\n,,\n,,\nLabel,,\nTIME,CH1,CH2\n-4.03000e-04,4.96,4.92\n",
               29,
               [](int k) {
                   return number(-4.03e-4 + 2e-8 * (k + 1), 'e', 5) + ','
                       + number(4.96 + wave(k, 0), 'g', 3) + ',' + number(4.92 + wave(k, 1), 'g', 3)
                       + '\n';
               })
            + '\n'
        << "RTC.csv" << 2 << 30 << -4.03e-4 << 2e-8 << 4960.0 << 1;
    // Tektronix 4/5/6 Series, a reference waveform alone, t = 0 off the sample grid
    // (tektronix/tm_data_types, tests/waveforms/analog_waveform.csv).
    QTest::newRow("Tektronix MSO64, REF7") << withRows(
        "Model,MSO64\nLabel,\nWaveform Type,ANALOG\nHorizontal Units,s\n"
        "Sample Interval,4.00000000e-11\nRecord Length,50000\nZero Index,24999.16015625\n"
        "Vertical Units,V\nclippingInitialized,1\nyOffset,0.00000000e+00\n"
        "yPosition,0.00000000e+00\n\nLabels,\nTIME,REF7\n-9.99966406e-07,-1.48000000e-01\n",
        29,
        [](int k) {
            return number(-9.99966406e-07 + 4e-11 * (k + 1), 'e', 8) + ','
                + number(0.1 * wave(k, 0), 'e', 8) + '\n';
        }) << "analog_waveform.csv" << 1 << 30
                                           << -9.99966406e-07 << 4e-11 << -148.0 << 0;
    // Digilent WaveForms (Analog Discovery 2): "#" comments, a blank line, full doubles
    // (wcxman/EECE2140Final, 100Hz/acq0001.csv).
    QTest::newRow("Digilent WaveForms") << withRows(
        "#Digilent WaveForms Oscilloscope Acquisition\n#Device Name: Discovery2\n"
        "#Serial Number: SN:210321AA28BE\n#Date Time: 2023-05-24 14:48:30.254\n"
        "#Sample rate: 558659Hz\n#Samples: 8192\n#Trigger: Source: Channel 1 Type: Edge "
        "Condition: Rising Level: 800 mV Hyst.: Auto HoldOff: 100 ns\n#Channel 1: Range: 1 V/div "
        "Offset: 0 V Attenuation: 1 X Sample Mode: Average\n#Channel 2: Range: 1 V/div Offset: 0 V "
        "Attenuation: 1 X Sample Mode: Average\n\nTime (s),Channel 1 (V),Channel 2 (V)\n"
        "-0.007741867931491177,0.048967281945347836,-1.3132352600427357\n",
        29,
        [](int k) {
            return number(-0.007741867931491177 + 1.79e-6 * (k + 1), 'g', 17) + ','
                + number(wave(k, 0), 'g', 17) + ',' + number(wave(k, 1), 'g', 17) + '\n';
        }) << "acq0001.csv" << 2 << 30 << -0.007741867931491177
                                        << 1.79e-6 << 48.967281945347836 << 1;
    // Rohde & Schwarz RTP, its XY export: the time and two channels, no names
    // (scottprahl/RigolWFM, tests/files/rs/rs_rtp_05.Wfm.csv).
    QTest::newRow("Rohde & Schwarz RTP, XY") << withRows(
        "-5.24e-08,-0.000286438,0.00119874\r\n-5.2375e-08,-0.000289526,0.00116847\r\n", 28,
        [](int k) {
            return number(-5.235e-08 + 2.5e-11 * k, 'g', 5) + ','
                + number(1e-3 * wave(k, 0), 'g', 6) + ',' + number(1e-3 * wave(k, 1), 'g', 6)
                + "\r\n";
        }) << "rs_rtp_05.Wfm.csv" << 2 << 30 << -5.24e-8
                                             << 2.5e-11 << -0.286438 << 0;
}

void tst_CaptureReader::families()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, file);
    QFETCH(int, channels);
    QFETCH(int, samples);
    QFETCH(double, firstTime);
    QFETCH(double, interval);
    QFETCH(double, firstValue);
    QFETCH(int, tag);

    const Result<CaptureRead> result = readCaptureChannels(content, file, {});
    QVERIFY2(result, qPrintable(result.error()));
    const CaptureRead &read = *result;
    QCOMPARE(int(read.channels.size()), channels);
    QCOMPARE(int(read.time.size()), samples);
    QVERIFY2(std::abs(read.time[0] - firstTime) <= 1e-9 * interval,
        qPrintable(QString::number(read.time[0], 'g', 17)));
    QVERIFY2(std::abs(read.time[1] - read.time[0] - interval) <= 1e-6 * interval,
        qPrintable(QString::number(read.time[1] - read.time[0], 'g', 17)));
    QVERIFY2(std::abs(read.channels[0].millivolts[0] - firstValue) <= 1e-6,
        qPrintable(QString::number(read.channels[0].millivolts[0], 'g', 17)));
    QCOMPARE(read.channels[0].tag, tag);
    for (const CaptureChannel &channel : read.channels) {
        QCOMPARE(int(channel.millivolts.size()), samples);
    }
}

// Two files of one channel each make one capture; the channel tags order them.
void tst_CaptureReader::pairs_data()
{
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QString>("secondName");
    QTest::addColumn<double>("secondInterval");
    QTest::addColumn<bool>("swapped");
    QTest::addColumn<QString>("error");

    QTest::newRow("CH1 then CH2") << "F0000CH1.CSV"
                                  << "F0000CH2.CSV" << 1e-9 << false << "";
    QTest::newRow("CH2 then CH1") << "C2--a--00000.csv"
                                  << "C1--a--00000.csv" << 1e-9 << true << "";
    QTest::newRow("untagged: the first is the reference") << "a.csv"
                                                          << "b.csv" << 1e-9 << false << "";
    QTest::newRow("two acquisitions")
        << "F0000CH1.CSV"
        << "F0001CH2.CSV" << 2e-9 << false
        << "F0000CH1.CSV and F0001CH2.CSV are not one acquisition: 5 samples from 0 s every "
           "1e-09 s, and 5 samples from 0 s every 2e-09 s; save both channels of one acquisition";
}

void tst_CaptureReader::pairs()
{
    QFETCH(QString, firstName);
    QFETCH(QString, secondName);
    QFETCH(double, secondInterval);
    QFETCH(bool, swapped);
    QFETCH(QString, error);

    const auto file = [](double interval, double value) {
        QByteArray csv = "Time,Volts\n";
        for (int k = 0; k < 5; ++k) {
            csv += QByteArray::number(k * interval) + ',' + QByteArray::number(value + k) + '\n';
        }
        return csv;
    };
    const Result<CaptureRead> first = readCaptureChannels(file(1e-9, 1), firstName, {});
    const Result<CaptureRead> second = readCaptureChannels(file(secondInterval, 2), secondName, {});
    QVERIFY(first && second);
    const Result<PairedCapture> pairing = pairChannels(*first, firstName, *second, secondName);
    QCOMPARE(pairing.error(), error);
    const bool paired = pairing.ok();
    QCOMPARE(paired, error.isEmpty());
    if (paired) {
        const Capture &capture = pairing->capture;
        QCOMPARE(capture.reference.front(), swapped ? 2000.0 : 1000.0);
        QCOMPARE(capture.vx.front(), swapped ? 1000.0 : 2000.0);
        QCOMPARE(int(capture.time.size()), 5);
    }
}

// Times printed in five significant digits ("%.4E"), as Rigol's "Time(s),CH1(V),…" files
// have them (john-pritchard/hack-sharperimage-lasertag, RigolDS1.zip's RigolDS1.csv): taken
// from their line, every sample within a quarter interval of the true one, whatever the
// steps look like; stamps that are no evenly spaced axis are refused.
void tst_CaptureReader::roundedTimes_data()
{
    QTest::addColumn<double>("first"); // seconds
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("missing"); // a row left out, -1 for none
    QTest::addColumn<bool>("read");

    // At 200 ns each time repeats five times, as in RigolDS1.csv's first lines.
    QTest::newRow("200 ns, each time five times") << -0.030159 << 2e-7 << -1 << true;
    // Across -1E-05 the printed steps are 1 ns and then 0.4 ns: no whole multiples.
    QTest::newRow("0.4 ns across a decade") << -1.0008e-5 << 4e-10 << -1 << true;
    QTest::newRow("0.4 ns across a decade, a sample missing") << -1.0008e-5 << 4e-10 << 30 << false;
}

void tst_CaptureReader::roundedTimes()
{
    QFETCH(double, first);
    QFETCH(double, step);
    QFETCH(int, missing);
    QFETCH(bool, read);

    QByteArray csv = "Time(s),CH1(V),CH2(V),MATH1(V)\n";
    for (int k = 0; k < 60; ++k) {
        if (k != missing) {
            csv += number(first + step * k, 'E', 4) + ',' + number(2.8 + wave(k, 0), 'E', 6) + ','
                + number(2 + wave(k, 1), 'E', 6) + ',' + number(0.8 + wave(k, 2), 'E', 6) + '\n';
        }
    }
    const Result<CaptureRead> result = readCaptureChannels(csv, QStringLiteral("RigolDS1.csv"), {});
    QCOMPARE(result.ok(), read);
    if (!read) {
        QVERIFY2(result.error().contains("not evenly spaced"), qPrintable(result.error()));
        return;
    }
    QCOMPARE(int(result->time.size()), 60);
    for (int k = 0; k < 60; ++k) {
        QVERIFY2(std::abs(result->time[k] - (first + step * k)) < 0.25 * step,
            qPrintable(QString::number(k)));
    }
    QVERIFY(
        result->warnings.size() == 1 && result->warnings[0].contains("repeats its time stamps"));
}

// A save cut off inside the last number: the last line is left out with a warning, never
// read as a sample; a last line without a line end that is whole is kept, also where "%g"
// printed it with fewer digits than the line before.
void tst_CaptureReader::lastLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("samples");
    QTest::addColumn<bool>("cut");

    const QByteArray head = "Time,CH1,CH2\n0,0.1,-1.07e-03\n1e-9,0.3,-1.07e-03\n";
    QTest::newRow("whole") << head + "2e-9,0.2,-1.07e-03" << 3 << false;
    QTest::newRow("cut inside the exponent") << head + "2e-9,0.2,-1.07e-0" << 2 << true;
    QTest::newRow("cut before a field") << head + "2e-9,0.2" << 2 << true;
    // The last lines of nu-ZOO/MULE's one_channel_LECROYWS4054HD.csv: the last amplitude
    // has 11 digits after lines of 12, as "%g" drops a trailing zero.
    const QByteArray lecroy = "Time,Ampl\r\n7.09388e-006,-0.00287409725\r\n"
                              "7.10188e-006,-0.00288821452\r\n7.10988e-006,-0.00286703861\r\n"
                              "7.11788e-006,-0.00272586586\r\n";
    QTest::newRow("LeCroy, fewer digits by chance")
        << lecroy + "7.12588e-006,-0.0028340983" << 5 << false;
    QTest::newRow("LeCroy, cut in the amplitude") << lecroy + "7.12588e-006,-0.002834" << 4 << true;
    QTest::newRow("LeCroy, cut in the exponent") << lecroy + "7.12588e-00" << 4 << true;
    // The last lines of sigrokproject/sigrok-dumps' misc/square_wave_2ch/scope_7_1.csv.
    QTest::newRow("Agilent XY") << QByteArray(
        "x-axis,1\nsecond,Volt\n0.00094,2.49975\n0.00096,2.531\n0.00098,2.49975")
                                << 3 << false;
}

void tst_CaptureReader::lastLines()
{
    QFETCH(QByteArray, content);
    QFETCH(int, samples);
    QFETCH(bool, cut);

    const Result<CaptureRead> result = readCaptureChannels(content, QStringLiteral("cap.csv"), {});
    QVERIFY2(result, qPrintable(result.error()));
    QCOMPARE(int(result->time.size()), samples);
    QCOMPARE(result->cutOff, cut);
    QCOMPARE(result->warnings.size(), cut ? 1 : 0);
    if (cut) {
        QVERIFY2(result->warnings[0].endsWith(
                     "the last line is cut off (the file ends inside it); it is left out"),
            qPrintable(result->warnings[0]));
    }
}

// Two files of one acquisition whose one lost its last sample to a cut-off line are paired
// on the samples both hold, with a warning; two of different lengths otherwise are not.
void tst_CaptureReader::pairCutOff()
{
    const auto file = [](int samples, const QByteArray &end) {
        QByteArray csv = "Time,Ampl\r\n";
        for (int k = 0; k < samples; ++k) {
            csv += threeDigitExponent(-2.88172e-6 + 8e-9 * k, 6) + ','
                + number(0.01 * wave(k, 0), 'g', 12) + "\r\n";
        }
        return csv + end;
    };
    const QByteArray last = "-2.56172e-006," + number(0.01 * wave(39, 0), 'g', 12);
    const Result<CaptureRead> whole = readCaptureChannels(file(40, last), "C1.csv", {});
    const Result<CaptureRead> cut = readCaptureChannels(file(40, last.left(19)), "C2.csv", {});
    const Result<CaptureRead> shorter = readCaptureChannels(file(40, {}), "C2.csv", {});
    QVERIFY(whole && cut && shorter);
    const Result<PairedCapture> paired = pairChannels(*whole, "C1.csv", *cut, "C2.csv");
    QVERIFY2(paired, qPrintable(paired.error()));
    QCOMPARE(int(paired->capture.time.size()), 40);
    QCOMPARE(int(paired->capture.reference.size()), 40);
    QCOMPARE(paired->warnings,
        QStringList {"C2.csv lost its last sample to a cut-off line: the pair is measured on "
                     "the 40 samples both files hold"});
    const Result<PairedCapture> refused = pairChannels(*whole, "C1.csv", *shorter, "C2.csv");
    QVERIFY(!refused);
    QVERIFY2(refused.error().startsWith("C1.csv and C2.csv are not one acquisition"),
        qPrintable(refused.error()));
}

// A data file of values alone with its header beside it (Rohde & Schwarz RTO/RTP): the
// header's lines that this reader uses, in their order, of the RTO2000 header
// Brunner-neutrino-lab/RTO-wfmparser, scopedata/RefCurve_2023-12-08_0_003837.csv; the data
// as its .Wfm.csv: ten waveforms, each a timestamp and 2110 samples (their first values
// as the file has them).
void tst_CaptureReader::headerFiles_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("segment");
    QTest::addColumn<int>("channels");
    QTest::addColumn<double>("firstValue"); // mV, of the first channel
    QTest::addColumn<int>("tag");
    QTest::addColumn<QString>("error");

    const QByteArray rto = "CPgReferenceCurveAttributes:SourceType:Source:\nResolution:1e-09:\n"
                           "RecordLength:2000:\nHWRecordLength:2000:\nXStart:-4e-07:\n"
                           "XStop:1.6e-06:\nHardwareXStart:-4.58e-07:\nHardwareXStop:1.652e-06:\n"
                           "SignalHardwareRecordLength:2110:\nSignalResolution:1e-09:\n"
                           "Source:Ch1Wfm1:\nMultiChannelExport:Off:\n"
                           "MultiChannelExportState:4:Off:Off:Off:Off:\n"
                           "MultiChannelSource:4:None:None:None:None:\nSignalFormat:FLOAT:\n"
                           "TimestampState:On:\nTimestamp:0:38 30,671.031.545 s:\n";
    const char *const stamps[] = {"-0.0064625049265625", "-0.00559015392773438",
        "-0.00297121303945313", "-0.00285537959921875", "-0.00216795426503906", "-0.0011608996",
        "-0.00035284071171875", "-0.000331910469140625", "-0.000297884351171875", "0"};
    const char *const firsts[]
        = {"0.0089920983", "0.0080039501", "0.0070158094", "0.0080039501", "0.0080039501",
            "0.0089920983", "0.0080039501", "0.0080039501", "0.0070158094", "0.0060276687"};
    const auto history = [&](int waveforms, int samples, int columns) {
        QByteArray data;
        for (int w = 0; w < waveforms; ++w) {
            for (int c = 0; c < columns; ++c) {
                data += QByteArray(c ? "," : "") + stamps[w];
            }
            data += '\n';
            for (int k = 0; k < samples; ++k) {
                for (int c = 0; c < columns; ++c) {
                    data += QByteArray(c ? "," : "")
                        + (k == 0 ? QByteArray(firsts[w]) : number(0.05 * wave(k, c), 'g', 8));
                }
                data += '\n';
            }
        }
        return data;
    };
    const QByteArray tenWaveforms = history(10, 2110, 1);
    QTest::newRow("RTO2000, the first of ten waveforms")
        << rto << tenWaveforms << 0 << 1 << 8.9920983 << 1 << "";
    QTest::newRow("RTO2000, the tenth") << rto << tenWaveforms << 10 << 1 << 6.0276687 << 1 << "";
    QTest::newRow("RTO2000, an eleventh asked for")
        << rto << tenWaveforms << 11 << 0 << 0.0 << 0
        << "d.Wfm.csv: --segment 11: the file holds 10 segments";
    QTest::newRow("RTO2000, values of no whole waveform")
        << rto << tenWaveforms.left(tenWaveforms.lastIndexOf('\n', -2) + 1) << 0 << 0 << 0.0 << 0
        << "d.Wfm.csv: 21109 values a column are no whole number of waveforms of "
           "SignalHardwareRecordLength 2110, line 9 or RecordLength 2000, line 3 samples and a "
           "timestamp each as its header h.csv describes them";
    // A multi-channel export of CH1 and CH2, one column each, as rs_rtp_02.Wfm.csv
    // (scottprahl/RigolWFM, tests/files/rs) has them: "-0.031620555,-0.22134387".
    QByteArray twoChannels = QByteArray(rto)
                                 .replace("MultiChannelExport:Off:", "MultiChannelExport:On:")
                                 .replace("4:Off:Off:Off:Off:", "4:On:On:Off:Off:")
                                 .replace("TimestampState:On:", "TimestampState:Off:");
    QByteArray rtp = "-0.031620555,-0.22134387\n";
    for (int k = 1; k < 2110; ++k) {
        rtp += number(wave(k, 0), 'g', 8) + ',' + number(wave(k, 1), 'g', 8) + '\n';
    }
    QTest::newRow("multi-channel export") << twoChannels << rtp << 0 << 2 << -31.620555 << 1 << "";
    QTest::newRow("more columns than channels")
        << rto << rtp << 0 << 0 << 0.0 << 0
        << "h.csv:12: the header describes 1 column(s) of Ch1Wfm1, but d.Wfm.csv has 2";
}

void tst_CaptureReader::headerFiles()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, data);
    QFETCH(int, segment);
    QFETCH(int, channels);
    QFETCH(double, firstValue);
    QFETCH(int, tag);
    QFETCH(QString, error);

    ReadContext context;
    context.segment = segment;
    context.header = header;
    context.headerName = QStringLiteral("h.csv");
    const Result<CaptureRead> result
        = readCaptureChannels(data, QStringLiteral("d.Wfm.csv"), {}, context);
    QCOMPARE(result.error(), error);
    if (!error.isEmpty()) {
        return;
    }
    QCOMPARE(int(result->channels.size()), channels);
    QCOMPARE(int(result->time.size()), 2110);
    QCOMPARE(result->time[0], -4.58e-7);
    QVERIFY(std::abs(result->time[2109] - (-4.58e-7 + 2109e-9)) < 1e-18);
    QCOMPARE(result->channels[0].millivolts[0], firstValue);
    QCOMPARE(result->channels[0].tag, tag);
    QCOMPARE(result->channels.back().tag, channels);
}

// An RTP's header is XML beside the data ("name.bin"), the same keys as properties and the
// choices as the firmware names them: the properties that say where the values are, as
// scottprahl/RigolWFM, tests/files/rs/rs_rtp_02.bin has them (its other 62 left out), over
// the first lines of rs_rtp_02.Wfm.csv beside it, CH1 and CH2 a column each.
void tst_CaptureReader::xmlHeader()
{
    QByteArray header;
    for (const char *line : {"<?xml version=\"1.0\" standalone=\"no\"?>",
             "<Database FWVersion=\"\" SaveItemType=\"Data\">",
             "\t<Group Avail=\"0\" Name=\"ReferenceCurveAttributes\" NofSubGroups=\"0\" "
             "NofProperties=\"75\">",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"Resolution\" Value=\"1.25e-06\" "
             "UserValue=\"0\" Step=\"1e-11\" Default=\"0\" Min=\"0\" Max=\"1e+26\" "
             "StepDefault=\"1e-11\" StepFactor=\"10\" Resolution=\"0\" UnitId=\"60\" "
             "UnitName=\"s\" UnitPowerProduct=\"\" BitGroupSize=\"0\" Format=\"0\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"RecordLength\" Value=\"4000\" "
             "UserValue=\"1000\" Step=\"1\" Default=\"1000\" Min=\"0\" Max=\"4294967295\" "
             "StepDefault=\"1\" StepFactor=\"10\" Resolution=\"1\" UnitId=\"101\" UnitName=\"Sa\" "
             "UnitPowerProduct=\"\" BitGroupSize=\"0\" Format=\"0\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"BaseUnit\" Version=\"2\" "
             "Value=\"eRS_UNIT_LEVEL_V\" UserValue=\"eRS_UNIT_NONE\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"XStart\" Value=\"-0.0025\" "
             "UserValue=\"0\" Step=\"1e-10\" Default=\"0\" Min=\"-1e+26\" Max=\"1e+26\" "
             "StepDefault=\"1e-10\" StepFactor=\"10\" Resolution=\"0\" UnitId=\"60\" "
             "UnitName=\"s\" UnitPowerProduct=\"\" BitGroupSize=\"0\" Format=\"0\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"HardwareXStart\" Value=\"-0.0025\" "
             "UserValue=\"0\" Step=\"1e-10\" Default=\"0\" Min=\"-1e+26\" Max=\"1e+26\" "
             "StepDefault=\"1e-10\" StepFactor=\"10\" Resolution=\"0\" UnitId=\"60\" "
             "UnitName=\"s\" UnitPowerProduct=\"\" BitGroupSize=\"0\" Format=\"0\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"SignalHardwareRecordLength\" "
             "Value=\"4000\" UserValue=\"1000\" Step=\"1\" Default=\"1000\" Min=\"0\" "
             "Max=\"4294967295\" StepDefault=\"1\" StepFactor=\"10\" Resolution=\"1\" "
             "UnitId=\"101\" UnitName=\"Sa\" UnitPowerProduct=\"\" BitGroupSize=\"0\" "
             "Format=\"0\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"SignalResolution\" Value=\"1.25e-06\" "
             "UserValue=\"1\" Step=\"0.1\" Default=\"1\" Min=\"0\" Max=\"1e+26\" "
             "StepDefault=\"0.1\" StepFactor=\"10\" Resolution=\"0\" UnitId=\"81\" UnitName=\"\" "
             "UnitPowerProduct=\"\" BitGroupSize=\"0\" Format=\"0\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"Source\" Version=\"2\" "
             "Value=\"eRS_SIGNAL_SOURCE_CH1_TR1\" UserValue=\"eRS_SIGNAL_SOURCE_NONE\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"MultiChannelExport\" Version=\"2\" "
             "Value=\"eRS_ONOFF_ON\" UserValue=\"eRS_ONOFF_OFF\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"MultiChannelExportState\" Version=\"2\" "
             "Size=\"4\" I_0=\"eRS_ONOFF_ON\" I_1=\"eRS_ONOFF_ON\" I_2=\"eRS_ONOFF_OFF\" "
             "I_3=\"eRS_ONOFF_OFF\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"MultiChannelSource\" Version=\"2\" "
             "Size=\"4\" I_0=\"eRS_SIGNAL_SOURCE_CH1_TR1\" I_1=\"eRS_SIGNAL_SOURCE_CH2_TR1\" "
             "I_2=\"eRS_SIGNAL_SOURCE_NONE\" I_3=\"eRS_SIGNAL_SOURCE_NONE\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"SignalFormat\" Version=\"2\" "
             "Value=\"eRS_SIGNAL_FORMAT_FLOAT\" UserValue=\"eRS_SIGNAL_FORMAT_FLOAT\"/>",
             "\t\t<Prop Avail=\"0\" ValueKey=\"\" Name=\"TimestampState\" Version=\"2\" "
             "Value=\"eRS_ONOFF_OFF\" UserValue=\"eRS_ONOFF_OFF\"/>",
             "\t</Group>", "</Database>"}) {
        header += QByteArray(line) + "\r\r\n";
    }
    QByteArray data = "-0.031620555,-0.22134387\r\n0,-0.23715416\r\n0.015810277,-0.23715416\r\n"
                      "0,-0.18972331\r\n0.015810277,-0.17391305\r\n";
    for (int k = 5; k < 4000; ++k) {
        data += QByteArray::number(std::sin(k * 0.01), 'g', 8) + ','
            + QByteArray::number(std::cos(k * 0.01), 'g', 8) + "\r\n";
    }
    ReadContext context;
    context.header = header;
    context.headerName = QStringLiteral("rs_rtp_02.bin");
    const Result<CaptureRead> read
        = readCaptureChannels(data, QStringLiteral("rs_rtp_02.Wfm.csv"), {}, context);
    QVERIFY2(read, qPrintable(read.error()));
    QCOMPARE(int(read->channels.size()), 2);
    QCOMPARE(int(read->time.size()), 4000);
    QCOMPARE(read->time[0], -0.0025);
    QVERIFY(std::abs(read->time[3999] - (-0.0025 + 3999 * 1.25e-6)) < 1e-15);
    QCOMPARE(read->channels[0].millivolts[0], -31.620555);
    QCOMPARE(read->channels[1].millivolts[0], -221.34387);
    QCOMPARE(read->channels[0].tag, 1);
    QCOMPARE(read->channels[1].tag, 2);
}

// A data file of values alone without its header is refused with the header's name; the
// header alone is refused as such.
void tst_CaptureReader::headerMissing()
{
    ReadContext context;
    context.missingHeader = QStringLiteral("rs_rtp_01.csv");
    context.otherHeader = QStringLiteral("rs_rtp_01.bin");
    // scottprahl/RigolWFM, tests/files/rs/rs_rtp_01.Wfm.csv: values alone, Windows line ends.
    QByteArray data = "-0.031620555\r\n0\r\n0.015810277\r\n0\r\n0.015810277\r\n";
    Result<CaptureRead> result = readCaptureChannels(data, "rs_rtp_01.Wfm.csv", {}, context);
    QCOMPARE(result.error(),
        QStringLiteral("rs_rtp_01.Wfm.csv: values without their times, and the header "
                       "rs_rtp_01.csv that gives them is not beside it (rs_rtp_01.bin, an RTP's "
                       "header in XML, gives no sample interval); export the waveform with its "
                       "header, or with the times (XY)"));
    result = readCaptureChannels("Resolution:1e-09:\nRecordLength:2000:\n", "RefCurve.csv", {});
    QCOMPARE(result.error(),
        QStringLiteral("RefCurve.csv: a header of a Rohde & Schwarz waveform, without its "
                       "values: give the data file beside it (name.Wfm.csv)"));
}

// --verbose says what was taken for what; a first column that runs backwards beside a
// sample interval is read as a channel, and said so always.
void tst_CaptureReader::notesAndWarnings()
{
    Result<CaptureRead> read
        = readCaptureChannels("X,CH1,CH2,Start,Increment,\nSequence,Volt,Volt,-1e-06,2e-09\n"
                              "0,0.1,0.2,\n1,0.3,0.4,\n2,0.2,0.1,\n",
            QStringLiteral("rigol.csv"), {});
    QVERIFY(read);
    QCOMPARE(read->notes,
        QStringList(
            {"fields separated by commas, decimal points", "lines 1 to 2: settings and names",
                "time: sample numbers in column 1 ('Sequence') times the sample interval 2e-09 s "
                "(line 1), "
                "from -1e-06 s",
                "the reference (CH1): column 2 ('CH1'), in Volt",
                "V_x (CH2): column 3 ('CH2'), in Volt", "3 samples, lines 3 to 5"}));

    read = readCaptureChannels("Sample Interval,2e-9\n0.3,0.1,0.2\n0.2,0.3,0.4\n0.1,0.2,0.1\n",
        QStringLiteral("back.csv"), {});
    QVERIFY(read);
    QCOMPARE(read->warnings,
        QStringList {"back.csv:2: column 1 ('column 1') decreases throughout, like a time axis "
                     "run backwards; it is read as a channel, with the times from the sample "
                     "interval 2e-09 s (line 1)"});
    QCOMPARE(read->channels[0].fileColumn, 1);
}

QTEST_GUILESS_MAIN(tst_CaptureReader)
#include "tst_capturereader.moc"
