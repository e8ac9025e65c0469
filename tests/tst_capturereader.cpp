#include "capture.h"
#include "capturereader.h"

#include <QtTest>

#include <cmath>
#include <functional>

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
    void cutOff();
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

} // namespace

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

// A save cut off inside the last number: the last line is left out with a warning, never
// read as a sample; a last line without a line end that is whole is kept.
void tst_CaptureReader::cutOff()
{
    const QByteArray whole
        = "Time,CH1,CH2\n0,0.1,-1.07e-03\n1e-9,0.3,-1.07e-03\n2e-9,0.2,-1.07e-03";
    const QByteArray cut = "Time,CH1,CH2\n0,0.1,-1.07e-03\n1e-9,0.3,-1.07e-03\n2e-9,0.2,-1.07e-0";
    const QByteArray short_ = "Time,CH1,CH2\n0,0.1,-1.07e-03\n1e-9,0.3,-1.07e-03\n2e-9,0.2";
    Result<CaptureRead> result = readCaptureChannels(whole, QStringLiteral("cap.csv"), {});
    QVERIFY(result);
    QCOMPARE(int(result->time.size()), 3);
    QVERIFY(result->warnings.isEmpty());
    for (const QByteArray &content : {cut, short_}) {
        result = readCaptureChannels(content, QStringLiteral("cap.csv"), {});
        QVERIFY2(result, qPrintable(result.error()));
        const CaptureRead &read = *result;
        QCOMPARE(int(read.time.size()), 2);
        QCOMPARE(read.warnings,
            QStringList {"cap.csv:4: the last line is cut off (the file ends inside it); it is "
                         "left out"});
    }
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
