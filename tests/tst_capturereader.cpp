#include "capture.h"
#include "capturereader.h"

#include <QtTest>

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

    Capture capture;
    QString error;
    QVERIFY2(readCapture(content, QStringLiteral("cap.csv"), {reference, vx}, &capture, &error),
        qPrintable(error));
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
                                << "cap.csv:2: 1 column(s) of numbers; expected time and two "
                                   "channels";
    QTest::newRow("time and one channel")
        << QByteArray("0,0.1\n1e-9,0.3\n2e-9,0.2\n") << ""
        << ""
        << "cap.csv:1: 2 column(s) of numbers; expected time and two channels";
    QTest::newRow("text in the data") << QByteArray("Time,CH1,CH2\n0,0.1,0.2\n1e-9,abc,0.4\n") << ""
                                      << ""
                                      << "cap.csv:3: expected 3 numbers, found 'abc'";
    QTest::newRow("an empty field") << QByteArray("0,0.1,0.2\n1e-9,,0.4\n") << ""
                                    << ""
                                    << "cap.csv:2: expected 3 numbers, found ''";
    QTest::newRow("a short line") << QByteArray("0,0.1,0.2\n1e-9,0.3\n") << ""
                                  << ""
                                  << "cap.csv:2: expected 3 numbers, found 2";
    QTest::newRow("a long line") << QByteArray("0,0.1,0.2\n1e-9,0.3,0.4,0.5\n") << ""
                                 << ""
                                 << "cap.csv:2: expected 3 numbers, found 4";
    QTest::newRow("NaN") << QByteArray("0,0.1,0.2\n1e-9,nan,0.4\n") << ""
                         << ""
                         << "cap.csv:2: not a finite number: 'nan'";
    QTest::newRow("infinity") << QByteArray("0,0.1,0.2\n1e-9,0.3,-inf\n") << ""
                              << ""
                              << "cap.csv:2: not a finite number: '-inf'";
    QTest::newRow("overflow") << QByteArray("0,0.1,0.2\n1e-9,1e999,0.4\n") << ""
                              << ""
                              << "cap.csv:2: not a finite number: '1e999'";
    QTest::newRow("no time and no interval")
        << QByteArray("Name,x\n0.1,0.2,0.3\n0.3,0.4,0.1\n0.2,0.1,0.2\n") << ""
        << ""
        << "cap.csv:2: no time column (the first column does not increase) and no sample "
           "increment before the data";
    QTest::newRow("sample numbers without an increment")
        << QByteArray("0,0.1,0.2\n1,0.3,0.4\n2,0.2,0.1\n") << ""
        << ""
        << "cap.csv:1: the first column counts samples but no sample increment is given "
           "before the data";
    QTest::newRow("unknown time unit")
        << QByteArray("Info\nTime (fortnights),CH1,CH2\n0,0.1,0.2\n1,0.3,0.4\n2.5,0.2,0.1\n") << ""
        << ""
        << "cap.csv:2: unknown time unit 'fortnights'";
    QTest::newRow("no such column number") << good << "7"
                                           << ""
                                           << "cap.csv: no column 7; the data have 3";
    QTest::newRow("no such column name") << good << ""
                                         << "CH9"
                                         << "cap.csv: no column named 'CH9'";
    QTest::newRow("the same column twice") << good << "3"
                                           << "CH2"
                                           << "cap.csv: the reference and V_x are the same column";
    QTest::newRow("the time as a channel") << good << "1"
                                           << ""
                                           << "cap.csv: column 1 is the time";
}

void tst_CaptureReader::badFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reference);
    QFETCH(QString, vx);
    QFETCH(QString, message);

    Capture capture;
    QString error;
    QVERIFY(!readCapture(content, QStringLiteral("cap.csv"), {reference, vx}, &capture, &error));
    QCOMPARE(error, message);
}

QTEST_GUILESS_MAIN(tst_CaptureReader)
#include "tst_capturereader.moc"
